#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace pelmora::carddav {

// Where and how to reach an address-book server. The password lives only here and in the
// settings file; nothing that logs or reports errors ever sees it.
struct Connection {
    std::string user;
    std::string password;
    std::string caFile; // extra certificates to trust besides the system's; empty: the system's only
    std::string trustedFingerprint; // SHA-256 of a certificate the user accepted, "AB:CD:..."
    long timeoutSeconds = 60;
    long connectTimeoutSeconds = 15;
};

struct HttpResponse {
    long status = 0;
    std::map<std::string, std::string> headers; // names in lower case; the last of a repeated one
    std::string body;
    std::string url; // where the reply came from, after redirects
    std::string header(const std::string& name) const;
};

// One keep-alive HTTP(S) session: certificates and host names are checked, Basic or Digest
// authentication as the server asks, and every request ends within the time-outs.
// Transport failures throw SyncError with a message for the user; any HTTP status is returned.
class HttpSession {
public:
    explicit HttpSession(Connection connection);
    ~HttpSession();
    HttpSession(const HttpSession&) = delete;
    HttpSession& operator=(const HttpSession&) = delete;

    HttpResponse request(const std::string& method, const std::string& url, const std::string& body = {},
        const std::map<std::string, std::string>& headers = {}, bool followRedirects = false);

    const Connection& connection() const { return m_connection; }
    // The limit for the requests from now on.
    void setTimeout(long seconds) { m_connection.timeoutSeconds = seconds; }
    // Takes over the authentication schemes `other` learned, so a session opened beside it
    // does not make every server ask again, and its stop flag.
    void learnFrom(const HttpSession& other);
    // A flag another thread may raise to cut the request in flight short (it then throws
    // SyncError); nullptr for none. The flag must outlive the session's requests.
    void setStopFlag(const std::atomic<bool>* flag) { m_stop = flag; }

private:
    struct Handle;
    Connection m_connection;
    std::unique_ptr<Handle> m_handle;
    const std::atomic<bool>* m_stop = nullptr;
};

// A URL made absolute against the one it was found in ("/a/b" or "b" against "https://h:1/x/").
std::string resolveUrl(const std::string& base, const std::string& reference);
// A URL without the "user:password@" part it may carry.
std::string withoutUserInfo(const std::string& url);
// "https://host:port" of a URL.
std::string urlOrigin(const std::string& url);

} // namespace pelmora::carddav
