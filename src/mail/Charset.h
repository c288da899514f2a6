#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pelmora::mail {

// Converts text of a declared charset to UTF-8 with iconv. An unknown charset, or bytes the
// charset does not define, are read as Windows-1252, so no text is ever dropped.
std::string toUtf8(std::string_view bytes, std::string_view charset);

// UTF-8 text as ISO-8859-1, or nothing when it holds a character that charset lacks.
std::optional<std::string> utf8ToLatin1(std::string_view utf8);

bool isValidUtf8(std::string_view text);
bool isAscii(std::string_view text);

} // namespace pelmora::mail
