#include "carddav/Http.h"

#include "carddav/SyncError.h"

#include <curl/curl.h>
#include <openssl/evp.h>
#include <openssl/ssl.h>
#include <openssl/x509.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <mutex>

namespace pelmora::carddav {

namespace {

std::string lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

std::string fingerprintOf(X509* certificate)
{
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (!certificate || !X509_digest(certificate, EVP_sha256(), digest, &length))
        return {};
    std::string text;
    char byte[4];
    for (unsigned int i = 0; i < length; ++i) {
        std::snprintf(byte, sizeof byte, i ? ":%02X" : "%02X", digest[i]);
        text += byte;
    }
    return text;
}

// What one request's TLS check found out, for the error message.
struct TlsCheck {
    std::string pinned; // the fingerprint the user accepted, normalised
    std::string seen; // the fingerprint of a certificate the chain check refused
};

// The chain is checked as usual; only when that fails, the server's own certificate passes if
// the user accepted exactly that one. Host names are still checked by curl afterwards.
int verifyCertificate(X509_STORE_CTX* store, void* arg)
{
    auto* check = static_cast<TlsCheck*>(arg);
    if (X509_verify_cert(store) == 1)
        return 1;
    const std::string seen = fingerprintOf(X509_STORE_CTX_get0_cert(store));
    if (!check->pinned.empty() && seen == check->pinned) {
        X509_STORE_CTX_set_error(store, X509_V_OK);
        return 1;
    }
    check->seen = seen;
    return 0;
}

CURLcode setUpContext(CURL*, void* sslContext, void* arg)
{
    SSL_CTX_set_cert_verify_callback(static_cast<SSL_CTX*>(sslContext), verifyCertificate, arg);
    return CURLE_OK;
}

size_t collectBody(char* data, size_t size, size_t count, void* out)
{
    static_cast<std::string*>(out)->append(data, size * count);
    return size * count;
}

size_t collectHeader(char* data, size_t size, size_t count, void* out)
{
    auto* response = static_cast<HttpResponse*>(out);
    std::string line(data, size * count);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    if (line.rfind("HTTP/", 0) == 0) {
        response->headers.clear(); // a new reply (after a 401 or a redirect) starts afresh
        return size * count;
    }
    const auto colon = line.find(':');
    if (colon != std::string::npos) {
        std::string value = line.substr(colon + 1);
        value.erase(0, value.find_first_not_of(" \t"));
        response->headers[lowered(line.substr(0, colon))] = value;
    }
    return size * count;
}

std::string normalisedFingerprint(const std::string& text)
{
    std::string hex;
    for (char c : text) {
        if (std::isxdigit(static_cast<unsigned char>(c)))
            hex += char(std::toupper(static_cast<unsigned char>(c)));
    }
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out += (out.empty() ? "" : ":") + hex.substr(i, 2);
    return out;
}

// Called by curl during a transfer, also while it connects or waits for an answer.
int checkStop(void* flag, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<const std::atomic<bool>*>(flag)->load() ? 1 : 0;
}

void initialiseCurl()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

} // namespace

std::string HttpResponse::header(const std::string& name) const
{
    auto it = headers.find(lowered(name));
    return it == headers.end() ? std::string() : it->second;
}

struct HttpSession::Handle {
    CURL* curl = nullptr;
    TlsCheck tls;
    // The scheme each server (by origin) asked for with its first 401. Known, it is used alone
    // from then on: Basic goes with the request itself and Digest reuses the nonce the handle
    // keeps, so a request costs one round trip instead of two (a card is not sent twice).
    std::map<std::string, long> schemes;
    ~Handle()
    {
        if (curl)
            curl_easy_cleanup(curl);
    }
};

HttpSession::HttpSession(Connection connection)
    : m_connection(std::move(connection))
    , m_handle(std::make_unique<Handle>())
{
    initialiseCurl();
    m_handle->curl = curl_easy_init();
    if (!m_handle->curl)
        throw SyncError("Cannot start the HTTP client");
    m_handle->tls.pinned = normalisedFingerprint(m_connection.trustedFingerprint);
}

HttpSession::~HttpSession() = default;

HttpResponse HttpSession::request(const std::string& method, const std::string& url, const std::string& body,
    const std::map<std::string, std::string>& headers, bool followRedirects)
{
    CURL* curl = m_handle->curl;
    HttpResponse response;
    char errorText[CURL_ERROR_SIZE] = {};
    const std::string origin = urlOrigin(url);
    // The handle is not reset between requests: that would also drop the Digest nonce and the
    // state of the scheme curl picked. Every option a request may change is set each time.
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_HTTPGET, 1L); // undoes the previous request's body or HEAD
    curl_easy_setopt(curl, CURLOPT_CUSTOMREQUEST, method.c_str());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, errorText);
    curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(curl, CURLOPT_TIMEOUT, m_connection.timeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT, m_connection.connectTimeoutSeconds);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(curl, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!m_connection.caFile.empty())
        curl_easy_setopt(curl, CURLOPT_CAINFO, m_connection.caFile.c_str());
    m_handle->tls.seen.clear();
    curl_easy_setopt(curl, CURLOPT_SSL_CTX_FUNCTION, setUpContext);
    curl_easy_setopt(curl, CURLOPT_SSL_CTX_DATA, &m_handle->tls);
    long scheme = 0;
    if (!m_connection.user.empty()) {
        const auto known = m_handle->schemes.find(origin);
        scheme = known == m_handle->schemes.end() ? 0 : known->second;
        curl_easy_setopt(curl, CURLOPT_HTTPAUTH, scheme ? scheme : long(CURLAUTH_ANY));
        curl_easy_setopt(curl, CURLOPT_USERNAME, m_connection.user.c_str());
        curl_easy_setopt(curl, CURLOPT_PASSWORD, m_connection.password.c_str());
    }
    // A redirect is followed only where the caller expects one (discovery); the password goes
    // along only to the same host.
    curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, followRedirects ? 1L : 0L);
    curl_easy_setopt(curl, CURLOPT_MAXREDIRS, 5L);
    curl_easy_setopt(curl, CURLOPT_UNRESTRICTED_AUTH, 0L);
    curl_easy_setopt(curl, CURLOPT_POSTREDIR, long(CURL_REDIR_POST_ALL));
    if (method != "GET" && method != "DELETE" && method != "HEAD") {
        curl_easy_setopt(curl, CURLOPT_POSTFIELDS, body.data());
        curl_easy_setopt(curl, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(body.size()));
    }
    if (method == "HEAD")
        curl_easy_setopt(curl, CURLOPT_NOBODY, 1L);
    curl_slist* list = nullptr;
    for (const auto& [name, value] : headers)
        list = curl_slist_append(list, (name + ": " + value).c_str());
    list = curl_slist_append(list, "Expect:");
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, list);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collectBody);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &response.body);
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, collectHeader);
    curl_easy_setopt(curl, CURLOPT_HEADERDATA, &response);
    // Set or cleared each time, as the handle keeps its options from one request to the next.
    curl_easy_setopt(curl, CURLOPT_NOPROGRESS, m_stop ? 0L : 1L);
    curl_xferinfo_callback check = m_stop ? checkStop : nullptr;
    curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, check);
    curl_easy_setopt(curl, CURLOPT_XFERINFODATA, m_stop);
    const CURLcode code = curl_easy_perform(curl);
    // Nothing the handle keeps may point into this call's memory.
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, static_cast<curl_slist*>(nullptr));
    curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, static_cast<char*>(nullptr));
    curl_easy_setopt(curl, CURLOPT_POSTFIELDS, static_cast<char*>(nullptr));
    curl_slist_free_all(list);
    // The server as messages name it: a password written into the address stays out of them.
    const std::string where = withoutUserInfo(origin);
    if (code != CURLE_OK) {
        if (code == CURLE_ABORTED_BY_CALLBACK)
            throw SyncError("The contact sync was stopped");
        if (!m_handle->tls.seen.empty())
            throw SyncError("The certificate of " + where
                    + " is not signed by an authority this computer trusts. Its SHA-256 fingerprint is "
                    + m_handle->tls.seen
                    + ". Compare it with the one the server's administrator gives, and only if they are the "
                      "same, trust it.",
                m_handle->tls.seen);
        if (code == CURLE_PEER_FAILED_VERIFICATION || code == CURLE_SSL_CACERT_BADFILE)
            throw SyncError("The certificate of " + where + " does not belong to that host name (" + errorText + ")");
        if (code == CURLE_OPERATION_TIMEDOUT)
            throw ServerTimedOut("The server " + where + " did not answer in time");
        if (code == CURLE_COULDNT_CONNECT || code == CURLE_COULDNT_RESOLVE_HOST)
            throw SyncError(
                "Cannot reach the server " + where + ": " + (errorText[0] ? errorText : curl_easy_strerror(code)));
        throw SyncError(
            "The connection to " + where + " failed: " + (errorText[0] ? errorText : curl_easy_strerror(code)));
    }
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &response.status);
    char* effective = nullptr;
    curl_easy_getinfo(curl, CURLINFO_EFFECTIVE_URL, &effective);
    // After a redirect curl may write the user name and password into this URL; it is shown and
    // stored (as the address book's URL), so they are taken out.
    response.url = withoutUserInfo(effective ? effective : url);
    if (response.status == 401) {
        m_handle->schemes.erase(origin); // the next attempt asks the server afresh
        throw SyncError("The server " + where + " refused the user name or password");
    }
    if (!m_connection.user.empty() && !scheme && urlOrigin(response.url) == origin) {
        // Only Basic and Digest are remembered: for anything else curl keeps choosing.
        long offered = 0;
        curl_easy_getinfo(curl, CURLINFO_HTTPAUTH_AVAIL, &offered);
        if (offered && !(offered & ~long(CURLAUTH_BASIC | CURLAUTH_DIGEST | CURLAUTH_DIGEST_IE)))
            m_handle->schemes[origin] = (offered & CURLAUTH_DIGEST) ? long(CURLAUTH_DIGEST) : long(CURLAUTH_BASIC);
    }
    return response;
}

void HttpSession::learnFrom(const HttpSession& other)
{
    if (&other == this)
        return;
    m_handle->schemes = other.m_handle->schemes;
    m_stop = other.m_stop;
}

std::string withoutUserInfo(const std::string& url)
{
    const auto scheme = url.find("://");
    if (scheme == std::string::npos)
        return url;
    const auto authority = scheme + 3;
    const auto end = url.find_first_of("/?#", authority);
    const auto at = url.rfind('@', end == std::string::npos ? url.size() : end);
    if (at == std::string::npos || at < authority)
        return url;
    return url.substr(0, authority) + url.substr(at + 1);
}

std::string urlOrigin(const std::string& url)
{
    const auto scheme = url.find("://");
    if (scheme == std::string::npos)
        return url;
    const auto path = url.find('/', scheme + 3);
    return path == std::string::npos ? url : url.substr(0, path);
}

std::string resolveUrl(const std::string& base, const std::string& reference)
{
    if (reference.find("://") != std::string::npos)
        return reference;
    if (!reference.empty() && reference[0] == '/')
        return urlOrigin(base) + reference;
    std::string directory = base.substr(0, base.find_first_of("?#"));
    const auto slash = directory.rfind('/');
    if (slash != std::string::npos && slash >= urlOrigin(base).size())
        directory.erase(slash + 1);
    else
        directory += '/';
    return directory + reference;
}

} // namespace pelmora::carddav
