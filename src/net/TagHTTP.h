#pragma once

#include "net/HttpUrl.h"
#include "net/TagSocket.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pelmora::net {

// Fetches one page with a GET over http or https and keeps the reply's header lines and body.
class TagHTTP : public TagSocket {
public:
    using ReceivingEvent = std::function<void(TagHTTP& sender, std::uint64_t bytes)>;
    static constexpr int MaxRedirects = 5;
    // Limits that keep a misbehaving server from filling the memory.
    static constexpr std::size_t MaxHeaderLines = 1000;
    static constexpr std::uint64_t MaxBodySize = 256ull * 1024 * 1024;

    explicit TagHTTP(EventPump* pump = nullptr);

    // Throws "Invalid URL" (after OnError) for anything but an http:// or https:// URL.
    void setURL(const std::string& url);
    const std::string& URL() const { return m_url.text; }
    // "host:port" of a proxy; without a port: "Proxy port is required".
    void setProxy(const std::string& proxy);
    const std::string& Proxy() const { return m_proxy; }
    const std::string& DocumentName() const { return m_url.document; }
    const std::string& DocumentPath() const { return m_url.path; }

    // One request and its reply, following up to five redirects; the socket is closed after it.
    // A final status outside 2xx fails with the status line (Headers and Body keep the reply).
    void Get();

    // The final reply's status line, header lines and the empty line that ends them.
    const std::vector<std::string>& Headers() const { return m_headers; }
    const std::string& Body() const { return m_body; }
    int StatusCode() const { return m_status; }

    NotifyEvent OnSending;
    ReceivingEvent OnReceiving;

private:
    void fetchOnce();
    void applyServer();
    void sendRequest();
    void readHeaders();
    std::string headerValue(const std::string& name) const;
    void readBody();
    void readLengthBody(std::uint64_t length);
    void readChunkedBody();
    void readUntilClosed();
    void append(const char* data, std::size_t size);

    HttpUrl m_url;
    std::string m_proxy;
    std::vector<std::string> m_headers;
    std::string m_body;
    int m_status = 0;
};

} // namespace pelmora::net
