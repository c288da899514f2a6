#include "base/Charset.h"

#include "base/Windows1252.h"

#include <iconv.h>

#include <cctype>
#include <cerrno>
#include <memory>
#include <utility>

namespace pelmora::base {

namespace {

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

std::string charsetName(std::string_view charset)
{
    std::string name;
    for (char c : charset) {
        if (c != '"' && c != ' ' && c != '\'')
            name += static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return name;
}

std::optional<std::string> charsetToUtf8(std::string_view bytes, std::string_view charset)
{
    const std::string name = superset(charsetName(charset));
    if (name == "windows-1252" || name == "cp1252")
        return windows1252ToUtf8(bytes);
    std::string out;
    if (!convertWithIconv(bytes, name, out))
        return std::nullopt;
    return out;
}

bool isKnownCharset(std::string_view charset)
{
    const std::string name = superset(charsetName(charset));
    if (name.empty())
        return false;
    iconv_t cd = iconv_open("UTF-8", name.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return false;
    iconv_close(cd);
    return true;
}

} // namespace pelmora::base
