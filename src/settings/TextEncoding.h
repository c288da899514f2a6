#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pelmora::settings {

// Conversions between UTF-16 text (as Windows writes "Unicode" INI files) and the UTF-8 the
// program works in. Malformed input never fails: unpaired surrogates and truncated sequences
// become U+FFFD, so a damaged file still reads as text.
std::string utf16ToUtf8(std::string_view bytes, bool bigEndian);
std::string utf8ToUtf16(std::string_view text, bool bigEndian);

bool isValidUtf8(std::string_view text);

// Files written by Windows programs in the "ANSI" code page of Western Europe and the Americas:
// every byte decodes, and text decoded from such a file encodes back to the same bytes.
std::string cp1252ToUtf8(std::string_view bytes);
// nullopt when the text holds a character the code page lacks (or is not valid UTF-8).
std::optional<std::string> utf8ToCp1252(std::string_view text);

} // namespace pelmora::settings
