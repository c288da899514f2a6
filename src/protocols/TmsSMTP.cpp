#include "protocols/TmsSMTP.h"

#include "net/SocketErrors.h"
#include "protocols/CommandArgument.h"
#include "protocols/DotStuffing.h"
#include "protocols/SpoolFile.h"

#include <cmath>
#include <fstream>

namespace pelmora::protocols {

using net::ESocketError;
using net::messageText;

TmsSMTP::TmsSMTP(net::EventPump* pump)
    : TmsMailBase(pump)
{
    DefaultPort = 25;
    ServiceName = "smtp";
}

void TmsSMTP::Open()
{
    if (Server.empty())
        Fail(messageText(net::msgServerRequired));
    ResetState();
    TmsMailBase::Open();
}

void TmsSMTP::Cancel()
{
    TmsMailBase::Cancel();
    progress(0);
}

void TmsSMTP::progress(int percent)
{
    if (OnProgress)
        OnProgress(*this, percent);
}

namespace {

SmtpEnvelope envelopeOf(const mail::TmsMessage& message)
{
    SmtpEnvelope envelope { message.Sender.Address.str(), {} };
    for (const mail::TmsAddressList* list : { &message.Recipients, &message.CC, &message.BCC }) {
        for (int i = 0; i < list->Count(); ++i)
            envelope.recipients.push_back(list->Items(i).Address.str());
    }
    return envelope;
}

} // namespace

void TmsSMTP::ProcessLine(const std::string& line)
{
    if (line.size() >= 4 && line[3] == '-')
        return;
    if (line.size() >= 3 && line.compare(0, m_expected.size(), m_expected) == 0)
        return;
    // A positive reply of the wrong kind answers another command: the server and this client
    // are out of step, and taking it as the answer would report a delivery that never happened.
    const bool positive = line.size() >= 3 && (line[0] == '2' || line[0] == '3');
    std::string message = positive ? "Unexpected reply to " + m_verb + ": " + line : line;
    if (!m_firstGreeting && OnError)
        OnError(*this, message);
    throw ESocketError(message);
}

void TmsSMTP::readReply()
{
    m_reply.clear();
    std::string line;
    for (;;) {
        if (!ReadLine(line)) {
            // A server that hangs up instead of answering has not accepted anything; after QUIT
            // there is nothing left to accept.
            if (m_quitting)
                return;
            Fail("Connection closed by the server");
        }
        m_reply.push_back(line);
        if (m_reply.size() > MaxReplyLines)
            Fail("The server's reply goes on for more than " + std::to_string(MaxReplyLines) + " lines");
        // A final line may be the bare code, or the code and a blank with no text.
        if (line.size() == 3 || (line.size() >= 4 && line[3] != '-'))
            return;
    }
}

void TmsSMTP::expect(std::string verb, std::string code)
{
    m_verb = std::move(verb);
    m_expected = std::move(code);
}

void TmsSMTP::command(const std::string& line, const std::string& expected, const std::string& verb)
{
    expect(verb.empty() ? line.substr(0, line.find(' ')) : verb, expected);
    // Every command waits for its reply, so anything already waiting to be read was sent for
    // no command of this client; reading it as the next answer would put every reply one late.
    if (HasUnreadInput())
        Fail("The server sent a reply nobody asked for before " + m_verb);
    WriteLine(line);
    readReply();
}

std::string TmsSMTP::session(const std::function<void()>& work)
{
    m_dataAccepted = false;
    m_acceptReply.clear();
    try {
        Connect();
        work();
    } catch (...) {
        // The first failure is what the user needs to see; one in the good-bye that follows
        // would only hide it.
        try {
            Disconnect();
        } catch (...) {
        }
        throw;
    }
    std::string finalReply = m_reply.empty() ? std::string() : m_reply.back();
    Disconnect();
    return finalReply;
}

void TmsSMTP::checkEnvelope(const SmtpEnvelope& envelope)
{
    for (std::size_t i = 0; i <= envelope.recipients.size(); ++i) {
        const std::string& address = i == 0 ? envelope.sender : envelope.recipients[i - 1];
        std::string fault = commandArgumentFault("The address", address, ArgumentKind::Address);
        if (!fault.empty())
            Fail(fault);
    }
}

std::string TmsSMTP::SendSpool(const SmtpEnvelope& envelope, const std::filesystem::path& spool)
{
    checkEnvelope(envelope);
    return session([&] {
        if (OnPrepare)
            OnPrepare(*this);
        sendEnvelope(envelope);
        sendText(spool);
    });
}

std::string TmsSMTP::Send()
{
    // A stored address that would break out of its command line is refused before the
    // connection opens, so that not even part of the envelope reaches the server.
    if (MailMessage)
        checkEnvelope(envelopeOf(*MailMessage));
    return session([&] {
        if (!MailMessage)
            SocketError(net::msgMailMessageRequired);
        MailMessage->Validate();
        SpoolFile spool;
        if (OnPrepare)
            OnPrepare(*this);
        {
            std::ofstream out(spool.path(), std::ios::binary | std::ios::trunc);
            MailMessage->SaveToStream(out);
            if (!out.flush())
                Fail("Cannot write the composed message to " + spool.path().string());
        }
        sendEnvelope(envelopeOf(*MailMessage));
        sendText(spool.path());
    });
}

void TmsSMTP::sendEnvelope(const SmtpEnvelope& envelope)
{
    checkEnvelope(envelope);
    if (OnSending)
        OnSending(*this);
    // An address goes whole: one cut short would name another mailbox. A server that finds the
    // line too long refuses it, and its reply says so.
    if (!envelope.sender.empty())
        command("MAIL FROM:<" + envelope.sender + ">");
    for (const std::string& recipient : envelope.recipients)
        command("RCPT TO:<" + recipient + ">");
    command("DATA", "354");
}

void TmsSMTP::sendText(const std::filesystem::path& spool)
{
    std::ifstream in(spool, std::ios::binary);
    if (!in)
        Fail("Cannot read the composed message " + spool.string());
    const auto size = std::filesystem::file_size(spool);
    TraceNote("Suppressing the message body");
    DotStuffer stuffer;
    std::string block(BlockSize, '\0');
    std::string out;
    std::uintmax_t position = 0;
    for (;;) {
        in.read(block.data(), static_cast<std::streamsize>(BlockSize));
        auto count = static_cast<std::size_t>(in.gcount());
        out.clear();
        stuffer.stuff(std::string_view(block.data(), count), out);
        WriteBytes(out);
        position += count;
        progress(size == 0 ? 100 : static_cast<int>(std::nearbyint(double(position) * 100.0 / double(size))));
        if (count < BlockSize)
            break;
    }
    // The end of data must start a line of its own; text that already ends with CR LF gets no
    // extra empty line, so the server stores the message exactly as composed. After a bare LF
    // the server would take the "." for part of the text and wait for more.
    expect("the end of data", "2");
    WriteBytes(stuffer.endsWithCrLf() ? ".\r\n" : "\r\n.\r\n");
    AddTranscriptLine(".");
    readReply();
    m_dataAccepted = true;
    m_acceptReply = m_reply.empty() ? std::string() : m_reply.back();
    progress(0);
}

void TmsSMTP::Logout()
{
    m_quitting = true;
    try {
        command("QUIT");
    } catch (...) {
        m_quitting = false;
        throw;
    }
    m_quitting = false;
    if (OnMailSent)
        OnMailSent(*this);
    progress(0);
}

} // namespace pelmora::protocols
