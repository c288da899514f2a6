#include "net/HostLookup.h"

#include "net/SocketErrors.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <netdb.h>
#include <stdexcept>
#include <thread>

namespace pelmora::net {

struct HostLookup::State {
    std::mutex mutex;
    bool finished = false;
    int eaiCode = 0;
    int error = 0;
    std::vector<HostAddressEntry> addresses;
    std::function<void()> done;
};

namespace {

HostAddressEntry entryFrom(const sockaddr* address, socklen_t length)
{
    HostAddressEntry entry;
    std::memcpy(&entry.address, address, length);
    entry.length = length;
    entry.family = address->sa_family;
    char text[INET6_ADDRSTRLEN] = {};
    const void* raw = address->sa_family == AF_INET6
        ? static_cast<const void*>(&reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr)
        : static_cast<const void*>(&reinterpret_cast<const sockaddr_in*>(address)->sin_addr);
    ::inet_ntop(address->sa_family, raw, text, sizeof text);
    entry.text = text;
    return entry;
}

std::vector<HostAddressEntry> resolve(const std::string& host, int flags, int& eaiCode, int& error)
{
    addrinfo hints {};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = flags;
    addrinfo* list = nullptr;
    errno = 0;
    eaiCode = ::getaddrinfo(host.c_str(), nullptr, &hints, &list);
    error = errno;
    std::vector<HostAddressEntry> addresses;
    if (eaiCode != 0)
        return addresses;
    for (addrinfo* item = list; item; item = item->ai_next)
        addresses.push_back(entryFrom(item->ai_addr, item->ai_addrlen));
    ::freeaddrinfo(list);
    return addresses;
}

std::mutex resolverMutex;
HostLookup::Resolver& installedResolver()
{
    static HostLookup::Resolver resolver;
    return resolver;
}

HostLookup::Resolver currentResolver()
{
    std::lock_guard lock(resolverMutex);
    if (installedResolver())
        return installedResolver();
    return [](const std::string& host, std::vector<HostAddressEntry>& addresses, int& error) {
        int eaiCode = 0;
        addresses = resolve(host, 0, eaiCode, error);
        return eaiCode;
    };
}

} // namespace

void HostLookup::setResolver(Resolver resolver)
{
    std::lock_guard lock(resolverMutex);
    installedResolver() = std::move(resolver);
}

HostAddressEntry HostLookup::addressOf(const std::string& text)
{
    std::vector<HostAddressEntry> found = literal(text);
    if (found.empty())
        throw std::invalid_argument("not a numeric address: " + text);
    return found.front();
}

HostLookup::HostLookup(const std::string& host, std::function<void()> done)
    : m_state(std::make_shared<State>())
{
    m_state->done = std::move(done);
    std::thread([state = m_state, host, resolver = currentResolver()] {
        int error = 0;
        std::vector<HostAddressEntry> addresses;
        int eaiCode = resolver(host, addresses, error);
        std::lock_guard lock(state->mutex);
        state->eaiCode = eaiCode;
        state->error = error;
        state->addresses = std::move(addresses);
        state->finished = true;
        if (state->done)
            state->done();
    }).detach();
}

HostLookup::~HostLookup()
{
    std::lock_guard lock(m_state->mutex);
    m_state->done = nullptr;
}

bool HostLookup::finished() const
{
    std::lock_guard lock(m_state->mutex);
    return m_state->finished;
}

std::vector<HostAddressEntry> HostLookup::result() const
{
    std::lock_guard lock(m_state->mutex);
    if (m_state->eaiCode != 0)
        throw ESocketError(messageText(winsockCodeFromResolver(m_state->eaiCode, m_state->error)));
    if (m_state->addresses.empty())
        throw ESocketError(messageText(msgErrorResolvingHost));
    return m_state->addresses;
}

std::vector<HostAddressEntry> HostLookup::literal(const std::string& host)
{
    int eaiCode = 0;
    int error = 0;
    return resolve(host, AI_NUMERICHOST, eaiCode, error);
}

} // namespace pelmora::net
