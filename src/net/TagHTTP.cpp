#include "net/TagHTTP.h"

#include "net/SocketErrors.h"

#include <algorithm>
#include <cctype>

namespace pelmora::net {

namespace {

bool isRedirect(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

std::string lower(std::string text)
{
    std::transform(
        text.begin(), text.end(), text.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

} // namespace

TagHTTP::TagHTTP(EventPump* pump)
    : TagSocket(pump)
{
    DefaultPort = 80;
    ServiceName = "http";
}

void TagHTTP::setURL(const std::string& url)
{
    try {
        m_url = HttpUrl::parse(url);
    } catch (const ESocketError& error) {
        Fail(error.what());
    }
    applyServer();
}

void TagHTTP::setProxy(const std::string& proxy)
{
    if (proxy.find(':') == std::string::npos)
        Fail(messageText(msgProxyPortRequired));
    m_proxy = proxy;
    applyServer();
}

void TagHTTP::applyServer()
{
    // A proxy speaks plain http to us whatever the page's scheme; https through one would need
    // CONNECT, which nothing here uses.
    Server = m_proxy.empty() ? m_url.server : m_proxy;
    UseTls = m_proxy.empty() && m_url.secure;
    ServiceName = UseTls ? "https" : "http";
    DefaultPort = UseTls ? 443 : 80;
}

void TagHTTP::Get()
{
    if (m_url.text.empty())
        Fail(messageText(msgInvalidUrl));
    for (int redirects = 0;; ++redirects) {
        fetchOnce();
        std::string location = headerValue("location");
        if (!isRedirect(m_status) || location.empty())
            break;
        if (redirects == MaxRedirects)
            Fail("Too many redirects (more than " + std::to_string(MaxRedirects) + ")");
        setURL(m_url.resolve(location));
    }
    // An error page is no copy of the page asked for; saving it as one would hide the failure.
    if (m_status < 200 || m_status > 299)
        Fail("The server answered \"" + m_headers.front() + "\"");
}

void TagHTTP::fetchOnce()
{
    ResetState();
    try {
        Open();
        ConnectSocket();
        sendRequest();
        readHeaders();
        readBody();
    } catch (...) {
        Close();
        throw;
    }
    Close();
}

void TagHTTP::sendRequest()
{
    if (OnSending)
        OnSending(*this);
    std::string target = m_proxy.empty() ? m_url.path : m_url.text;
    WriteLine("GET " + (target.empty() ? std::string("/") : target) + " HTTP/1.1");
    WriteLine("Host: " + m_url.server);
    WriteLine("Accept: */*");
    // Without it a server keeps the connection open after the reply and the read waits for the
    // time-out.
    WriteLine("Connection: close");
    WriteLine("");
}

void TagHTTP::readHeaders()
{
    m_headers.clear();
    m_status = 0;
    std::string line;
    while (ReadLine(line)) {
        m_headers.push_back(line);
        if (line.empty())
            break;
        if (m_headers.size() > MaxHeaderLines)
            Fail("The reply has more than " + std::to_string(MaxHeaderLines) + " header lines");
    }
    if (m_headers.empty() || m_headers.front().rfind("HTTP/", 0) != 0)
        Fail("The server sent no HTTP reply");
    const std::string& status = m_headers.front();
    auto blank = status.find(' ');
    if (blank != std::string::npos && blank + 4 <= status.size()
        && std::all_of(status.begin() + static_cast<long>(blank) + 1, status.begin() + static_cast<long>(blank) + 4,
            [](unsigned char c) { return std::isdigit(c); }))
        m_status = std::stoi(status.substr(blank + 1, 3));
    else
        Fail("The server sent no HTTP reply");
}

std::string TagHTTP::headerValue(const std::string& name) const
{
    for (std::size_t i = 1; i < m_headers.size(); ++i) {
        const std::string& line = m_headers[i];
        auto colon = line.find(':');
        if (colon == std::string::npos || lower(line.substr(0, colon)) != name)
            continue;
        std::size_t start = line.find_first_not_of(" \t", colon + 1);
        std::size_t end = line.find_last_not_of(" \t");
        return start == std::string::npos ? std::string() : line.substr(start, end + 1 - start);
    }
    return {};
}

} // namespace pelmora::net
