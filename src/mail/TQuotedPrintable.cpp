#include "mail/TQuotedPrintable.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace pelmora::mail {

namespace {

constexpr std::size_t MaxLineText = 65;
constexpr char Hex[] = "0123456789ABCDEF";

// Bytes that travel as "=XX": controls, "=" itself and everything above ASCII.
constexpr std::array<bool, 256> makeEscapeTable()
{
    std::array<bool, 256> table {};
    for (unsigned byte = 0; byte < 256; ++byte)
        table[byte] = byte < 32 || byte == '=' || byte >= 128;
    return table;
}

constexpr std::array<signed char, 256> makeHexTable()
{
    std::array<signed char, 256> table {};
    for (auto& value : table)
        value = -1;
    for (int i = 0; i < 10; ++i)
        table[static_cast<std::size_t>('0' + i)] = static_cast<signed char>(i);
    for (int i = 0; i < 6; ++i) {
        table[static_cast<std::size_t>('A' + i)] = static_cast<signed char>(10 + i);
        table[static_cast<std::size_t>('a' + i)] = static_cast<signed char>(10 + i);
    }
    return table;
}

constexpr std::array<bool, 256> Escape = makeEscapeTable();
constexpr std::array<signed char, 256> HexValue = makeHexTable();

// The value of "=XX" at `p` (which holds at least three bytes), or -1 when it is no escape.
int escapedByte(const char* p)
{
    int high = HexValue[static_cast<unsigned char>(p[1])];
    int low = HexValue[static_cast<unsigned char>(p[2])];
    return (high | low) < 0 ? -1 : high * 16 + low;
}

// Decodes `text` into `out`, "=XX" by "=XX"; the runs between escapes are copied whole, which
// is what keeps long text fast. A "=" without two hexadecimal digits stays as it stands.
void decodeEscapes(std::string_view text, std::string& out)
{
    const char* p = text.data();
    const char* const end = p + text.size();
    while (p < end) {
        const auto* equals = static_cast<const char*>(std::memchr(p, '=', static_cast<std::size_t>(end - p)));
        if (!equals) {
            out.append(p, static_cast<std::size_t>(end - p));
            return;
        }
        out.append(p, static_cast<std::size_t>(equals - p));
        p = equals;
        int byte = end - p > 2 ? escapedByte(p) : -1;
        if (byte >= 0) {
            out += static_cast<char>(byte);
            p += 3;
        } else {
            out += '=';
            ++p;
        }
    }
}

// Whether any of eight bytes must be escaped: below 32, "=" or above 127. The usual
// word-at-a-time tests for a zero byte and for a byte below n, exact as to whether one is there.
bool anyToEscape(std::uint64_t bytes)
{
    constexpr std::uint64_t ones = 0x0101010101010101ULL;
    constexpr std::uint64_t highs = 0x8080808080808080ULL;
    const std::uint64_t below32 = (bytes - ones * 32) & ~bytes & highs;
    const std::uint64_t equals = bytes ^ (ones * '=');
    const std::uint64_t isEquals = (equals - ones) & ~equals & highs;
    return (below32 | isEquals | (bytes & highs)) != 0;
}

// Escapes one line of at most 65 bytes. A blank at the very end is escaped too, since
// transports strip trailing blanks and the decoder would never see it. Built in a buffer on
// the stack, so that each line costs one allocation.
void appendEscapedLine(std::string_view line, bool softBreak, std::vector<std::string>& lines)
{
    char buffer[MaxLineText * 3 + 2];
    char* o = buffer;
    const bool trailingBlank = !line.empty() && line.back() == ' ';
    // Plain text goes eight bytes at a time; only a group with something to escape is looked
    // at byte by byte.
    while (line.size() >= 8) {
        std::uint64_t group;
        std::memcpy(&group, line.data(), 8);
        if (anyToEscape(group))
            break;
        std::memcpy(o, line.data(), 8);
        o += 8;
        line.remove_prefix(8);
    }
    for (char c : line) {
        auto byte = static_cast<unsigned char>(c);
        if (Escape[byte]) {
            o[0] = '=';
            o[1] = Hex[byte >> 4];
            o[2] = Hex[byte & 15];
            o += 3;
        } else {
            *o++ = c;
        }
    }
    if (softBreak) {
        *o++ = '=';
    } else if (trailingBlank) {
        o[-1] = '=';
        *o++ = '2';
        *o++ = '0';
    }
    lines.emplace_back(buffer, static_cast<std::size_t>(o - buffer));
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
        appendEscapedLine(paragraph.substr(0, cut), true, lines);
        paragraph.remove_prefix(cut);
    }
    appendEscapedLine(paragraph, false, lines);
}

// The position of the first CR or LF in `text`, or its size.
std::size_t lineEnd(std::string_view text)
{
    const auto* lf = static_cast<const char*>(std::memchr(text.data(), '\n', text.size()));
    std::size_t end = lf ? static_cast<std::size_t>(lf - text.data()) : text.size();
    const auto* cr = static_cast<const char*>(std::memchr(text.data(), '\r', end));
    return cr ? static_cast<std::size_t>(cr - text.data()) : end;
}

} // namespace

void TQuotedPrintable::Encode()
{
    std::string_view rest = m_plain;
    m_lines.reserve(m_lines.size() + rest.size() / 60 + 1);
    while (!rest.empty()) {
        std::size_t end = lineEnd(rest);
        // The last byte of the data belongs to its paragraph even when it is a line end, so
        // data that does not end in CR LF keeps its exact bytes.
        if (end >= rest.size() - 1) {
            encodeParagraph(rest, m_lines);
            return;
        }
        encodeParagraph(rest.substr(0, end), m_lines);
        // A line end is CR LF, or a lone CR or LF: two LFs in a row are two line ends.
        std::size_t skip = (rest[end] == '\r' && rest[end + 1] == '\n') ? 2 : 1;
        rest.remove_prefix(end + skip);
    }
}

std::vector<std::string> qpEncodeExact(std::string_view data)
{
    std::vector<std::string> lines;
    for (;;) {
        std::size_t end = data.find("\r\n");
        encodeParagraph(data.substr(0, end), lines);
        if (end == std::string_view::npos)
            break;
        data.remove_prefix(end + 2);
    }
    lines.back() += '=';
    return lines;
}

bool qpDecodeLine(std::string_view line, std::string& out)
{
    // Transports may add blanks at the end of a line; they are never data.
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
        line.remove_suffix(1);
    bool soft = !line.empty() && line.back() == '=';
    if (soft)
        line.remove_suffix(1);
    decodeEscapes(line, out);
    return soft;
}

void TQuotedPrintable::Decode()
{
    std::size_t size = m_plain.size();
    for (const std::string& line : m_lines)
        size += line.size() + 2;
    m_plain.reserve(size);
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
    decodeEscapes(text, out);
    return out;
}

} // namespace pelmora::mail
