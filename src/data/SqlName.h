#pragma once

#include <string>

namespace pelmora::data {

// A table, column or alias name as SQL text: quoted, so that names the engine reserves (Desc,
// Number) and names in any letter case read as names.
inline std::string ident(const std::string& name)
{
    return "\"" + name + "\"";
}

} // namespace pelmora::data
