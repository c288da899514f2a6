#include "net/TagSocket.h"

#include "net/ServerAddress.h"
#include "net/SocketErrors.h"
#include "net/TlsChannel.h"

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <mutex>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <unistd.h>

namespace pelmora::net {

namespace {

// A peer that goes away while TLS writes would otherwise end the process with SIGPIPE; the
// write's error is what the caller needs to see.
void ignoreBrokenPipes()
{
    static std::once_flag once;
    std::call_once(once, [] { std::signal(SIGPIPE, SIG_IGN); });
}

void setPort(HostAddressEntry& entry, std::uint16_t port)
{
    if (entry.family == AF_INET6)
        reinterpret_cast<sockaddr_in6*>(&entry.address)->sin6_port = htons(port);
    else
        reinterpret_cast<sockaddr_in*>(&entry.address)->sin_port = htons(port);
}

} // namespace

TagSocket::TagSocket(EventPump* pump)
    : m_pump(pump)
    , m_owner(std::this_thread::get_id())
{
    ignoreBrokenPipes();
    if (!m_pump) {
        m_ownPump = makePollEventPump();
        m_pump = m_ownPump.get();
    }
}

TagSocket::~TagSocket()
{
    // No events from here: their handlers may belong to objects already gone.
    m_tls.reset();
    if (m_fd >= 0)
        ::close(m_fd);
    try {
        SaveTranscript();
    } catch (...) {
        // A transcript that cannot be written must not take the program down with it.
    }
}

void TagSocket::ResetState()
{
    m_canceled = false;
    m_timedOut = false;
    m_closedByPeer = false;
    m_readBuffer.clear();
    m_readPos = 0;
}

void TagSocket::Open()
{
    // A socket still open from an earlier session would otherwise be overwritten and leak.
    if (Connected())
        Close();
    if (OnOpen)
        OnOpen(*this);
    if (Server.empty())
        Fail(messageText(msgServerRequired));
    ServerAddress server = ServerAddress::parse(Server);
    m_host = server.host;
    char name[512] = {};
    LocalHostName = ::gethostname(name, sizeof name - 1) == 0 && name[0] ? name : m_host;
    resolveHost(m_host);
    m_port = resolvePort(server.port);
    createSocket(m_addresses.front().family);
}

void TagSocket::resolveHost(const std::string& host)
{
    m_addresses = HostLookup::literal(host);
    if (m_addresses.empty()) {
        EventPump* pump = m_pump;
        HostLookup lookup(host, [pump] { pump->wake(); });
        StartTimer();
        while (!lookup.finished()) {
            checkInterrupt();
            m_inWait = true;
            m_pump->sleepFor(remaining());
            m_inWait = false;
        }
        StopTimer();
        try {
            m_addresses = lookup.result();
        } catch (const ESocketError& error) {
            Fail(error.what());
        }
    }
    HostAddress = m_addresses.front().text;
}

std::uint16_t TagSocket::resolvePort(const std::optional<std::uint16_t>& given)
{
    if (given)
        return *given;
    if (ServiceName.empty())
        Fail(messageText(msgServiceNameRequired));
    if (m_canceled)
        RaiseCancel();
    // The services database is a local file, so this look-up does not wait on the network.
    servent entry {};
    servent* found = nullptr;
    char buffer[1024];
    if (::getservbyname_r(ServiceName.c_str(), "tcp", &entry, buffer, sizeof buffer, &found) == 0 && found)
        return ntohs(static_cast<std::uint16_t>(found->s_port));
    return DefaultPort;
}

void TagSocket::createSocket(int family)
{
    m_fd = ::socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_fd < 0)
        SocketError(winsockCodeFromErrno(errno));
    int one = 1;
    ::setsockopt(m_fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
}

void TagSocket::ConnectSocket()
{
    if (m_canceled)
        RaiseCancel();
    if (!Connected())
        SocketError(10057);
    StartTimer();
    int error = 0;
    for (std::size_t i = 0; i < m_addresses.size(); ++i) {
        if (i > 0) {
            ::close(m_fd);
            m_fd = -1;
            createSocket(m_addresses[i].family);
        }
        error = connectTo(m_addresses[i]);
        if (error == 0)
            break;
    }
    StopTimer();
    // A refused or unreachable address fails at once, with its own error, instead of after the
    // whole time-out. A socket that never connected cannot carry a good-bye, so it is closed
    // here rather than left for a clean-up that would only add a second error.
    if (error != 0) {
        Close();
        SocketError(winsockCodeFromErrno(error));
    }
    if (UseTls)
        StartTls();
}

int TagSocket::connectTo(HostAddressEntry address)
{
    setPort(address, m_port);
    if (::connect(m_fd, reinterpret_cast<const sockaddr*>(&address.address), address.length) == 0)
        return 0;
    if (errno != EINPROGRESS && errno != EINTR)
        return errno;
    waitUntil(EventPump::Writable);
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(m_fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
        return errno;
    return error;
}

void TagSocket::StartTls()
{
    if (!Connected())
        SocketError(10057);
    // Text that came before the handshake was not protected by it; read afterwards it would pass
    // for the encrypted server's answer, so whoever sits on the line could write the replies.
    if (HasUnreadInput())
        Fail("The server sent more text before the TLS handshake");
    StartTimer();
    try {
        m_tls = std::make_unique<TlsChannel>(m_fd, m_host);
        for (;;) {
            TlsChannel::Want want = m_tls->handshake();
            if (want == TlsChannel::Want::Nothing)
                break;
            waitUntil(want == TlsChannel::Want::Read ? EventPump::Readable : EventPump::Writable);
        }
    } catch (const ESocketError& error) {
        m_tls.reset();
        Fail(error.what());
    }
    StopTimer();
}

void TagSocket::Close()
{
    m_readBuffer.clear();
    m_readPos = 0;
    if (m_fd < 0)
        return;
    if (OnClosing)
        OnClosing(*this);
    if (m_tls) {
        m_tls->shutdown();
        m_tls.reset();
    }
    ::close(m_fd);
    m_fd = -1;
    if (OnClosed)
        OnClosed(*this);
}

void TagSocket::Cancel()
{
    m_canceled = true;
    if (OnCancel)
        OnCancel(*this);
    m_pump->wake();
    // From inside a wait, or from another thread, the waiting operation closes the socket when it
    // sees the flag; closing it under that wait's feet would pull the descriptor away from poll().
    if (std::this_thread::get_id() == m_owner && !m_inWait)
        Close();
}

void TagSocket::StartTimer()
{
    m_timerRunning = true;
    m_deadline = std::chrono::steady_clock::now() + std::chrono::seconds(TimeOut > 0 ? TimeOut : 0);
}

void TagSocket::StopTimer()
{
    m_timerRunning = false;
}

std::chrono::milliseconds TagSocket::remaining() const
{
    if (!m_timerRunning || TimeOut <= 0)
        return std::chrono::milliseconds(-1);
    auto left = std::chrono::ceil<std::chrono::milliseconds>(m_deadline - std::chrono::steady_clock::now());
    return std::max(left, std::chrono::milliseconds(0));
}

void TagSocket::checkInterrupt()
{
    if (m_canceled)
        RaiseCancel();
    if (m_timerRunning && TimeOut > 0 && std::chrono::steady_clock::now() >= m_deadline)
        RaiseTimeOut();
}

void TagSocket::waitUntil(unsigned interests)
{
    for (;;) {
        checkInterrupt();
        m_inWait = true;
        EventPump::Outcome outcome = EventPump::Outcome::Woken;
        try {
            outcome = m_pump->waitFor(m_fd, interests, remaining());
        } catch (...) {
            m_inWait = false;
            throw;
        }
        m_inWait = false;
        if (outcome == EventPump::Outcome::Ready) {
            checkInterrupt();
            return;
        }
    }
}

} // namespace pelmora::net
