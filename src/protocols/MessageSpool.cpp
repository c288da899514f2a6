#include "protocols/MessageSpool.h"

#include "net/SocketErrors.h"

#include <sstream>

namespace pelmora::protocols {

void MessageSpool::append(std::string_view bytes)
{
    if (!m_file && m_memory.size() + bytes.size() <= MemoryLimit) {
        m_memory.append(bytes);
        return;
    }
    if (!m_file) {
        m_file = std::make_unique<SpoolFile>();
        m_out.open(m_file->path(), std::ios::binary | std::ios::trunc);
        m_out.write(m_memory.data(), static_cast<std::streamsize>(m_memory.size()));
        m_memory.clear();
        m_memory.shrink_to_fit();
    }
    m_out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void MessageSpool::finish()
{
    if (m_file && (!m_out.flush() || (m_out.close(), m_out.fail())))
        throw net::ESocketError("Cannot store the message in " + m_file->path().string());
}

std::unique_ptr<std::istream> MessageSpool::reader()
{
    if (!m_file)
        return std::make_unique<std::istringstream>(std::move(m_memory));
    auto in = std::make_unique<std::ifstream>(m_file->path(), std::ios::binary);
    if (!*in)
        throw net::ESocketError("Cannot read the message back from " + m_file->path().string());
    return in;
}

} // namespace pelmora::protocols
