#include "rtf/RtfDocument.h"

#include "base/Windows1252.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace pelmora::rtf {

namespace {

// Runs without a font of their own take this one; it is what the page shows them in.
constexpr std::string_view kDefaultFont = "Arial";
constexpr std::string_view kBulletFont = "Symbol";

// Decodes one code point of UTF-8 at `i`, moving past it; a broken sequence gives U+FFFD for one byte.
char32_t nextCodePoint(std::string_view s, std::size_t& i)
{
    auto c = static_cast<unsigned char>(s[i]);
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    if (c < 0x80 || (c >= 0x80 && c < 0xC0) || c > 0xF4) {
        ++i;
        return c < 0x80 ? c : 0xFFFD;
    }
    if (i + extra >= s.size()) {
        ++i;
        return 0xFFFD;
    }
    char32_t cp = c & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
        auto t = static_cast<unsigned char>(s[i + k]);
        if ((t & 0xC0) != 0x80) {
            ++i;
            return 0xFFFD;
        }
        cp = (cp << 6) | (t & 0x3F);
    }
    i += extra + 1;
    return cp;
}

void appendUnicodeEscape(std::string& out, char32_t c)
{
    // \u takes a signed 16-bit number; a '?' follows for readers that know no Unicode. It is
    // written as a hex escape: one reader skips a letter too many after a literal '?'.
    int value = static_cast<int>(c);
    if (value > 0x7FFF)
        value -= 0x10000;
    out += "\\u" + std::to_string(value) + "\\'3f";
}

void appendText(std::string& out, std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        char32_t c = nextCodePoint(text, i);
        if (c == '\\' || c == '{' || c == '}') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c == '\t') {
            out += "\\tab ";
        } else if (c == 0x2028 || c == '\n' || c == '\r') {
            out += "\\line ";
        } else if (c < 0x20) {
            continue; // control characters have no place on a page
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (auto byte = base::codePointToWindows1252(c); byte && c >= 0xA0) {
            static constexpr char kHex[] = "0123456789abcdef";
            auto b = static_cast<unsigned char>(*byte);
            out += "\\'";
            out += kHex[b >> 4];
            out += kHex[b & 15];
        } else if (c > 0xFFFF) {
            char32_t v = c - 0x10000;
            appendUnicodeEscape(out, 0xD800 + (v >> 10));
            appendUnicodeEscape(out, 0xDC00 + (v & 0x3FF));
        } else {
            appendUnicodeEscape(out, c);
        }
    }
}

// A table of fonts or colours in the order first used, found by a map so that a document of
// many runs and many fonts is not searched run by run.
template <typename T, typename Key> class Table {
public:
    int indexOf(const T& value, const Key& key)
    {
        auto [at, added] = m_index.emplace(key, static_cast<int>(m_list.size()));
        if (added)
            m_list.push_back(value);
        return at->second;
    }
    const std::vector<T>& list() const { return m_list; }

private:
    std::vector<T> m_list;
    std::map<Key, int> m_index;
};

using FontTable = Table<std::string, std::string>;
using ColorTable = Table<Color, std::uint32_t>;

std::uint32_t colorKey(const Color& c)
{
    return (std::uint32_t(c.red) << 16) | (std::uint32_t(c.green) << 8) | c.blue;
}

std::string fontName(const CharFormat& format)
{
    // A ';' ends a name in the font table and can not be escaped there; control characters
    // (a tab, say) would be read as control words that a font table ignores.
    std::string name = format.font;
    std::erase_if(name, [](char c) { return c == ';' || (c >= 0 && c < 0x20); });
    // Readers trim the blanks around a name, so they are not written either.
    std::size_t first = name.find_first_not_of(' ');
    if (first == std::string::npos)
        return {};
    return name.substr(first, name.find_last_not_of(' ') - first + 1);
}

// A paragraph's runs as they will be written: escaped, runs that write nothing (control
// characters alone) left out, and neighbours in one format joined, since a reader sees them as
// one run. So what a reader gets back writes out the same again.
std::vector<std::pair<CharFormat, std::string>> writtenRuns(const Paragraph& paragraph)
{
    std::vector<std::pair<CharFormat, std::string>> runs;
    for (const Run& run : paragraph.runs) {
        std::string escaped;
        appendText(escaped, run.text);
        if (escaped.empty())
            continue;
        // The format as it will be written: no font is the default font, sizes are bounded.
        CharFormat format = run.format;
        format.font = fontName(format);
        if (format.font.empty())
            format.font = kDefaultFont;
        format.halfPoints = std::clamp(format.halfPoints, 1, 3276);
        if (!runs.empty() && runs.back().first == format)
            runs.back().second += escaped;
        else
            runs.emplace_back(std::move(format), std::move(escaped));
    }
    return runs;
}

} // namespace

std::string writeRtf(const Document& document)
{
    FontTable fontTable;
    ColorTable colorTable;
    fontTable.indexOf(std::string(kDefaultFont), std::string(kDefaultFont));
    bool bullets = false;
    std::vector<std::vector<std::pair<CharFormat, std::string>>> paragraphs;
    paragraphs.reserve(document.paragraphs.size());
    for (const Paragraph& paragraph : document.paragraphs) {
        bullets = bullets || paragraph.bullet;
        paragraphs.push_back(writtenRuns(paragraph));
        for (const auto& [format, text] : paragraphs.back()) {
            std::string name = fontName(format);
            if (!name.empty())
                fontTable.indexOf(name, name);
            if (format.hasColor)
                colorTable.indexOf(format.color, colorKey(format.color));
        }
    }
    int bulletFont = bullets ? fontTable.indexOf(std::string(kBulletFont), std::string(kBulletFont)) : -1;
    const std::vector<std::string>& fonts = fontTable.list();
    const std::vector<Color>& colors = colorTable.list();

    std::string out = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1033\n{\\fonttbl";
    for (std::size_t f = 0; f < fonts.size(); ++f) {
        out += "{\\f" + std::to_string(f)
            + (static_cast<int>(f) == bulletFont ? "\\ftech\\fcharset2 " : "\\fnil\\fcharset0 ");
        appendText(out, fonts[f]);
        out += ";}";
    }
    out += "}\n";
    if (!colors.empty()) {
        out += "{\\colortbl ;";
        for (const Color& c : colors)
            out += "\\red" + std::to_string(c.red) + "\\green" + std::to_string(c.green) + "\\blue"
                + std::to_string(c.blue) + ';';
        out += "}\n";
    }
    out += "\\viewkind4\\uc1\n";

    for (std::size_t p = 0; p < document.paragraphs.size(); ++p) {
        const Paragraph& paragraph = document.paragraphs[p];
        out += "\\pard";
        switch (paragraph.alignment) {
        case Alignment::Left:
            out += "\\ql";
            break;
        case Alignment::Right:
            out += "\\qr";
            break;
        case Alignment::Center:
            out += "\\qc";
            break;
        case Alignment::Justify:
            out += "\\qj";
            break;
        }
        out += "\\fi" + std::to_string(paragraph.firstIndent) + "\\li" + std::to_string(paragraph.leftIndent) + "\\ri"
            + std::to_string(paragraph.rightIndent);
        if (paragraph.bullet) {
            // The rendered bullet first, for readers that know no paragraph numbering, then the
            // numbering itself for those that do.
            std::string f = std::to_string(bulletFont);
            out += "{\\pntext\\f" + f + "\\'b7\\tab}{\\*\\pn\\pnlvlblt\\pnf" + f + "\\pnindent0{\\pntxtb\\'b7}}";
        } else {
            out += ' '; // ends the last control word; after a group it would be text
        }
        for (const auto& [format, text] : paragraphs[p]) {
            std::string name = fontName(format);
            out += "{\\f" + std::to_string(name.empty() ? 0 : fontTable.indexOf(name, name));
            out += "\\fs" + std::to_string(std::clamp(format.halfPoints, 1, 3276));
            if (format.bold)
                out += "\\b";
            if (format.italic)
                out += "\\i";
            if (format.underline)
                out += "\\ul";
            if (format.hasColor)
                out += "\\cf" + std::to_string(colorTable.indexOf(format.color, colorKey(format.color)) + 1);
            out += ' ';
            out += text;
            out += '}';
        }
        // No \par after the last paragraph, or readers would show an empty one more; an empty
        // last paragraph needs its \par to be there at all.
        if (p + 1 < document.paragraphs.size() || paragraphs[p].empty())
            out += "\\par\n";
    }
    out += "}\n";
    return out;
}

} // namespace pelmora::rtf
