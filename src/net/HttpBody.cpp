#include "net/TagHTTP.h"

#include "net/SocketErrors.h"

#include <algorithm>
#include <charconv>

namespace pelmora::net {

namespace {

constexpr std::size_t BlockSize = 16 * 1024;

bool isChunked(std::string value)
{
    std::transform(value.begin(), value.end(), value.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return value.find("chunked") != std::string::npos;
}

} // namespace

void TagHTTP::append(const char* data, std::size_t size)
{
    m_body.append(data, size);
    if (OnReceiving)
        OnReceiving(*this, m_body.size());
}

void TagHTTP::readBody()
{
    m_body.clear();
    if (OnReceiving)
        OnReceiving(*this, 0);
    if (m_status == 204 || m_status == 304 || (m_status >= 100 && m_status < 200))
        return;
    if (isChunked(headerValue("transfer-encoding")))
        return readChunkedBody();
    std::string length = headerValue("content-length");
    if (length.empty())
        return readUntilClosed();
    std::uint64_t value = 0;
    auto [end, error] = std::from_chars(length.data(), length.data() + length.size(), value);
    if (error != std::errc() || end != length.data() + length.size())
        Fail("Invalid Content-Length in the reply: " + length);
    readLengthBody(value);
}

void TagHTTP::readLengthBody(std::uint64_t length)
{
    char block[BlockSize];
    std::uint64_t left = length;
    while (left > 0) {
        std::size_t count = ReadSome(block, static_cast<std::size_t>(std::min<std::uint64_t>(left, BlockSize)));
        if (count == 0)
            Fail("Connection closed before the whole page arrived");
        append(block, count);
        left -= count;
    }
}

void TagHTTP::readChunkedBody()
{
    std::string line;
    for (;;) {
        if (!ReadLine(line))
            Fail("Connection closed before the whole page arrived");
        std::uint64_t size = 0;
        auto [end, error] = std::from_chars(line.data(), line.data() + line.size(), size, 16);
        if (error != std::errc() || end == line.data() ||
            (end != line.data() + line.size() && *end != ';' && *end != ' ' && *end != '\t'))
            Fail("Invalid chunk in the reply: " + line.substr(0, 80));
        if (size == 0)
            break;
        readLengthBody(size);
        if (!ReadLine(line) || !line.empty())
            Fail("Invalid chunk in the reply");
    }
    // Trailer fields, up to the empty line that ends the reply.
    while (ReadLine(line) && !line.empty()) {
    }
}

void TagHTTP::readUntilClosed()
{
    char block[BlockSize];
    while (std::size_t count = ReadSome(block, sizeof block))
        append(block, count);
}

} // namespace pelmora::net
