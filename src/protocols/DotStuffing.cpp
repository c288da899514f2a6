#include "protocols/DotStuffing.h"

namespace pelmora::protocols {

void DotStuffer::stuff(std::string_view block, std::string& out)
{
    out.reserve(out.size() + block.size() + 16);
    for (char c : block) {
        if (m_atLineStart && c == '.')
            out.push_back('.');
        out.push_back(c);
        m_atLineStart = c == '\n';
        m_endsWithCrLf = m_afterCr && c == '\n';
        m_afterCr = c == '\r';
    }
}

std::size_t DotUnstuffer::feed(std::string_view block, std::string& out)
{
    std::size_t i = 0;
    for (; i < block.size() && m_state != State::Done; ++i) {
        char c = block[i] == '\0' ? ' ' : block[i];
        switch (m_state) {
        case State::LineStart:
            if (c == '.') {
                m_state = State::Dot;
                continue;
            }
            break;
        case State::Dot:
            // A "." alone on its line ends the reply; any other line loses its first ".".
            if (c == '\r') {
                m_state = State::DotCr;
                continue;
            }
            if (c == '\n') {
                m_state = State::Done;
                continue;
            }
            break;
        case State::DotCr:
            if (c == '\n') {
                m_state = State::Done;
                continue;
            }
            out.push_back('\r');
            break;
        case State::InLine:
        case State::Done:
            break;
        }
        out.push_back(c);
        m_state = c == '\n' ? State::LineStart : State::InLine;
    }
    return i;
}

} // namespace pelmora::protocols
