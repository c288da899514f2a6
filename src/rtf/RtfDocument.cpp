#include "rtf/RtfDocument.h"

#include "base/Windows1252.h"

namespace pelmora::rtf {

namespace {

constexpr std::string_view kLineSeparator = "\xE2\x80\xA8"; // U+2028

bool isValidUtf8(std::string_view s)
{
    std::size_t i = 0;
    while (i < s.size()) {
        auto c = static_cast<unsigned char>(s[i]);
        int extra = 0;
        char32_t cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + extra >= s.size())
            return false;
        for (int k = 1; k <= extra; ++k) {
            auto t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF.
        if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF))
            || (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += extra + 1;
    }
    return true;
}

} // namespace

std::string Paragraph::text() const
{
    std::string out;
    for (const Run& run : runs)
        out += run.text;
    return out;
}

std::string Document::plainText() const
{
    std::string out;
    for (std::size_t i = 0; i < paragraphs.size(); ++i) {
        if (i)
            out += '\n';
        const std::string text = paragraphs[i].text();
        std::string_view rest = text;
        for (std::size_t at; (at = rest.find(kLineSeparator)) != std::string_view::npos;) {
            out.append(rest.substr(0, at));
            out += '\n';
            rest.remove_prefix(at + kLineSeparator.size());
        }
        out.append(rest);
    }
    return out;
}

bool looksLikeRtf(std::string_view bytes)
{
    std::size_t i = 0;
    while (i < bytes.size() && (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n'))
        ++i;
    return bytes.substr(i, 5) == "{\\rtf";
}

Document documentFromPlainText(std::string_view bytes)
{
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF")
        bytes.remove_prefix(3);
    std::string text = isValidUtf8(bytes) ? std::string(bytes) : base::windows1252ToUtf8(bytes);
    Document document;
    std::string line;
    auto flush = [&] {
        Paragraph paragraph;
        if (!line.empty())
            paragraph.runs.push_back(Run { std::move(line), CharFormat {} });
        document.paragraphs.push_back(std::move(paragraph));
        line.clear();
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            flush();
        } else if (c == '\n') {
            flush();
        } else {
            line += c;
        }
    }
    // A final line end closes the last line rather than starting an empty one.
    if (!line.empty() || document.paragraphs.empty())
        flush();
    return document;
}

Document documentFromBytes(std::string_view bytes)
{
    return looksLikeRtf(bytes) ? parseRtf(bytes) : documentFromPlainText(bytes);
}

} // namespace pelmora::rtf
