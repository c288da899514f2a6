#pragma once

#include <string>
#include <string_view>

namespace pelmora::mail {

// One uuencoded line for at most 45 bytes: the length character, then 4 characters per 3 bytes.
std::string UUEncodeLine(std::string_view bytes);

// Decodes one uuencoded line; a character outside the alphabet raises EDecodeError
// "Invalid Character".
std::string UUDecodeLine(std::string_view text);

// True for a "begin MODE NAME" line that opens a uuencoded block.
bool IsUUBeginLine(std::string_view line);

// The file name of a begin line (quoted or up to the first blank).
std::string UUBeginFileName(std::string_view line);

} // namespace pelmora::mail
