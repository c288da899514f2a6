#pragma once

#include <string>
#include <string_view>

namespace pelmora::mail {

// Decodes every encoded word (RFC 2047, "=?charset?B|Q?text?=") of a header value to UTF-8;
// adjacent encoded words separated only by white space join without it. Raw 8-bit text that
// is not UTF-8 is read as Windows-1252. Malformed words stay as they stand.
std::string DecodeHeaderWords(std::string_view text);

// The text as it may stand in a header: as it is when it is printable ASCII, otherwise as
// encoded words of UTF-8 (each line of at most 75 characters), CR and LF never included.
std::string encodeHeaderText(std::string_view utf8);

} // namespace pelmora::mail
