#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pelmora::mail {

// Quoted-printable (RFC 2045) between a byte string (the plain side) and a list of lines (the
// encoded side), both owned by the caller. Encoding appends lines of at most 65 bytes of text
// before escaping, broken at blanks where possible, with "=" as soft line break. Decoding reads
// the lines from the first and appends bytes; a line that does not end in a soft break ends
// in CR LF. Neither side has a length limit.
class TQuotedPrintable {
public:
    TQuotedPrintable(std::string& plain, std::vector<std::string>& lines) : m_plain(plain), m_lines(lines) {}

    void Encode();
    void Decode();

private:
    std::string& m_plain;
    std::vector<std::string>& m_lines;
};

// Decodes one quoted-printable line into `out`; returns true when it ends in a soft line break.
// "=" not followed by two hexadecimal digits is kept as it stands.
bool qpDecodeLine(std::string_view line, std::string& out);

// Quoted-printable decoding of one short text (an encoded word): no line breaks are added.
std::string QDecodeWord(std::string_view text);

} // namespace pelmora::mail
