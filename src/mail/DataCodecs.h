#pragma once

#include <string>
#include <string_view>

namespace pelmora::mail {

// Whole-data forms of the codecs for the command line: "base64" (lines of 76 characters),
// "qp" (quoted-printable) and "uu" (a begin/end block). Lines end in LF; decoding accepts
// CR LF, LF or CR; decoded quoted-printable lines end in CR LF, the canonical form. Raises pelmora::UsageError for an unknown codec and EDecodeError for data
// outside the alphabet.
std::string encodeData(std::string_view codec, std::string_view data);
std::string decodeData(std::string_view codec, std::string_view text);

} // namespace pelmora::mail
