#include "exchange/DesktopLinks.h"

#include "base/Hex.h"

namespace pelmora::exchange {

namespace {

bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
        if (c != prefix[i])
            return false;
    }
    return true;
}

std::string lower(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = char(c - 'A' + 'a');
    }
    return text;
}

// A header line may not hold a line break or another control character: one decoded from the
// link would otherwise start a header of its own in the message.
bool isOneLine(const std::string& text)
{
    for (unsigned char c : text) {
        if (c < 0x20 || c == 0x7f)
            return false;
    }
    return true;
}

// The addresses of a comma-separated list, each decoded and trimmed; false for a broken one.
bool addAddresses(std::string_view list, std::vector<std::string>& out)
{
    const auto decoded = percentDecode(list);
    if (!decoded)
        return false;
    size_t start = 0;
    while (start <= decoded->size()) {
        size_t end = decoded->find(',', start);
        if (end == std::string::npos)
            end = decoded->size();
        std::string address = decoded->substr(start, end - start);
        const auto first = address.find_first_not_of(' ');
        const auto last = address.find_last_not_of(' ');
        address = first == std::string::npos ? std::string() : address.substr(first, last - first + 1);
        if (!isOneLine(address))
            return false;
        if (!address.empty())
            out.push_back(std::move(address));
        start = end + 1;
    }
    return true;
}

// Line breaks of a body come as %0D%0A; the windows want plain line ends.
std::string plainLineEnds(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace

bool isDesktopLink(std::string_view word)
{
    return startsWithNoCase(word, "mailto:") || startsWithNoCase(word, "tel:");
}

std::optional<std::string> percentDecode(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '%') {
            out += text[i];
            continue;
        }
        if (i + 2 >= text.size())
            return std::nullopt;
        const int high = base::hexDigitValue(text[i + 1]), low = base::hexDigitValue(text[i + 2]);
        if (high < 0 || low < 0)
            return std::nullopt;
        out += char(high * 16 + low);
        i += 2;
    }
    return out;
}

std::optional<MailtoLink> parseMailto(std::string_view uri)
{
    if (!startsWithNoCase(uri, "mailto:"))
        return std::nullopt;
    uri.remove_prefix(7);
    // A fragment is not part of the message.
    if (const auto hash = uri.find('#'); hash != std::string_view::npos)
        uri = uri.substr(0, hash);
    MailtoLink link;
    const auto question = uri.find('?');
    if (!addAddresses(uri.substr(0, question), link.to))
        return std::nullopt;
    if (question == std::string_view::npos)
        return link;
    std::string_view query = uri.substr(question + 1);
    while (!query.empty()) {
        const auto amp = query.find('&');
        const std::string_view field = query.substr(0, amp);
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
        const auto equals = field.find('=');
        const auto name = percentDecode(field.substr(0, equals));
        if (!name)
            return std::nullopt;
        const std::string_view value = equals == std::string_view::npos ? std::string_view() : field.substr(equals + 1);
        const std::string key = lower(*name);
        if (key == "to" || key == "cc" || key == "bcc") {
            if (!addAddresses(value, key == "to" ? link.to : key == "cc" ? link.cc : link.bcc))
                return std::nullopt;
        } else if (key == "subject" || key == "body") {
            const auto decoded = percentDecode(value);
            if (!decoded)
                return std::nullopt;
            if (key == "body") {
                link.body += (link.body.empty() || decoded->empty() ? "" : "\n") + plainLineEnds(*decoded);
            } else {
                if (!isOneLine(*decoded))
                    return std::nullopt;
                link.subject = *decoded;
            }
        }
    }
    return link;
}

std::optional<TelLink> parseTel(std::string_view uri)
{
    if (!startsWithNoCase(uri, "tel:"))
        return std::nullopt;
    uri.remove_prefix(4);
    const auto semicolon = uri.find(';');
    const auto number = percentDecode(uri.substr(0, semicolon));
    if (!number || !isOneLine(*number))
        return std::nullopt;
    TelLink link;
    // Only what dialing understands is kept of the number: digits, a leading +, and the
    // separators people write between groups.
    for (char c : *number) {
        if ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == ' ' || c == '(' || c == ')' || c == '*'
            || c == '#')
            link.number += c;
        else
            return std::nullopt;
    }
    if (link.number.find_first_of("0123456789") == std::string::npos)
        return std::nullopt;
    std::string_view params = semicolon == std::string_view::npos ? std::string_view() : uri.substr(semicolon + 1);
    while (!params.empty()) {
        const auto next = params.find(';');
        const std::string_view param = params.substr(0, next);
        params = next == std::string_view::npos ? std::string_view() : params.substr(next + 1);
        if (startsWithNoCase(param, "ext=")) {
            const auto ext = percentDecode(param.substr(4));
            if (ext && isOneLine(*ext))
                link.extension = *ext;
        }
    }
    return link;
}

} // namespace pelmora::exchange
