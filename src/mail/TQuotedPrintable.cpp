#include "mail/TQuotedPrintable.h"

namespace pelmora::mail {

namespace {

constexpr std::size_t MaxLineText = 65;
constexpr char Hex[] = "0123456789ABCDEF";

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// Escapes one line of at most 65 bytes. A blank at the very end is escaped too, since
// transports strip trailing blanks and the decoder would never see it.
std::string escapeLine(std::string_view line, bool softBreak)
{
    std::string out;
    out.reserve(line.size() + 8);
    for (std::size_t i = 0; i < line.size(); ++i) {
        auto byte = static_cast<unsigned char>(line[i]);
        bool trailingBlank = byte == ' ' && i + 1 == line.size() && !softBreak;
        if (byte < 32 || byte == '=' || byte >= 128 || trailingBlank) {
            out += '=';
            out += Hex[byte >> 4];
            out += Hex[byte & 15];
        } else {
            out += static_cast<char>(byte);
        }
    }
    if (softBreak)
        out += '=';
    return out;
}

// Cuts a paragraph into lines of at most 65 bytes, at a blank where there is one (the blank
// starts the next line), and appends them escaped.
void encodeParagraph(std::string_view paragraph, std::vector<std::string>& lines)
{
    while (paragraph.size() >= MaxLineText) {
        std::size_t cut = MaxLineText;
        std::size_t blank = paragraph.rfind(' ', MaxLineText);
        if (blank != std::string_view::npos && blank > 0)
            cut = blank;
        lines.push_back(escapeLine(paragraph.substr(0, cut), true));
        paragraph.remove_prefix(cut);
    }
    lines.push_back(escapeLine(paragraph, false));
}

} // namespace

void TQuotedPrintable::Encode()
{
    std::string_view rest = m_plain;
    while (!rest.empty()) {
        std::size_t end = rest.find_first_of("\r\n");
        // The last byte of the data belongs to its paragraph even when it is a line end, so
        // data that does not end in CR LF keeps its exact bytes.
        if (end == std::string_view::npos || end + 1 == rest.size()) {
            encodeParagraph(rest, m_lines);
            return;
        }
        encodeParagraph(rest.substr(0, end), m_lines);
        // A line end is CR LF, or a lone CR or LF: two LFs in a row are two line ends.
        std::size_t skip = (rest[end] == '\r' && rest[end + 1] == '\n') ? 2 : 1;
        rest.remove_prefix(end + skip);
    }
}

bool qpDecodeLine(std::string_view line, std::string& out)
{
    // Transports may add blanks at the end of a line; they are never data.
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
        line.remove_suffix(1);
    bool soft = !line.empty() && line.back() == '=';
    if (soft)
        line.remove_suffix(1);
    for (std::size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (c == '=' && i + 2 < line.size() && hexValue(line[i + 1]) >= 0 && hexValue(line[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(line[i + 1]) * 16 + hexValue(line[i + 2]));
            i += 2;
        } else {
            out += c;
        }
    }
    return soft;
}

void TQuotedPrintable::Decode()
{
    for (const std::string& line : m_lines) {
        std::size_t before = m_plain.size();
        bool soft = qpDecodeLine(line, m_plain);
        // A line ending in Ctrl-Z is the end of an old DOS text and gets no line end.
        bool ctrlZ = m_plain.size() > before && m_plain.back() == '\x1A';
        if (!soft && !ctrlZ)
            m_plain += "\r\n";
    }
}

std::string QDecodeWord(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '=' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 && hexValue(text[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2]));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace pelmora::mail
