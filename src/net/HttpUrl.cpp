#include "net/HttpUrl.h"

#include "net/SocketErrors.h"

#include <algorithm>
#include <cctype>

namespace pelmora::net {

namespace {

bool startsWithNoCase(const std::string& text, std::string_view prefix)
{
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(),
                      [](char wanted, char given) { return std::tolower(static_cast<unsigned char>(given)) == wanted; });
}

bool hasControlOrSpace(const std::string& text)
{
    return std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) <= ' '; });
}

} // namespace

HttpUrl HttpUrl::parse(const std::string& text)
{
    HttpUrl url;
    url.text = text;
    std::string rest;
    if (startsWithNoCase(text, "http://"))
        rest = text.substr(7);
    else if (startsWithNoCase(text, "https://"))
        rest = text.substr(8), url.secure = true;
    // A line end or blank inside the URL would let it write extra request lines.
    if (rest.empty() || text.size() > MaxLength || hasControlOrSpace(text))
        throw ESocketError(messageText(msgInvalidUrl));
    auto slash = rest.find('/');
    url.server = rest.substr(0, slash);
    url.path = slash == std::string::npos ? "/" : rest.substr(slash);
    auto hash = url.path.find('#');
    if (hash != std::string::npos)
        url.path.erase(hash);
    if (url.server.empty() || url.server.find('@') != std::string::npos || url.server.find('?') != std::string::npos)
        throw ESocketError(messageText(msgInvalidUrl));
    std::string pathOnly = url.path.substr(0, url.path.find('?'));
    if (pathOnly.find('.') != std::string::npos) {
        std::string last = pathOnly.substr(pathOnly.rfind('/') + 1);
        url.document = last.empty() ? "index.html" : last;
    }
    return url;
}

std::string HttpUrl::resolve(const std::string& location) const
{
    if (startsWithNoCase(location, "http://") || startsWithNoCase(location, "https://"))
        return location;
    std::string origin = (secure ? "https://" : "http://") + server;
    if (location.rfind("//", 0) == 0)
        return (secure ? "https:" : "http:") + location;
    if (!location.empty() && location.front() == '/')
        return origin + location;
    std::string base = path.substr(0, path.find('?'));
    return origin + base.substr(0, base.rfind('/') + 1) + location;
}

} // namespace pelmora::net
