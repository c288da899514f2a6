#include "ScriptedPeer.h"

#include <arpa/inet.h>
#include <cerrno>
#include <chrono>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace pelmora::test {

namespace {

constexpr int PeerWaitMs = 10000;

int listenOnLoopback(std::uint16_t& port)
{
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int one = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(fd, 64) != 0)
        throw std::runtime_error("scripted peer cannot listen");
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    port = ntohs(address.sin_port);
    return fd;
}

} // namespace

PeerConnection::~PeerConnection()
{
    close();
}

void PeerConnection::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_closed = true;
}

bool PeerConnection::fill()
{
    if (m_fd < 0)
        return false;
    pollfd item { m_fd, POLLIN, 0 };
    if (::poll(&item, 1, PeerWaitMs) <= 0)
        return false;
    char block[16384];
    ssize_t count = ::recv(m_fd, block, sizeof block, 0);
    if (count <= 0) {
        m_closed = true;
        return false;
    }
    m_buffer.append(block, static_cast<std::size_t>(count));
    return true;
}

std::string PeerConnection::readLine()
{
    std::string line = readUntil("\n");
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
    return line;
}

std::string PeerConnection::readUntil(const std::string& terminator)
{
    std::size_t scanned = 0;
    for (;;) {
        auto at = m_buffer.find(terminator, scanned);
        if (at != std::string::npos) {
            std::string text = m_buffer.substr(0, at + terminator.size());
            m_buffer.erase(0, at + terminator.size());
            return text;
        }
        scanned = m_buffer.size() >= terminator.size() ? m_buffer.size() - terminator.size() + 1 : 0;
        if (!fill()) {
            m_closed = true;
            return {};
        }
    }
}

std::string PeerConnection::read(std::size_t count)
{
    while (m_buffer.size() < count && fill()) { }
    std::string text = m_buffer.substr(0, count);
    m_buffer.erase(0, text.size());
    return text;
}

void PeerConnection::stall(int milliseconds)
{
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

void PeerConnection::send(const std::string& bytes)
{
    std::size_t sent = 0;
    while (m_fd >= 0 && sent < bytes.size()) {
        ssize_t count = ::send(m_fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (count <= 0)
            return;
        sent += static_cast<std::size_t>(count);
    }
}

ScriptedPeer::ScriptedPeer(Script script, int connections)
    : m_script(std::move(script))
{
    m_listener = listenOnLoopback(m_port);
    m_thread = std::thread([this, connections] { run(connections); });
}

ScriptedPeer::~ScriptedPeer()
{
    join();
}

void ScriptedPeer::join()
{
    if (m_thread.joinable())
        m_thread.join();
    if (m_listener >= 0)
        ::close(m_listener);
    m_listener = -1;
}

void ScriptedPeer::run(int connections)
{
    for (int i = 0; i < connections; ++i) {
        pollfd item { m_listener, POLLIN, 0 };
        if (::poll(&item, 1, PeerWaitMs) <= 0)
            return;
        int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0)
            return;
        PeerConnection connection(fd);
        m_script(connection, *this);
    }
}

std::string ScriptedPeer::expectLine(PeerConnection& connection)
{
    std::string line = connection.readLine();
    if (!connection.closed())
        record(line);
    return line;
}

void ScriptedPeer::record(const std::string& line)
{
    std::lock_guard lock(m_mutex);
    m_received.push_back(line);
}

std::vector<std::string> ScriptedPeer::received()
{
    std::lock_guard lock(m_mutex);
    return m_received;
}

std::uint16_t closedPort()
{
    // Bound but never listening: a connection is refused, and as the port stays taken until the
    // test ends, no other server can start on it meanwhile and answer instead.
    static std::mutex mutex;
    static std::vector<int> held;
    int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0
        || ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        throw std::runtime_error("cannot reserve a loopback port");
    std::lock_guard lock(mutex);
    held.push_back(fd);
    return ntohs(address.sin_port);
}

} // namespace pelmora::test
