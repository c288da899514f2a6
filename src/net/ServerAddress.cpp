#include "net/ServerAddress.h"

#include <charconv>

namespace pelmora::net {

namespace {

std::optional<std::uint16_t> portFrom(const std::string& text)
{
    long long value = 0;
    auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    auto port = static_cast<std::uint16_t>(value & 0xFFFF);
    if (port == 0)
        return std::nullopt;
    return port;
}

} // namespace

ServerAddress ServerAddress::parse(const std::string& server)
{
    ServerAddress result;
    if (!server.empty() && server.front() == '[') {
        auto close = server.find(']');
        if (close != std::string::npos) {
            result.host = server.substr(1, close - 1);
            if (close + 1 < server.size() && server[close + 1] == ':')
                result.port = portFrom(server.substr(close + 2));
            return result;
        }
    }
    auto colon = server.find(':');
    result.host = server.substr(0, colon);
    if (colon != std::string::npos)
        result.port = portFrom(server.substr(colon + 1));
    return result;
}

} // namespace pelmora::net
