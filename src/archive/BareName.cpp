#include "archive/BareName.h"

namespace pelmora::archive {

bool isBareFileName(std::string_view name)
{
    if (name.empty() || name == "." || name == "..")
        return false;
    return name.find_first_of(std::string_view("/\\:\0", 4)) == std::string_view::npos;
}

} // namespace pelmora::archive
