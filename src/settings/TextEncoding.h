#pragma once

#include <string>
#include <string_view>

namespace pelmora::settings {

// Conversions between UTF-16 text (as Windows writes "Unicode" INI files) and the UTF-8 the
// program works in. Malformed input never fails: unpaired surrogates and truncated sequences
// become U+FFFD, so a damaged file still reads as text.
std::string utf16ToUtf8(std::string_view bytes, bool bigEndian);
std::string utf8ToUtf16(std::string_view text, bool bigEndian);

} // namespace pelmora::settings
