#include "mail/TLineStream.h"

#include <sstream>

namespace pelmora::mail {

TLineStream::TLineStream(std::string text)
    : m_owned(std::make_unique<std::istringstream>(std::move(text))), m_in(m_owned.get()), m_start(0)
{
}

TLineStream::TLineStream(std::istream& input) : m_in(&input), m_start(input.tellg())
{
    if (m_start == std::streampos(-1))
        m_start = 0;
}

void TLineStream::Reset()
{
    m_in->clear();
    m_in->seekg(m_start);
    m_buffer.clear();
    m_pos = 0;
    m_eof = false;
    m_end = false;
}

bool TLineStream::fill()
{
    if (m_eof)
        return false;
    if (m_pos > 0) {
        m_buffer.erase(0, m_pos);
        m_pos = 0;
    }
    std::size_t old = m_buffer.size();
    m_buffer.resize(old + BlockSize);
    m_in->read(m_buffer.data() + old, static_cast<std::streamsize>(BlockSize));
    auto got = static_cast<std::size_t>(m_in->gcount());
    m_buffer.resize(old + got);
    if (got < BlockSize)
        m_eof = true;
    return got > 0;
}

bool TLineStream::next(std::string_view& line)
{
    if (m_end)
        return false;
    std::size_t scan = m_pos;
    for (;;) {
        const char* data = m_buffer.data();
        std::size_t size = m_buffer.size();
        std::size_t i = scan;
        while (i < size && data[i] != '\n' && data[i] != '\r')
            ++i;
        // A CR at the very end of the buffer may be the first half of CR LF.
        bool needMore = i == size || (data[i] == '\r' && i + 1 == size);
        if (needMore && !m_eof) {
            std::size_t offset = i - m_pos;
            fill();
            scan = m_pos + offset;
            continue;
        }
        if (i == size && m_pos == size) {
            m_end = true;
            return false;
        }
        line = std::string_view(data + m_pos, i - m_pos);
        if (i == size)
            m_lastEnd = {};
        else if (data[i] == '\r' && i + 1 < size && data[i + 1] == '\n')
            m_lastEnd = "\r\n";
        else
            m_lastEnd = data[i] == '\r' ? "\r" : "\n";
        m_pos = i + m_lastEnd.size();
        return true;
    }
}

std::string TLineStream::NextLine()
{
    std::string_view line;
    if (!next(line))
        return std::string(EndMarker);
    return std::string(line);
}

void TLineStream::copyAll(std::string& out)
{
    Reset();
    std::ostringstream all;
    all << m_in->rdbuf();
    out = std::move(all).str();
    Reset();
}

} // namespace pelmora::mail
