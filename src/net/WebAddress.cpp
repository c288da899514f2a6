#include "net/WebAddress.h"

#include <cctype>

namespace pelmora::net {

namespace {

std::string trimmed(const std::string& text)
{
    const size_t begin = text.find_first_not_of(" \t\r\n\f\v");
    if (begin == std::string::npos)
        return {};
    return text.substr(begin, text.find_last_not_of(" \t\r\n\f\v") - begin + 1);
}

// The scheme of `text` in lower case, or "" when it has none. "host:8080/path" names a port, not
// a scheme, and so does a dotted host before the colon.
std::string schemeOf(const std::string& text)
{
    const size_t colon = text.find(':');
    if (colon == std::string::npos || colon == 0 || !std::isalpha(static_cast<unsigned char>(text[0])))
        return {};
    std::string scheme;
    for (size_t i = 0; i < colon; ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c == '/' || c == '?' || c == '#')
            return {}; // the colon sits in a path or query
        if (!std::isalnum(c) && c != '+' && c != '-' && c != '.')
            return "?"; // not a scheme, nor a host: refused
        scheme += static_cast<char>(std::tolower(c));
    }
    size_t digits = colon + 1;
    while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits])))
        ++digits;
    const bool port = digits > colon + 1 && (digits == text.size() || text[digits] == '/');
    if (port || scheme.find('.') != std::string::npos)
        return {};
    return scheme;
}

} // namespace

std::optional<std::string> browsableAddress(const std::string& text)
{
    const std::string address = trimmed(text);
    if (address.empty())
        return std::nullopt;
    const std::string scheme = schemeOf(address);
    if (scheme.empty()) {
        // "//host/path" is already without a scheme; a path of the local disk is not an address.
        if (address.front() == '/' || address.front() == '\\' || address.front() == '~')
            return std::nullopt;
        return "http://" + address;
    }
    if (scheme == "http" || scheme == "https" || scheme == "ftp")
        return address;
    return std::nullopt;
}

} // namespace pelmora::net
