#pragma once

// A loopback peer for the network fuzzers: each connection is answered with the fuzz input,
// then the peer stops writing and reads until the client goes, so no session can hang.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

namespace pelmora::fuzz {

class NetFuzzPeer {
public:
    NetFuzzPeer()
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(m_listener, 16);
        socklen_t length = sizeof address;
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&address), &length);
        m_port = ntohs(address.sin_port);
    }

    std::string server() const { return "127.0.0.1:" + std::to_string(m_port); }

    // Serves `bytes` to every connection the client makes until stop() (a redirect makes more
    // than one); join() ends the round.
    void serve(std::string bytes)
    {
        m_stop = false;
        m_thread = std::thread([this, bytes = std::move(bytes)] {
            for (int waited = 0; !m_stop && waited < 2000;) {
                pollfd item{m_listener, POLLIN, 0};
                if (::poll(&item, 1, 1) <= 0) {
                    ++waited;
                    continue;
                }
                int fd = ::accept4(m_listener, nullptr, nullptr, SOCK_CLOEXEC);
                if (fd < 0)
                    return;
                std::size_t sent = 0;
                while (sent < bytes.size()) {
                    ssize_t count = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
                    if (count <= 0)
                        break;
                    sent += static_cast<std::size_t>(count);
                }
                ::shutdown(fd, SHUT_WR);
                char sink[4096];
                for (;;) {
                    pollfd readable{fd, POLLIN, 0};
                    if (::poll(&readable, 1, 2000) <= 0 || ::recv(fd, sink, sizeof sink, 0) <= 0)
                        break;
                }
                ::close(fd);
            }
        });
    }

    void join()
    {
        m_stop = true;
        m_thread.join();
    }

private:
    std::atomic<bool> m_stop{false};
    std::thread m_thread;
    int m_listener = -1;
    std::uint16_t m_port = 0;
};

} // namespace pelmora::fuzz
