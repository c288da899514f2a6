#pragma once

#include <string_view>

namespace pelmora::archive {

// True for a name that stays inside the directory it is joined to: not empty, not "." or "..",
// and without a directory separator (either slash), drive colon or NUL. Back-ups hold bare file
// names only, and database names become directory names, so both are held to this.
bool isBareFileName(std::string_view name);

} // namespace pelmora::archive
