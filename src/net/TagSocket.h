#pragma once

#include "net/EventPump.h"
#include "net/HostLookup.h"
#include "net/ProtocolTracer.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace pelmora::net {

class TlsChannel;

// The TCP client connection under every Internet component: each operation returns when its step
// is done, and every wait goes through the event pump, bounded by TimeOut and ended by Cancel.
class TagSocket {
public:
    using NotifyEvent = std::function<void(TagSocket& sender)>;
    using ErrorEvent = std::function<void(TagSocket& sender, std::string& msg)>;

    // Longest line accepted from a server, line end included.
    static constexpr std::size_t MaxLineLength = 64 * 1024;

    // Without a pump the socket makes its own poll()-based one.
    explicit TagSocket(EventPump* pump = nullptr);
    virtual ~TagSocket();
    TagSocket(const TagSocket&) = delete;
    TagSocket& operator=(const TagSocket&) = delete;

    // "host", "host:port", "1.2.3.4:port" or "[::1]:port".
    std::string Server;
    int TimeOut = 60; // seconds for every single wait; 0 or less: no limit
    std::uint16_t DefaultPort = 0;
    std::string ServiceName;
    std::string LocalHostName;
    std::string HostAddress;
    std::string LogFileName;
    // Implicit TLS: the handshake follows the TCP connect at once.
    bool UseTls = false;

    NotifyEvent OnOpen;
    NotifyEvent OnClosing;
    NotifyEvent OnClosed;
    NotifyEvent OnCancel;
    ErrorEvent OnError;

    void setTracer(ProtocolTracer* tracer) { m_tracer = tracer; }
    EventPump& pump() { return *m_pump; }

    virtual void ResetState();
    virtual void Open();
    void ConnectSocket();
    // Reads one line and hands it to ProcessLine without its line end. Returns false, with an
    // empty line, when the peer closed the connection before a complete line.
    bool ReadLine(std::string& line);
    void WriteLine(const std::string& text);
    // Writes a line whose transcript shows `shown` instead, so that no secret is recorded.
    void WriteSecretLine(const std::string& text, const std::string& shown);
    virtual void Close();
    // May be called from a handler inside a wait or from another thread; the wait in progress
    // ends at once with ECanceledError.
    virtual void Cancel();
    bool Connected() const { return m_fd >= 0; }
    // The port Open settled on (from Server, the service or DefaultPort).
    std::uint16_t Port() const { return m_port; }

    // Upgrades the connected socket to TLS, checking the certificate against the host of Server.
    void StartTls();
    bool TlsActive() const { return m_tls != nullptr; }

    // Block transfers of the protocol clients: buffered bytes first, then what the peer sends.
    // Returns 0 once the peer has closed the connection.
    std::size_t ReadSome(char* buffer, std::size_t size);
    void WriteBytes(std::string_view data);
    // Gives bytes back to be read again first, such as what followed the end of a reply.
    void UnreadBytes(std::string_view data);
    // Whether bytes the peer sent are waiting to be read.
    bool HasUnreadInput() const { return m_readPos < m_readBuffer.size(); }

    void StartTimer();
    void StopTimer();
    bool Canceled() const { return m_canceled; }
    bool ClosedByPeer() const { return m_closedByPeer; }

    // Raises OnError with the text, then ESocketError with the text as the handler left it.
    [[noreturn]] void SocketError(int code);
    [[noreturn]] void Fail(std::string message);
    [[noreturn]] void RaiseTimeOut();
    [[noreturn]] void RaiseCancel();

    // The transcript kept for LogFileName, saved when the socket goes.
    const std::vector<std::string>& Transcript() const { return m_transcript; }
    void AddTranscriptLine(const std::string& line);
    void SaveTranscript();

protected:
    // Judges every line that ReadLine returns; the protocol clients raise their errors here.
    virtual void ProcessLine(const std::string& line) { (void)line; }
    void TraceNote(const std::string& text);

private:
    void resolveHost(const std::string& host);
    std::uint16_t resolvePort(const std::optional<std::uint16_t>& given);
    void createSocket(int family);
    int connectTo(HostAddressEntry address);
    void handshake();
    void waitUntil(unsigned interests);
    void checkInterrupt();
    long receive(char* buffer, std::size_t size);
    void sendAll(std::string_view data);
    std::chrono::milliseconds remaining() const;
    void closeIfCanceledHere();

    std::unique_ptr<EventPump> m_ownPump;
    EventPump* m_pump;
    ProtocolTracer* m_tracer = nullptr;
    int m_fd = -1;
    std::unique_ptr<TlsChannel> m_tls;
    std::string m_host;
    std::vector<HostAddressEntry> m_addresses;
    std::uint16_t m_port = 0;
    std::string m_readBuffer;
    std::size_t m_readPos = 0;
    std::atomic<bool> m_canceled { false };
    bool m_timedOut = false;
    bool m_closedByPeer = false;
    bool m_timerRunning = false;
    std::atomic<bool> m_inWait { false };
    std::chrono::steady_clock::time_point m_deadline;
    std::thread::id m_owner;
    std::vector<std::string> m_transcript;
};

} // namespace pelmora::net
