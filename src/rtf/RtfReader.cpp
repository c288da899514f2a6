#include "rtf/RtfDocument.h"

#include "base/Hex.h"
#include "base/Windows1252.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <map>
#include <string>
#include <vector>

namespace pelmora::rtf {

namespace {

// Real documents nest a few dozen groups at most; a file nesting deeper is built to exhaust us.
constexpr std::size_t kMaxDepth = 256;
// Control words are short; the letters past this many are read but not kept.
constexpr std::size_t kMaxWordLength = 32;
// Indents beyond a 22-inch page make no sense and only overflow later sums.
constexpr int kMaxIndent = 31680;
constexpr int kMaxHalfPoints = 3276;
constexpr int kMaxUnicodeSkip = 16;
constexpr int kSymbolCodePage = 42; // what a font's \fcharset2 stands for
constexpr char32_t kReplacement = 0xFFFD;

int clampInt(long long value, int low, int high)
{
    return static_cast<int>(std::clamp<long long>(value, low, high));
}

// The code page a font's \fcharsetN stands for; 0 when the document's own applies.
int codePageOfCharset(long long charset)
{
    switch (charset) {
    case 2:
        return kSymbolCodePage;
    case 77:
        return 10000;
    case 128:
        return 932;
    case 129:
        return 949;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    default:
        return 0;
    }
}

// Turns bytes of a code page into UTF-8. Windows-1252 (and what is read as it) is done here;
// other code pages go through iconv, whose descriptors are kept for the whole document.
class Decoder {
public:
    Decoder() = default;
    Decoder(const Decoder&) = delete;
    Decoder& operator=(const Decoder&) = delete;
    ~Decoder()
    {
        for (auto& [page, cd] : m_open) {
            if (cd != reinterpret_cast<iconv_t>(-1))
                iconv_close(cd);
        }
    }

    void decode(int codePage, std::string_view bytes, std::string& out)
    {
        if (codePage == 65001) {
            out += bytes;
            return;
        }
        iconv_t cd = reinterpret_cast<iconv_t>(-1);
        if (codePage != 1252 && codePage != 0 && codePage != kSymbolCodePage)
            cd = descriptor(codePage);
        if (cd == reinterpret_cast<iconv_t>(-1)) {
            for (unsigned char b : bytes)
                base::appendWindows1252(out, b);
            return;
        }
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        std::string in(bytes);
        char* inPtr = in.data();
        std::size_t inLeft = in.size();
        char buffer[1024];
        while (inLeft > 0) {
            char* outPtr = buffer;
            std::size_t outLeft = sizeof buffer;
            std::size_t rc = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
            out.append(buffer, static_cast<std::size_t>(outPtr - buffer));
            if (rc == static_cast<std::size_t>(-1)) {
                if (errno == E2BIG)
                    continue;
                // An invalid or cut-off sequence: one replacement character, then go on.
                base::appendUtf8(out, kReplacement);
                if (errno == EINVAL)
                    break;
                ++inPtr;
                --inLeft;
                iconv(cd, nullptr, nullptr, nullptr, nullptr);
            }
        }
    }

private:
    iconv_t descriptor(int codePage)
    {
        auto found = m_open.find(codePage);
        if (found != m_open.end())
            return found->second;
        std::string name = codePage == 10000 ? "MACINTOSH" : "CP" + std::to_string(codePage);
        iconv_t cd = iconv_open("UTF-8", name.c_str());
        m_open.emplace(codePage, cd);
        return cd;
    }

    std::map<int, iconv_t> m_open;
};

enum class Dest : std::uint8_t {
    Body, // the document's text
    Skip, // a destination whose text is not shown
    FontTable,
    ColorTable,
    Marker, // the rendered bullet or number of a list paragraph
    Pn, // paragraph numbering properties: read for the bullet flag, text dropped
};

struct State {
    Dest dest = Dest::Body;
    // character
    int font = -1;
    int halfPoints = 24;
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int color = 0;
    int unicodeSkip = 1;
    // paragraph
    Alignment alignment = Alignment::Left;
    int firstIndent = 0;
    int leftIndent = 0;
    int rightIndent = 0;
    bool bullet = false;

    void resetCharacter(int defaultFont)
    {
        font = defaultFont;
        halfPoints = 24;
        bold = italic = underline = false;
        color = 0;
    }
    void resetParagraph()
    {
        alignment = Alignment::Left;
        firstIndent = leftIndent = rightIndent = 0;
        bullet = false;
    }
};

struct Font {
    std::string name;
    int codePage = 0;
    bool named = false; // its name has ended with ';'
};

struct ColorEntry {
    bool automatic = true;
    Color color;
};

bool isBulletGlyph(std::string_view marker)
{
    while (!marker.empty() && (marker.back() == '\t' || marker.back() == ' '))
        marker.remove_suffix(1);
    while (!marker.empty() && marker.front() == ' ')
        marker.remove_prefix(1);
    static constexpr std::string_view kGlyphs[] = {
        "\xE2\x80\xA2", // U+2022 bullet
        "\xC2\xB7", // U+00B7 middle dot, the Symbol font's bullet read as Windows-1252
        "\xEF\x82\xB7", // U+F0B7, the Symbol font's bullet as Unicode
        "\xEF\x82\xA7", // U+F0A7, Wingdings square
        "\xEF\x83\x98", // U+F0D8, Wingdings arrow
        "\xEF\x83\xBC", // U+F0FC, Wingdings tick
        "\xE2\x97\x8F", // U+25CF black circle
        "\xE2\x97\xA6", // U+25E6 white bullet
        "\xE2\x96\xAA", // U+25AA small square
        "\xE2\x96\xA0", // U+25A0 square
        "\xE2\x81\x83", // U+2043 hyphen bullet
        "\xE2\x80\x93", // U+2013 en dash
        "o", "-", "*",
        "\xC2\xA7", // U+00A7, Wingdings square read as Windows-1252
    };
    return std::any_of(std::begin(kGlyphs), std::end(kGlyphs), [&](std::string_view g) { return g == marker; });
}

class Reader {
public:
    explicit Reader(std::string_view data)
        : m_data(data)
    {
    }

    Document read()
    {
        std::size_t i = 0;
        while (i < m_data.size() && isSpace(m_data[i]))
            ++i;
        if (m_data.substr(i, 5) != "{\\rtf")
            throw ERtfError("The file is not a rich-text file");
        m_pos = i;
        bool ended = false;
        while (m_pos < m_data.size()) {
            char c = m_data[m_pos];
            if (c == '{') {
                ++m_pos;
                openGroup();
            } else if (c == '}') {
                ++m_pos;
                if (closeGroup()) {
                    ended = true;
                    break;
                }
            } else if (c == '\\') {
                control();
            } else if (c == '\r' || c == '\n' || c == '\0') {
                ++m_pos;
            } else {
                ++m_pos;
                literal(static_cast<unsigned char>(c));
            }
        }
        if (!ended)
            throw ERtfError("The rich-text file ends before its last group is closed");
        // Writers leave line ends and the odd NUL after the last brace; anything else is not ours.
        for (std::size_t k = m_pos; k < m_data.size(); ++k) {
            if (!isSpace(m_data[k]) && m_data[k] != '\0')
                throw ERtfError("The rich-text file has more after its last group");
        }
        return std::move(m_document);
    }

private:
    State& state() { return m_stack.back(); }

    void openGroup()
    {
        flush();
        if (m_stack.size() >= kMaxDepth)
            throw ERtfError("The rich-text file nests groups more than " + std::to_string(kMaxDepth) + " deep");
        if (m_stack.empty())
            m_stack.emplace_back();
        else
            m_stack.push_back(m_stack.back());
        m_unicodeSkipLeft = 0;
        m_ignorable = false;
        m_groupStart = true;
    }

    // True when the outermost group closed.
    bool closeGroup()
    {
        flush();
        m_unicodeSkipLeft = 0;
        m_ignorable = false;
        m_groupStart = false;
        if (state().dest == Dest::FontTable)
            finishFontName();
        // The last paragraph needs no \par; it takes the properties the document ends with.
        if (m_stack.size() == 1 && (!m_paragraph.runs.empty() || m_hasMarker))
            finishParagraph();
        m_stack.pop_back();
        m_formatDirty = true;
        return m_stack.empty();
    }

    void literal(unsigned char c)
    {
        m_groupStart = false;
        if (m_unicodeSkipLeft > 0) {
            --m_unicodeSkipLeft;
            return;
        }
        Dest dest = state().dest;
        if (dest == Dest::Skip || dest == Dest::Pn)
            return;
        if (dest == Dest::ColorTable) {
            if (c == ';') {
                m_colors.push_back(m_pendingColor);
                m_pendingColor = ColorEntry {};
            }
            return;
        }
        if (dest == Dest::FontTable && c == ';') {
            finishFontName();
            return;
        }
        addByte(c);
    }

    void addByte(unsigned char c)
    {
        int page = currentCodePage();
        if (!m_bytes.empty() && page != m_bytesPage)
            flush();
        m_bytesPage = page;
        m_bytes += static_cast<char>(c);
    }

    // Looked up for every byte of text, so the answer is kept until the font or destination changes.
    int currentCodePage()
    {
        const State& s = m_stack.back();
        if (s.font == m_pageFont && s.dest == m_pageDest && m_codePage == m_pageDocument)
            return m_page;
        m_pageFont = s.font;
        m_pageDest = s.dest;
        m_pageDocument = m_codePage;
        m_page = m_codePage;
        if (s.dest == Dest::Body || s.dest == Dest::Marker) {
            auto found = m_fonts.find(s.font >= 0 ? s.font : m_defaultFont);
            if (found != m_fonts.end() && found->second.codePage != 0)
                m_page = found->second.codePage;
        }
        return m_page;
    }

    // Hands the bytes gathered so far, decoded, to where the current destination wants text.
    void flush()
    {
        if (m_bytes.empty())
            return;
        std::string text;
        m_decoder.decode(m_bytesPage, m_bytes, text);
        m_bytes.clear();
        emit(text);
    }

    void emit(std::string_view utf8)
    {
        if (m_highSurrogate) {
            m_highSurrogate = 0;
            std::string r;
            base::appendUtf8(r, kReplacement);
            emitRaw(r);
        }
        emitRaw(utf8);
    }

    void emitRaw(std::string_view utf8)
    {
        if (utf8.empty())
            return;
        State& s = state();
        switch (s.dest) {
        case Dest::Body: {
            if (m_formatDirty || m_paragraph.runs.empty()) {
                CharFormat format = resolveFormat(s);
                m_formatDirty = false;
                if (m_paragraph.runs.empty() || !(m_paragraph.runs.back().format == format))
                    m_paragraph.runs.push_back(Run { {}, std::move(format) });
            }
            m_paragraph.runs.back().text += utf8;
            break;
        }
        case Dest::Marker:
            m_marker += utf8;
            break;
        case Dest::FontTable: {
            auto font = m_fonts.find(m_fontId);
            if (font != m_fonts.end() && !font->second.named)
                font->second.name += utf8;
            break;
        }
        default:
            break;
        }
    }

    void emitCodePoint(char32_t c)
    {
        flush();
        std::string text;
        base::appendUtf8(text, c);
        emit(text);
    }

    CharFormat resolveFormat(const State& s) const
    {
        CharFormat format;
        auto font = m_fonts.find(s.font >= 0 ? s.font : m_defaultFont);
        if (font != m_fonts.end())
            format.font = font->second.name;
        format.halfPoints = s.halfPoints;
        format.bold = s.bold;
        format.italic = s.italic;
        format.underline = s.underline;
        if (s.color > 0 && static_cast<std::size_t>(s.color) < m_colors.size() && !m_colors[s.color].automatic) {
            format.hasColor = true;
            format.color = m_colors[s.color].color;
        }
        return format;
    }

    void finishFontName()
    {
        flush();
        auto found = m_fonts.find(m_fontId);
        if (found == m_fonts.end() || found->second.named)
            return;
        std::string& name = found->second.name;
        while (!name.empty() && name.back() == ' ')
            name.pop_back();
        std::size_t lead = name.find_first_not_of(' ');
        name.erase(0, lead == std::string::npos ? name.size() : lead);
        found->second.named = true;
    }

    void finishParagraph()
    {
        flush();
        if (m_highSurrogate)
            emit({});
        const State& s = state();
        Paragraph paragraph = std::move(m_paragraph);
        m_paragraph = Paragraph {};
        paragraph.alignment = s.alignment;
        paragraph.firstIndent = s.firstIndent;
        paragraph.leftIndent = s.leftIndent;
        paragraph.rightIndent = s.rightIndent;
        paragraph.bullet = s.bullet || (m_hasMarker && isBulletGlyph(m_marker));
        // A numbered list's number is kept as text: the editor shows bullets only, and the
        // number is part of what the author wrote.
        if (m_hasMarker && !paragraph.bullet && !m_marker.empty()) {
            CharFormat format = paragraph.runs.empty() ? resolveFormat(s) : paragraph.runs.front().format;
            paragraph.runs.insert(paragraph.runs.begin(), Run { m_marker, format });
        }
        m_hasMarker = false;
        m_marker.clear();
        m_document.paragraphs.push_back(std::move(paragraph));
        m_formatDirty = true;
    }

    // Reads one control word or symbol at m_pos (a backslash) and acts on it.
    void control()
    {
        ++m_pos;
        if (m_pos >= m_data.size())
            throw ERtfError("The rich-text file ends inside a control word");
        char c = m_data[m_pos];
        bool startOfGroup = m_groupStart;
        m_groupStart = false;
        if (!isAlpha(c)) {
            ++m_pos;
            symbol(c);
            return;
        }
        std::size_t start = m_pos;
        while (m_pos < m_data.size() && isAlpha(m_data[m_pos]))
            ++m_pos;
        std::string_view word = m_data.substr(start, std::min(m_pos - start, kMaxWordLength));
        bool hasParam = false;
        long long param = 0;
        bool negative = false;
        if (m_pos + 1 < m_data.size() && m_data[m_pos] == '-' && isDigit(m_data[m_pos + 1])) {
            negative = true;
            ++m_pos;
        }
        while (m_pos < m_data.size() && isDigit(m_data[m_pos])) {
            hasParam = true;
            // Saturate: a parameter of a hundred digits is as absurd as one of eleven.
            if (param < 100000000000LL)
                param = param * 10 + (m_data[m_pos] - '0');
            ++m_pos;
        }
        if (negative)
            param = -param;
        if (m_pos < m_data.size() && m_data[m_pos] == ' ')
            ++m_pos;

        if (word == "bin") {
            // The binary data is skipped whatever the destination; it must be there.
            long long length = hasParam ? std::max(0LL, param) : 0;
            if (static_cast<unsigned long long>(length) > m_data.size() - m_pos)
                throw ERtfError("The rich-text file claims more binary data than it holds");
            m_pos += static_cast<std::size_t>(length);
            if (m_unicodeSkipLeft > 0)
                --m_unicodeSkipLeft;
            return;
        }
        if (m_unicodeSkipLeft > 0) {
            --m_unicodeSkipLeft;
            return;
        }
        bool ignorable = m_ignorable;
        m_ignorable = false;
        if (state().dest == Dest::Skip)
            return;
        if (startOfGroup || ignorable) {
            if (destination(word, ignorable))
                return;
        }
        flush();
        command(word, hasParam, param);
    }

    // Handles a word that may open a destination; true when it did.
    bool destination(std::string_view word, bool ignorable)
    {
        State& s = state();
        if (word == "fonttbl") {
            s.dest = Dest::FontTable;
            return true;
        }
        if (word == "colortbl") {
            s.dest = Dest::ColorTable;
            m_colors.clear();
            m_pendingColor = ColorEntry {};
            return true;
        }
        if (word == "pn") {
            s.dest = Dest::Pn;
            return true;
        }
        if (word == "pntext" || word == "listtext") {
            flush();
            s.dest = Dest::Marker;
            m_hasMarker = true;
            m_marker.clear();
            return true;
        }
        if (word == "fldrslt" || word == "field")
            return false;
        static constexpr std::string_view kNotShown[] = { "stylesheet", "info", "pict", "object", "header", "headerl",
            "headerr", "headerf", "footer", "footerl", "footerr", "footerf", "footnote", "filetbl", "revtbl",
            "listtable", "listoverridetable", "rsidtbl", "fldinst", "themedata", "colorschememapping", "latentstyles",
            "datastore", "xmlnstbl", "generator", "nonshppict", "txe", "xe", "tc", "annotation", "atnid", "atnauthor",
            "userprops", "docvar", "template", "private", "pgdsctbl", "mmathPr", "falt", "panose", "fname", "bkmkstart",
            "bkmkend", "shpinst", "sp" };
        // A destination whose text is not part of the page, or one we do not know but that says
        // it may be ignored.
        if (ignorable || std::find(std::begin(kNotShown), std::end(kNotShown), word) != std::end(kNotShown)) {
            flush();
            s.dest = Dest::Skip;
            return true;
        }
        return false;
    }

    void command(std::string_view word, bool hasParam, long long param)
    {
        State& s = state();
        auto on = [&] { return !hasParam || param != 0; };
        switch (s.dest) {
        case Dest::FontTable:
            // Names outside the code page come as \u escapes, like any text.
            if (word == "u") {
                unicode(param);
            } else if (word == "uc") {
                s.unicodeSkip = clampInt(param, 0, kMaxUnicodeSkip);
            } else if (word == "f") {
                finishFontName();
                m_fontId = clampInt(param, -1, 1 << 30);
                Font& font = m_fonts[m_fontId];
                font = Font {};
                m_pageFont = -2;
            } else if (word == "fcharset") {
                m_pageFont = -2;
                auto found = m_fonts.find(m_fontId);
                if (found != m_fonts.end())
                    found->second.codePage = codePageOfCharset(param);
            } else if (word == "cpg" && param > 0 && param < 65536) {
                m_pageFont = -2;
                auto found = m_fonts.find(m_fontId);
                if (found != m_fonts.end() && found->second.codePage != kSymbolCodePage)
                    found->second.codePage = static_cast<int>(param);
            }
            return;
        case Dest::ColorTable:
            if (word == "red" || word == "green" || word == "blue") {
                auto v = static_cast<std::uint8_t>(clampInt(param, 0, 255));
                m_pendingColor.automatic = false;
                (word == "red"            ? m_pendingColor.color.red
                        : word == "green" ? m_pendingColor.color.green
                                          : m_pendingColor.color.blue)
                    = v;
            }
            return;
        case Dest::Pn:
            if (word == "pnlvlblt" && m_stack.size() >= 2)
                m_stack[m_stack.size() - 2].bullet = true;
            return;
        case Dest::Skip:
            return;
        case Dest::Body:
        case Dest::Marker:
            break;
        }

        // Text and character formatting.
        if (word == "par") {
            if (s.dest == Dest::Body)
                finishParagraph();
        } else if (word == "u") {
            unicode(param);
        } else if (word == "uc") {
            s.unicodeSkip = clampInt(param, 0, kMaxUnicodeSkip);
        } else if (word == "tab" || word == "cell" || word == "nestcell") {
            emitCodePoint('\t');
        } else if (word == "line") {
            emitCodePoint(0x2028);
        } else if (word == "row" || word == "nestrow") {
            if (s.dest == Dest::Body) {
                if (!m_paragraph.runs.empty() && !m_paragraph.runs.back().text.empty()
                    && m_paragraph.runs.back().text.back() == '\t')
                    m_paragraph.runs.back().text.pop_back();
                finishParagraph();
            }
        } else if (word == "page" || word == "sect") {
            if (s.dest == Dest::Body && !m_paragraph.runs.empty())
                finishParagraph();
        } else if (word == "b") {
            s.bold = on();
        } else if (word == "i") {
            s.italic = on();
        } else if (word == "ul" || word == "uld" || word == "uldb" || word == "ulw" || word == "uldash"
            || word == "ulth" || word == "ulwave" || word == "uldashd" || word == "ulhwave") {
            s.underline = on();
        } else if (word == "ulnone") {
            s.underline = false;
        } else if (word == "fs") {
            if (hasParam && param > 0)
                s.halfPoints = clampInt(param, 1, kMaxHalfPoints);
        } else if (word == "f") {
            s.font = clampInt(param, -1, 1 << 30);
        } else if (word == "cf") {
            s.color = clampInt(param, 0, 1 << 20);
        } else if (word == "plain") {
            s.resetCharacter(m_defaultFont);
        } else if (word == "pard") {
            s.resetParagraph();
        } else if (word == "ql") {
            s.alignment = Alignment::Left;
        } else if (word == "qr") {
            s.alignment = Alignment::Right;
        } else if (word == "qc") {
            s.alignment = Alignment::Center;
        } else if (word == "qj") {
            s.alignment = Alignment::Justify;
        } else if (word == "fi") {
            s.firstIndent = clampInt(param, -kMaxIndent, kMaxIndent);
        } else if (word == "li") {
            s.leftIndent = clampInt(param, -kMaxIndent, kMaxIndent);
        } else if (word == "ri") {
            s.rightIndent = clampInt(param, -kMaxIndent, kMaxIndent);
        } else if (word == "ansi") {
            m_codePage = 1252;
        } else if (word == "mac") {
            m_codePage = 10000;
        } else if (word == "pc") {
            m_codePage = 437;
        } else if (word == "pca") {
            m_codePage = 850;
        } else if (word == "ansicpg") {
            if (param > 0 && param < 65536)
                m_codePage = static_cast<int>(param);
        } else if (word == "deff") {
            m_defaultFont = clampInt(param, -1, 1 << 30);
            m_pageFont = -2;
        } else if (const char32_t* special = specialCharacter(word)) {
            emitCodePoint(*special);
        } else {
            return;
        }
        m_formatDirty = true;
    }

    static const char32_t* specialCharacter(std::string_view word)
    {
        static constexpr std::pair<std::string_view, char32_t> kTable[] = { { "emdash", 0x2014 }, { "endash", 0x2013 },
            { "bullet", 0x2022 }, { "lquote", 0x2018 }, { "rquote", 0x2019 }, { "ldblquote", 0x201C },
            { "rdblquote", 0x201D }, { "emspace", 0x2003 }, { "enspace", 0x2002 }, { "qmspace", 0x2005 } };
        for (const auto& entry : kTable) {
            if (entry.first == word)
                return &entry.second;
        }
        return nullptr;
    }

    void unicode(long long param)
    {
        long long value = param < 0 ? param + 65536 : param;
        m_unicodeSkipLeft = state().unicodeSkip;
        flush();
        char32_t c;
        if (value >= 0xD800 && value <= 0xDBFF) {
            if (m_highSurrogate)
                emit({});
            m_highSurrogate = static_cast<char32_t>(value);
            return;
        }
        if (value >= 0xDC00 && value <= 0xDFFF) {
            if (!m_highSurrogate) {
                c = kReplacement;
            } else {
                c = 0x10000 + ((m_highSurrogate - 0xD800) << 10) + (static_cast<char32_t>(value) - 0xDC00);
                m_highSurrogate = 0;
            }
        } else if (value <= 0 || value > 0x10FFFF) {
            c = value == 0 ? 0 : kReplacement;
        } else {
            c = static_cast<char32_t>(value);
        }
        if (c == 0)
            return;
        std::string text;
        base::appendUtf8(text, c);
        emit(text);
    }

    void symbol(char c)
    {
        if (c == '\'') {
            unsigned char byte = 0;
            int digits = 0;
            while (digits < 2 && m_pos < m_data.size() && base::hexDigitValue(m_data[m_pos]) >= 0) {
                byte = static_cast<unsigned char>(byte * 16 + base::hexDigitValue(m_data[m_pos]));
                ++m_pos;
                ++digits;
            }
            if (m_unicodeSkipLeft > 0) {
                --m_unicodeSkipLeft;
                return;
            }
            m_ignorable = false;
            if (digits == 0)
                return;
            Dest dest = state().dest;
            if (dest == Dest::Body || dest == Dest::Marker || dest == Dest::FontTable)
                addByte(byte);
            return;
        }
        if (m_unicodeSkipLeft > 0) {
            --m_unicodeSkipLeft;
            return;
        }
        if (c == '*') {
            m_ignorable = true;
            return;
        }
        m_ignorable = false;
        switch (c) {
        case '\\':
        case '{':
        case '}':
            literal(static_cast<unsigned char>(c));
            return;
        case '\r':
        case '\n':
            if (state().dest == Dest::Body)
                finishParagraph();
            return;
        case '~':
            emitCodePoint(0x00A0);
            return;
        case '_':
            emitCodePoint(0x2011);
            return;
        case '\t':
            emitCodePoint('\t');
            return;
        default:
            return; // \- optional hyphen, \| \: and symbols we do not show
        }
    }

    static bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
    static bool isAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
    static bool isDigit(char c) { return c >= '0' && c <= '9'; }

    std::string_view m_data;
    std::size_t m_pos = 0;
    std::vector<State> m_stack;
    bool m_ignorable = false;
    bool m_groupStart = false;
    int m_unicodeSkipLeft = 0;
    char32_t m_highSurrogate = 0;
    int m_codePage = 1252;
    int m_defaultFont = 0; // readers take font 0 when a file names no default
    std::map<int, Font> m_fonts;
    int m_fontId = -1;
    std::vector<ColorEntry> m_colors;
    ColorEntry m_pendingColor;
    Decoder m_decoder;
    std::string m_bytes;
    int m_bytesPage = 1252;
    int m_pageFont = -2;
    Dest m_pageDest = Dest::Skip;
    int m_pageDocument = 0;
    int m_page = 1252;
    bool m_formatDirty = true;
    bool m_hasMarker = false;
    std::string m_marker;
    Paragraph m_paragraph;
    Document m_document;
};

} // namespace

Document parseRtf(std::string_view bytes)
{
    return Reader(bytes).read();
}

} // namespace pelmora::rtf
