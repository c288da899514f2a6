#include "net/TlsChannel.h"

#include "net/SocketErrors.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>

#include <cerrno>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>

namespace pelmora::net {

namespace {

struct ContextDeleter {
    void operator()(SSL_CTX* context) const { SSL_CTX_free(context); }
};

// Loading the trusted store costs more than a handshake, so each store is loaded once; the key
// is the store's location, which tests change through SSL_CERT_FILE.
SSL_CTX* sharedContext()
{
    static std::mutex mutex;
    static std::map<std::string, std::unique_ptr<SSL_CTX, ContextDeleter>> contexts;
    const char* file = std::getenv("SSL_CERT_FILE");
    const char* dir = std::getenv("SSL_CERT_DIR");
    std::string key = std::string(file ? file : "") + '\n' + (dir ? dir : "");
    std::lock_guard lock(mutex);
    auto& slot = contexts[key];
    if (!slot) {
        std::unique_ptr<SSL_CTX, ContextDeleter> context(SSL_CTX_new(TLS_client_method()));
        if (!context)
            throw ESocketError("TLS is not available: cannot create a TLS context");
        SSL_CTX_set_min_proto_version(context.get(), TLS1_2_VERSION);
        SSL_CTX_set_verify(context.get(), SSL_VERIFY_PEER, nullptr);
        if (SSL_CTX_set_default_verify_paths(context.get()) != 1)
            throw ESocketError("TLS is not available: cannot load the trusted certificates");
        slot = std::move(context);
    }
    return slot.get();
}

std::string openSslReason()
{
    unsigned long code = ERR_get_error();
    ERR_clear_error();
    if (code == 0)
        return "connection closed during the TLS handshake";
    char text[256];
    ERR_error_string_n(code, text, sizeof text);
    const char* reason = ERR_reason_error_string(code);
    return reason ? reason : text;
}

} // namespace

TlsChannel::TlsChannel(int fd, const std::string& hostName) : m_hostName(hostName)
{
    ERR_clear_error();
    m_ssl = SSL_new(sharedContext());
    if (!m_ssl)
        throw ESocketError("TLS is not available: " + openSslReason());
    SSL_set_fd(m_ssl, fd);
    SSL_set_mode(m_ssl, SSL_MODE_ENABLE_PARTIAL_WRITE | SSL_MODE_ACCEPT_MOVING_WRITE_BUFFER);
    // A literal address is checked against the certificate's IP entries, a name against its DNS
    // entries; only a name is sent as the server name indication.
    if (X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(m_ssl), hostName.c_str()) != 1) {
        SSL_set_tlsext_host_name(m_ssl, hostName.c_str());
        SSL_set1_host(m_ssl, hostName.c_str());
    }
}

TlsChannel::~TlsChannel()
{
    SSL_free(m_ssl);
}

TlsChannel::Want TlsChannel::failure(int result, const char* step)
{
    int error = SSL_get_error(m_ssl, result);
    if (error == SSL_ERROR_WANT_READ)
        return Want::Read;
    if (error == SSL_ERROR_WANT_WRITE)
        return Want::Write;
    if (error == SSL_ERROR_SYSCALL && errno != 0 && ERR_peek_error() == 0)
        throw ESocketError(messageText(winsockCodeFromErrno(errno)));
    long verify = SSL_get_verify_result(m_ssl);
    if (verify != X509_V_OK) {
        ERR_clear_error();
        throw ESocketError(std::string("TLS certificate of ") + m_hostName +
                           " not trusted: " + X509_verify_cert_error_string(verify));
    }
    throw ESocketError(std::string("TLS ") + step + " failed: " + openSslReason());
}

TlsChannel::Want TlsChannel::handshake()
{
    ERR_clear_error();
    errno = 0;
    int result = SSL_connect(m_ssl);
    if (result == 1)
        return Want::Nothing;
    return failure(result, "handshake");
}

long TlsChannel::read(char* buffer, std::size_t size, Want& want)
{
    ERR_clear_error();
    errno = 0;
    std::size_t done = 0;
    int result = SSL_read_ex(m_ssl, buffer, size, &done);
    if (result == 1)
        return static_cast<long>(done);
    int error = SSL_get_error(m_ssl, result);
    // Servers often close without the closing alert once they have said all; the reply is
    // complete on their side, so that end counts as an orderly one.
    if (error == SSL_ERROR_ZERO_RETURN || (error == SSL_ERROR_SYSCALL && errno == 0) ||
        (error == SSL_ERROR_SSL && ERR_GET_REASON(ERR_peek_error()) == SSL_R_UNEXPECTED_EOF_WHILE_READING)) {
        ERR_clear_error();
        return 0;
    }
    want = failure(result, "read");
    return -1;
}

long TlsChannel::write(const char* data, std::size_t size, Want& want)
{
    ERR_clear_error();
    errno = 0;
    std::size_t done = 0;
    int result = SSL_write_ex(m_ssl, data, size, &done);
    if (result == 1)
        return static_cast<long>(done);
    want = failure(result, "write");
    return -1;
}

bool TlsChannel::hasPending() const
{
    return SSL_pending(m_ssl) > 0;
}

void TlsChannel::shutdown()
{
    ERR_clear_error();
    SSL_shutdown(m_ssl);
    ERR_clear_error();
}

} // namespace pelmora::net
