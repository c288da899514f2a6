#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace pelmora::net {

// The host and port of a server text "host[:port]". An IPv6 address is written in brackets,
// "[::1]:110"; a port that is not a decimal number, or is 0 in its low 16 bits, counts as none.
struct ServerAddress {
    std::string host;
    std::optional<std::uint16_t> port;

    static ServerAddress parse(const std::string& server);
};

} // namespace pelmora::net
