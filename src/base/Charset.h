#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pelmora::base {

// A character set's name as it is compared: lower case, without quotes and spaces.
std::string charsetName(std::string_view charset);

// Text in a character set the C library knows, as UTF-8. A name that stands for a larger set in
// practice is read through that set ("shift_jis" as Windows' CP932, "iso-8859-1" as
// Windows-1252, "gb2312" as GB18030). Bytes the set does not define are read as Windows-1252, so
// nothing is dropped. Nothing when the name is not known.
std::optional<std::string> charsetToUtf8(std::string_view bytes, std::string_view charset);

// True when charsetToUtf8 can read text of that name.
bool isKnownCharset(std::string_view charset);

} // namespace pelmora::base
