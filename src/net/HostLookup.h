#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <sys/socket.h>

namespace pelmora::net {

// One resolved address of a host, ready for connect().
struct HostAddressEntry {
    sockaddr_storage address {};
    socklen_t length = 0;
    int family = 0;
    std::string text; // the address in its numeric form
};

// A host name look-up through getaddrinfo() running on a thread of its own, because the
// resolver blocks and the waiting thread must keep pumping events and honour cancel and
// time-out. An abandoned look-up finishes on its thread and is then forgotten.
class HostLookup {
public:
    // Starts the look-up; `done` is called from the look-up's thread when it has finished,
    // unless the look-up was abandoned first.
    HostLookup(const std::string& host, std::function<void()> done);
    ~HostLookup(); // abandons a look-up still running
    HostLookup(const HostLookup&) = delete;
    HostLookup& operator=(const HostLookup&) = delete;

    bool finished() const;
    // The addresses found; throws ESocketError with the WinSock text when the look-up failed.
    std::vector<HostAddressEntry> result() const;

    // A literal IPv4 or IPv6 address, resolved without any look-up; empty for a name.
    static std::vector<HostAddressEntry> literal(const std::string& host);

    // What answers a name look-up: fills `addresses` and returns 0, or returns a getaddrinfo()
    // EAI_* code (with errno in `error` for EAI_SYSTEM). It runs on the look-up's thread.
    using Resolver = std::function<int(const std::string& host, std::vector<HostAddressEntry>& addresses, int& error)>;
    // Puts `resolver` in front of every look-up started from now on (an empty one restores
    // getaddrinfo()), so the failures of a name server can be had without asking one.
    static void setResolver(Resolver resolver);
    // One resolved address from a numeric text, for a resolver's answers; throws
    // std::invalid_argument when `text` is not an IPv4 or IPv6 address.
    static HostAddressEntry addressOf(const std::string& text);

private:
    struct State;
    std::shared_ptr<State> m_state;
};

} // namespace pelmora::net
