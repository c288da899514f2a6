#pragma once

#include <cstddef>
#include <string>

struct ssl_st;

namespace pelmora::net {

// One TLS session over a connected non-blocking socket. It never waits itself: each call
// either makes progress or says what the descriptor must become before it is tried again, so
// that the socket's waits (time-out, cancel, the host's events) stay in one place.
class TlsChannel {
public:
    enum class Want { Nothing, Read, Write };

    // Prepares a client session on `fd` that checks the server's certificate against the
    // system's trusted store (which honours SSL_CERT_FILE and SSL_CERT_DIR) and `hostName`.
    TlsChannel(int fd, const std::string& hostName);
    ~TlsChannel();
    TlsChannel(const TlsChannel&) = delete;
    TlsChannel& operator=(const TlsChannel&) = delete;

    // One handshake step: Want::Nothing when the session is established. A failure is thrown
    // as ESocketError naming the reason (such as the certificate check that failed).
    Want handshake();

    // Bytes read (0 at the peer's orderly end), or -1 with `want` set.
    long read(char* buffer, std::size_t size, Want& want);
    // Bytes written, or -1 with `want` set.
    long write(const char* data, std::size_t size, Want& want);

    // Bytes already decrypted and waiting inside the session, which a poll() cannot see.
    bool hasPending() const;

    // Sends the closing alert without waiting for the peer's.
    void shutdown();

private:
    Want failure(int result, const char* step);

    ssl_st* m_ssl = nullptr;
    std::string m_hostName;
};

} // namespace pelmora::net
