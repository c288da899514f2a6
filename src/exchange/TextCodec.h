#pragma once

#include <string>
#include <string_view>

namespace pelmora::exchange {

bool isValidUtf8(std::string_view text);

// UTF-16 text as UTF-8; unpaired surrogates become U+FFFD.
std::string utf16ToUtf8(std::string_view bytes, bool bigEndian);

// Bytes in the named character set as UTF-8. No name, or a name that is not known, takes UTF-8
// when the bytes are valid UTF-8 and Windows-1252 otherwise, so every byte arrives as some
// character and nothing is dropped.
std::string toUtf8(std::string_view bytes, std::string_view charset = {});

// A whole file as UTF-8: a UTF-8 byte-order mark removed, UTF-16 with a byte-order mark (or
// recognisably without one) converted. Other bytes are left as they are for the reader.
std::string decodeFileText(std::string_view bytes);

std::string quotedPrintableDecode(std::string_view text);

std::size_t utf8Length(std::string_view text);

// ASCII letters in upper case, the rest as it is: vCard names and parameters are ASCII.
std::string asciiUpper(std::string_view text);
bool equalsNoCase(std::string_view a, std::string_view b);
// Without white space at either end.
std::string trimmed(std::string_view text);

} // namespace pelmora::exchange
