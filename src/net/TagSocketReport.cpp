#include "net/TagSocket.h"

#include "net/SocketErrors.h"

#include <cstdio>
#include <fstream>

// How the socket reports: errors through OnError first, and the transcript of LogFileName.

namespace pelmora::net {

void TagSocket::Fail(std::string message)
{
    StopTimer();
    if (OnError)
        OnError(*this, message);
    throw ESocketError(message);
}

void TagSocket::SocketError(int code)
{
    Fail(messageText(code));
}

void TagSocket::RaiseTimeOut()
{
    StopTimer();
    m_timedOut = true;
    std::string message = messageText(msgTimedOut);
    if (OnError)
        OnError(*this, message);
    Close();
    throw ETimedOutError();
}

void TagSocket::RaiseCancel()
{
    StopTimer();
    std::string message = messageText(msgCanceled);
    if (OnError)
        OnError(*this, message);
    Close();
    throw ECanceledError();
}

void TagSocket::AddTranscriptLine(const std::string& line)
{
    if (!LogFileName.empty())
        m_transcript.push_back(line);
}

void TagSocket::TraceNote(const std::string& text)
{
    AddTranscriptLine(text);
    if (m_tracer)
        m_tracer->note(text);
}

void TagSocket::SaveTranscript()
{
    if (LogFileName.empty() || m_transcript.empty())
        return;
    // Written beside the target and renamed, so an interrupted save leaves the old transcript.
    std::string temporary = LogFileName + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        for (const std::string& line : m_transcript)
            out << line << '\n';
        if (!out.flush())
            throw ESocketError("Cannot write the log file " + LogFileName);
    }
    if (std::rename(temporary.c_str(), LogFileName.c_str()) != 0)
        throw ESocketError("Cannot write the log file " + LogFileName);
}

} // namespace pelmora::net
