#include "settings/TextEncoding.h"

#include "base/Windows1252.h"

#include <cstdint>

namespace pelmora::settings {

namespace {

constexpr char32_t kReplacement = 0xFFFD;
constexpr char32_t kMalformed = 0xFFFFFFFF;

void appendUnit(std::string& out, uint16_t unit, bool bigEndian)
{
    const char high = static_cast<char>(unit >> 8);
    const char low = static_cast<char>(unit & 0xFF);
    out += bigEndian ? high : low;
    out += bigEndian ? low : high;
}

// Decodes one UTF-8 sequence at `i`, advancing it; a malformed one yields kMalformed and one byte.
char32_t nextCodePoint(std::string_view text, size_t& i)
{
    const auto lead = static_cast<unsigned char>(text[i++]);
    if (lead < 0x80)
        return lead;
    int length = -1;
    if (lead >= 0xC2 && lead < 0xE0)
        length = 1;
    else if (lead >= 0xE0 && lead < 0xF0)
        length = 2;
    else if (lead >= 0xF0 && lead < 0xF5)
        length = 3;
    if (length < 0 || i + static_cast<size_t>(length) > text.size())
        return kMalformed;
    char32_t c = lead & (0x3F >> length);
    for (int k = 0; k < length; ++k) {
        const auto byte = static_cast<unsigned char>(text[i + static_cast<size_t>(k)]);
        if ((byte & 0xC0) != 0x80)
            return kMalformed;
        c = (c << 6) | (byte & 0x3F);
    }
    i += static_cast<size_t>(length);
    const bool overlong = (length == 2 && c < 0x800) || (length == 3 && c < 0x10000);
    if (overlong || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        i -= static_cast<size_t>(length);
        return kMalformed;
    }
    return c;
}

} // namespace

std::string utf16ToUtf8(std::string_view bytes, bool bigEndian)
{
    std::string out;
    out.reserve(bytes.size());
    auto unitAt = [&](size_t i) {
        const auto a = static_cast<unsigned char>(bytes[i]);
        const auto b = static_cast<unsigned char>(bytes[i + 1]);
        return static_cast<uint16_t>(bigEndian ? (a << 8) | b : (b << 8) | a);
    };
    size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        const uint16_t unit = unitAt(i);
        if (unit >= 0xD800 && unit < 0xDC00 && i + 3 < bytes.size()) {
            const uint16_t next = unitAt(i + 2);
            if (next >= 0xDC00 && next < 0xE000) {
                base::appendUtf8(out, 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (next - 0xDC00));
                i += 2;
                continue;
            }
        }
        base::appendUtf8(out, unit >= 0xD800 && unit < 0xE000 ? kReplacement : unit);
    }
    if (i < bytes.size())
        base::appendUtf8(out, kReplacement); // odd trailing byte
    return out;
}

std::string utf8ToUtf16(std::string_view text, bool bigEndian)
{
    std::string out;
    out.reserve(text.size() * 2);
    size_t i = 0;
    while (i < text.size()) {
        char32_t c = nextCodePoint(text, i);
        if (c == kMalformed)
            c = kReplacement;
        if (c >= 0x10000) {
            appendUnit(out, static_cast<uint16_t>(0xD800 + ((c - 0x10000) >> 10)), bigEndian);
            appendUnit(out, static_cast<uint16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)), bigEndian);
        } else {
            appendUnit(out, static_cast<uint16_t>(c), bigEndian);
        }
    }
    return out;
}

bool isValidUtf8(std::string_view text)
{
    for (size_t i = 0; i < text.size();) {
        if (nextCodePoint(text, i) == kMalformed)
            return false;
    }
    return true;
}

std::string cp1252ToUtf8(std::string_view bytes)
{
    return base::windows1252ToUtf8(bytes);
}

std::optional<std::string> utf8ToCp1252(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const std::optional<char> byte = base::codePointToWindows1252(nextCodePoint(text, i));
        if (!byte)
            return std::nullopt;
        out += *byte;
    }
    return out;
}

} // namespace pelmora::settings
