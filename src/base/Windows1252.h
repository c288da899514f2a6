#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pelmora::base {

// Appends one code point as UTF-8. The caller decides what stands for a value that is no
// character (a surrogate, beyond U+10FFFF); it is encoded as given.
void appendUtf8(std::string& out, char32_t c);

// The code page Windows programs write in Western Europe and the Americas. The five bytes it
// leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) stand for the C1 controls of the same value,
// as Windows converts them, so every byte decodes and encodes back to itself.
char32_t windows1252ToCodePoint(unsigned char byte);
void appendWindows1252(std::string& out, unsigned char byte); // as UTF-8
std::string windows1252ToUtf8(std::string_view bytes);
// The byte for a code point, or nothing when the code page lacks it.
std::optional<char> codePointToWindows1252(char32_t c);

} // namespace pelmora::base
