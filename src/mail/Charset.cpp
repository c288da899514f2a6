#include "mail/Charset.h"

#include "base/Windows1252.h"

#include <iconv.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <memory>

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

std::string normalized(std::string_view charset)
{
    std::string name;
    for (char c : charset) {
        if (c != '"' && c != ' ' && c != '\'')
            name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return name;
}

struct IconvCloser {
    void operator()(void* cd) const { iconv_close(static_cast<iconv_t>(cd)); }
};

// Converts with iconv; bytes the charset does not define are read as Windows-1252.
bool convertWithIconv(std::string_view bytes, const std::string& charset, std::string& out)
{
    iconv_t cd = iconv_open("UTF-8", charset.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    std::unique_ptr<void, IconvCloser> guard(cd);
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    std::string buffer(bytes.size() * 4 + 16, '\0');
    while (inLeft > 0) {
        char* outPtr = buffer.data();
        std::size_t outLeft = buffer.size();
        std::size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer.data(), buffer.size() - outLeft);
        if (rc != static_cast<std::size_t>(-1))
            break;
        if (errno == E2BIG)
            continue;
        // An invalid or truncated sequence: keep the byte and go on after it.
        base::appendWindows1252(out, static_cast<unsigned char>(*in));
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return true;
}

// Mailers label text with the old standard name while writing the vendor's larger character
// set (GBK under "gb2312", Windows-1252 quotes under "iso-8859-1"); each label is read through
// the superset that holds it, so such text is not garbled.
std::string superset(const std::string& name)
{
    static const std::pair<const char*, const char*> supersets[] = {
        { "gb2312", "GB18030" },
        { "gb_2312-80", "GB18030" },
        { "euc-cn", "GB18030" },
        { "x-euc-cn", "GB18030" },
        { "csgb2312", "GB18030" },
        { "gbk", "GB18030" },
        { "x-gbk", "GB18030" },
        { "cp936", "GB18030" },
        { "iso-8859-1", "windows-1252" },
        { "iso8859-1", "windows-1252" },
        { "iso_8859-1", "windows-1252" },
        { "latin1", "windows-1252" },
        { "l1", "windows-1252" },
        { "ks_c_5601-1987", "CP949" },
        { "ks_c_5601", "CP949" },
        { "ksc5601", "CP949" },
        { "euc-kr", "CP949" },
        { "x-euc-kr", "CP949" },
        { "korean", "CP949" },
        { "shift_jis", "CP932" },
        { "shift-jis", "CP932" },
        { "x-sjis", "CP932" },
        { "sjis", "CP932" },
        { "ms_kanji", "CP932" },
        { "csshiftjis", "CP932" },
    };
    for (const auto& [label, wider] : supersets) {
        if (name == label)
            return wider;
    }
    return name;
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
    std::string name = normalized(charset);
    if (isAscii(bytes) && !usesAsciiBytesForOthers(name))
        return std::string(bytes);
    // Text labelled as ASCII (or not labelled) that is valid UTF-8 is taken as UTF-8: a
    // common mislabelling, and 8-bit text that happens to be valid UTF-8 is rare.
    if (name.empty() || name == "utf-8" || name == "utf8" || name == "us-ascii" || name == "ascii"
        || name == "unknown-8bit" || name == "x-unknown")
        return repairUtf8(bytes);
    name = superset(name);
    std::string out;
    if (name == "windows-1252" || name == "cp1252" || !convertWithIconv(bytes, name, out)) {
        out = base::windows1252ToUtf8(bytes);
    }
    return out;
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
