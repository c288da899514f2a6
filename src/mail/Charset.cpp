#include "mail/Charset.h"

#include "base/Charset.h"
#include "base/Windows1252.h"

#include <algorithm>

namespace pelmora::mail {

namespace {

// The length of the valid UTF-8 sequence at `p`, or 0 when there is none.
std::size_t utf8Length(const unsigned char* p, const unsigned char* end)
{
    unsigned char c = *p;
    std::size_t n = c < 0x80      ? 1
        : (c >= 0xC2 && c < 0xE0) ? 2
        : (c >= 0xE0 && c < 0xF0) ? 3
        : (c >= 0xF0 && c < 0xF5) ? 4
                                  : 0;
    if (n == 0 || static_cast<std::size_t>(end - p) < n)
        return 0;
    for (std::size_t i = 1; i < n; ++i) {
        if ((p[i] & 0xC0) != 0x80)
            return 0;
    }
    // Overlong forms and surrogates.
    if ((c == 0xE0 && p[1] < 0xA0) || (c == 0xED && p[1] >= 0xA0) || (c == 0xF0 && p[1] < 0x90)
        || (c == 0xF4 && p[1] >= 0x90))
        return 0;
    return n;
}

// UTF-8 kept as it is; every byte that is not part of valid UTF-8 read as Windows-1252.
std::string repairUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        std::size_t n = utf8Length(p, end);
        if (n == 0) {
            base::appendWindows1252(out, *p++);
        } else {
            out.append(reinterpret_cast<const char*>(p), n);
            p += n;
        }
    }
    return out;
}

} // namespace

bool isAscii(std::string_view text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

bool isValidUtf8(std::string_view text)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        std::size_t n = utf8Length(p, end);
        if (n == 0)
            return false;
        p += n;
    }
    return true;
}

// Charsets that write other characters with ASCII bytes (UTF-7, ISO-2022-JP, ...).
static bool usesAsciiBytesForOthers(const std::string& name)
{
    return name.rfind("utf-7", 0) == 0 || name.rfind("utf7", 0) == 0 || name.rfind("iso-2022", 0) == 0
        || name.rfind("utf-16", 0) == 0 || name.rfind("utf-32", 0) == 0 || name == "hz-gb-2312";
}

std::string toUtf8(std::string_view bytes, std::string_view charset)
{
    const std::string name = base::charsetName(charset);
    if (isAscii(bytes) && !usesAsciiBytesForOthers(name))
        return std::string(bytes);
    // Text labelled as ASCII (or not labelled) that is valid UTF-8 is taken as UTF-8: a
    // common mislabelling, and 8-bit text that happens to be valid UTF-8 is rare.
    if (name.empty() || name == "utf-8" || name == "utf8" || name == "us-ascii" || name == "ascii"
        || name == "unknown-8bit" || name == "x-unknown")
        return repairUtf8(bytes);
    std::optional<std::string> out = base::charsetToUtf8(bytes, name);
    return out ? std::move(*out) : base::windows1252ToUtf8(bytes);
}

std::optional<std::string> utf8ToLatin1(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
    const auto* end = p + utf8.size();
    while (p < end) {
        if (*p < 0x80) {
            out += static_cast<char>(*p++);
        } else if ((*p == 0xC2 || *p == 0xC3) && p + 1 < end && (p[1] & 0xC0) == 0x80) {
            out += static_cast<char>(((*p & 0x03) << 6) | (p[1] & 0x3F));
            p += 2;
        } else {
            return std::nullopt;
        }
    }
    return out;
}

} // namespace pelmora::mail
