#include "net/TagSocket.h"

#include "net/SocketErrors.h"
#include "net/TlsChannel.h"

#include <cerrno>
#include <cstring>
#include <sys/socket.h>

namespace pelmora::net {

namespace {

// Large enough that a reply or a block of mail text usually comes in one system call.
constexpr std::size_t ReceiveChunk = 16 * 1024;

void stripLineEnd(std::string& line)
{
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.pop_back();
}

} // namespace

long TagSocket::receive(char* buffer, std::size_t size)
{
    for (;;) {
        checkInterrupt();
        if (m_tls) {
            auto want = TlsChannel::Want::Nothing;
            long count = 0;
            try {
                count = m_tls->read(buffer, size, want);
            } catch (const ESocketError& error) {
                Fail(error.what());
            }
            if (count >= 0)
                return count;
            waitUntil(want == TlsChannel::Want::Write ? EventPump::Writable : EventPump::Readable);
            continue;
        }
        ssize_t count = ::recv(m_fd, buffer, size, 0);
        if (count >= 0)
            return static_cast<long>(count);
        if (errno == EAGAIN || errno == EWOULDBLOCK)
            waitUntil(EventPump::Readable);
        else if (errno != EINTR)
            m_canceled ? RaiseCancel() : SocketError(winsockCodeFromErrno(errno));
    }
}

void TagSocket::sendAll(std::string_view data)
{
    if (!Connected())
        m_canceled ? RaiseCancel() : SocketError(10057);
    StartTimer();
    while (!data.empty()) {
        checkInterrupt();
        long count = 0;
        if (m_tls) {
            auto want = TlsChannel::Want::Nothing;
            try {
                count = m_tls->write(data.data(), data.size(), want);
            } catch (const ESocketError& error) {
                Fail(error.what());
            }
            if (count < 0) {
                waitUntil(want == TlsChannel::Want::Read ? EventPump::Readable : EventPump::Writable);
                continue;
            }
        } else {
            count = static_cast<long>(::send(m_fd, data.data(), data.size(), MSG_NOSIGNAL));
            if (count < 0) {
                if (errno == EAGAIN || errno == EWOULDBLOCK)
                    waitUntil(EventPump::Writable);
                else if (errno != EINTR)
                    m_canceled ? RaiseCancel() : SocketError(winsockCodeFromErrno(errno));
                continue;
            }
        }
        data.remove_prefix(static_cast<std::size_t>(count));
        StartTimer(); // the countdown limits a stall, not a long transfer that keeps moving
    }
    StopTimer();
}

bool TagSocket::ReadLine(std::string& line)
{
    if (!Connected())
        m_canceled ? RaiseCancel() : SocketError(10057);
    StartTimer();
    std::size_t scanFrom = m_readPos;
    for (;;) {
        std::size_t lineEnd = m_readBuffer.find('\n', scanFrom);
        if (lineEnd != std::string::npos) {
            line.assign(m_readBuffer, m_readPos, lineEnd + 1 - m_readPos);
            m_readPos = lineEnd + 1;
            StopTimer();
            stripLineEnd(line);
            AddTranscriptLine(line);
            if (m_tracer)
                m_tracer->lineReceived(line);
            ProcessLine(line);
            return true;
        }
        if (m_readBuffer.size() - m_readPos >= MaxLineLength)
            Fail("Line from server longer than " + std::to_string(MaxLineLength) + " bytes");
        m_readBuffer.erase(0, m_readPos);
        m_readPos = 0;
        scanFrom = m_readBuffer.size();
        m_readBuffer.resize(scanFrom + ReceiveChunk);
        long count = receive(m_readBuffer.data() + scanFrom, ReceiveChunk);
        m_readBuffer.resize(scanFrom + static_cast<std::size_t>(count));
        if (count == 0) {
            m_closedByPeer = true;
            StopTimer();
            line.clear();
            return false;
        }
    }
}

void TagSocket::WriteLine(const std::string& text)
{
    WriteSecretLine(text, text);
}

void TagSocket::WriteSecretLine(const std::string& text, const std::string& shown)
{
    sendAll(text + "\r\n");
    AddTranscriptLine(shown);
    if (m_tracer)
        m_tracer->lineSent(shown);
}

std::size_t TagSocket::ReadSome(char* buffer, std::size_t size)
{
    if (m_readPos < m_readBuffer.size()) {
        std::size_t count = std::min(size, m_readBuffer.size() - m_readPos);
        std::memcpy(buffer, m_readBuffer.data() + m_readPos, count);
        m_readPos += count;
        if (m_readPos == m_readBuffer.size()) {
            m_readBuffer.clear();
            m_readPos = 0;
        }
        return count;
    }
    if (!Connected())
        m_canceled ? RaiseCancel() : SocketError(10057);
    StartTimer();
    long count = receive(buffer, size);
    StopTimer();
    if (count == 0)
        m_closedByPeer = true;
    return static_cast<std::size_t>(count);
}

void TagSocket::UnreadBytes(std::string_view data)
{
    m_readBuffer.erase(0, m_readPos);
    m_readBuffer.insert(0, data);
    m_readPos = 0;
}

void TagSocket::WriteBytes(std::string_view data)
{
    sendAll(data);
}

} // namespace pelmora::net
