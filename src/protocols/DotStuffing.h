#pragma once

#include <string>
#include <string_view>

namespace pelmora::protocols {

// The transparency of the SMTP data phase: every line that begins with "." gets a second one,
// since a lone "." line would end the message early. Works block by block, so a line start
// that falls on a block boundary is seen too.
class DotStuffer {
public:
    // Appends `block`, stuffed, to `out`.
    void stuff(std::string_view block, std::string& out);
    // Whether the text so far ends with a line break (or is empty).
    bool atLineStart() const { return m_atLineStart; }
    // Whether the text so far ends with CR LF (or is empty): only then may the end-of-data
    // line follow at once, as a bare LF does not end a line for the server.
    bool endsWithCrLf() const { return m_endsWithCrLf; }

private:
    bool m_atLineStart = true;
    bool m_endsWithCrLf = true;
    bool m_afterCr = false;
};

// The reverse for a POP3 multi-line reply: finds the terminating "." line and removes the
// extra "." of every other line that begins with one, whatever way the reply is split into
// blocks. A zero byte is stored as a space.
class DotUnstuffer {
public:
    // Appends the message text found in `block` to `out`; returns the number of bytes of
    // `block` used, which is less than its size only when the terminator ended inside it.
    std::size_t feed(std::string_view block, std::string& out);
    bool finished() const { return m_state == State::Done; }

private:
    enum class State { LineStart, Dot, DotCr, InLine, Done };
    State m_state = State::LineStart;
};

} // namespace pelmora::protocols
