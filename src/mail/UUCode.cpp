#include "mail/UUCode.h"

#include "mail/MailErrors.h"

#include <algorithm>
#include <cctype>

namespace pelmora::mail {

namespace {

char uuChar(unsigned value)
{
    return value == 0 ? '`' : static_cast<char>(32 + value);
}

unsigned uuValue(char c)
{
    if (c == '`' || c == ' ')
        return 0;
    if (c > ' ' && c <= '_')
        return static_cast<unsigned>(c - 32);
    throw EDecodeError(msg::InvalidCharacter);
}

bool startsWithBegin(std::string_view line)
{
    if (line.size() < 5)
        return false;
    for (std::size_t i = 0; i < 5; ++i) {
        if (std::toupper(static_cast<unsigned char>(line[i])) != "BEGIN"[i])
            return false;
    }
    return true;
}

// The position after "begin", blanks, the mode and the blanks after it.
std::size_t fileNameStart(std::string_view line)
{
    std::size_t i = 5;
    while (i < line.size() && line[i] == ' ')
        ++i;
    while (i < line.size() && std::isdigit(static_cast<unsigned char>(line[i])))
        ++i;
    while (i < line.size() && line[i] == ' ')
        ++i;
    return i;
}

} // namespace

std::string UUEncodeLine(std::string_view bytes)
{
    std::size_t n = bytes.size() > 45 ? 45 : bytes.size();
    unsigned char block[45] = {};
    for (std::size_t i = 0; i < n; ++i)
        block[i] = static_cast<unsigned char>(bytes[i]);
    std::string out(1, uuChar(static_cast<unsigned>(n)));
    std::size_t chars = n == 45 ? 60 : n * 4 / 3 + 1;
    for (std::size_t i = 0; i < chars; ++i) {
        std::size_t bit = i * 6;
        unsigned word = (block[bit / 8] << 8) | (bit / 8 + 1 < 45 ? block[bit / 8 + 1] : 0);
        out += uuChar((word >> (10 - bit % 8)) & 63);
    }
    return out;
}

std::string UUDecodeLine(std::string_view text)
{
    if (text.empty())
        return {};
    std::size_t n = uuValue(text[0]);
    std::string out;
    out.reserve(n + 3);
    unsigned bits = 0;
    int count = 0;
    for (std::size_t i = 1; i < text.size() && out.size() < n; ++i) {
        bits = (bits << 6) | uuValue(text[i]);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    // Encoders that drop trailing zero characters leave the line short: the missing bytes
    // are zeros.
    out.resize(n, '\0');
    return out;
}

bool IsUUBeginLine(std::string_view line)
{
    if (!startsWithBegin(line) || line.size() <= 8)
        return false;
    std::size_t i = 5;
    while (i < line.size() && line[i] == ' ')
        ++i;
    if (i == 5 || i + 3 > line.size())
        return false;
    for (std::size_t k = i; k < i + 3; ++k) {
        if (!std::isdigit(static_cast<unsigned char>(line[k])))
            return false;
    }
    return true;
}

std::string UUBeginFileName(std::string_view line)
{
    std::string_view rest = line.substr(std::min(line.size(), fileNameStart(line)));
    if (!rest.empty() && rest.front() == '"') {
        std::size_t close = rest.find('"', 1);
        return close == std::string_view::npos ? std::string() : std::string(rest.substr(1, close - 1));
    }
    return std::string(rest.substr(0, rest.find(' ')));
}

} // namespace pelmora::mail
