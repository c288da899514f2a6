#include "protocols/TmsCustomPOP.h"

#include "net/SocketErrors.h"
#include "protocols/CommandArgument.h"
#include "protocols/DotStuffing.h"
#include "protocols/MessageSpool.h"

#include <charconv>
#include <stdexcept>

namespace pelmora::protocols {

using net::messageText;

namespace {

// The numbers after the status word of a "+OK 2 320" reply.
bool parseNumbers(const std::string& line, long long& first, long long& second)
{
    const char* at = line.data() + std::min<std::size_t>(4, line.size());
    const char* end = line.data() + line.size();
    auto one = std::from_chars(at, end, first);
    if (one.ec != std::errc() || one.ptr == end || *one.ptr != ' ')
        return false;
    auto two = std::from_chars(one.ptr + 1, end, second);
    return two.ec == std::errc() && (two.ptr == end || *two.ptr == ' ');
}

} // namespace

TmsCustomPOP::TmsCustomPOP(net::EventPump* pump)
    : TmsMailBase(pump)
{
    DefaultPort = 110;
    ServiceName = "pop3";
}

void TmsCustomPOP::MessageReceived(int index, std::istream& text)
{
    if (!OnMessage)
        throw std::runtime_error("Nothing takes the message");
    OnMessage(*this, index, text);
}

void TmsCustomPOP::CheckAccount()
{
    if (UserName.empty())
        Fail(messageText(net::msgUserNameRequired));
    if (Password.empty())
        Fail(messageText(net::msgPasswordRequired));
    checkAccountText();
}

void TmsCustomPOP::checkAccountText()
{
    std::string fault = commandArgumentFault("The user name", UserName, ArgumentKind::Account);
    if (fault.empty())
        fault = commandArgumentFault("The password", Password, ArgumentKind::Secret);
    if (!fault.empty())
        Fail(fault);
}

void TmsCustomPOP::Open()
{
    CheckAccount();
    ResetState();
    TmsMailBase::Open();
}

void TmsCustomPOP::ProcessLine(const std::string& line)
{
    if (!line.empty() && line[0] == '+')
        return;
    Fail(line);
}

std::string TmsCustomPOP::command(const std::string& line, const std::string& shown)
{
    // Every command waits for its reply, so anything already waiting to be read was sent for
    // no command of this client; taken as the next answer it would put every reply one late.
    if (HasUnreadInput())
        Fail("The server sent a reply nobody asked for before " + shown.substr(0, shown.find(' ')));
    WriteSecretLine(line, shown);
    return readStatus();
}

std::string TmsCustomPOP::readStatus()
{
    std::string line;
    if (!ReadLine(line))
        Fail("Connection closed by the server");
    return line;
}

void TmsCustomPOP::progress(int percent)
{
    if (OnProgress)
        OnProgress(*this, percent);
}

void TmsCustomPOP::Login()
{
    ResetState();
    UseTls = effectiveSecurity(Security, Port()) == MailSecurity::Implicit;
    ConnectSocket();
    readStatus();
    // Checked again where the lines are built, whatever called this.
    checkAccountText();
    command("USER " + UserName);
    command("PASS " + Password, "PASS ****");
    std::string status = command("STAT");
    long long count = 0;
    long long size = 0;
    if (!parseNumbers(status, count, size) || count < 0 || count > 1000000000)
        Fail("Invalid reply to STAT: " + status);
    m_count = static_cast<int>(count);
    m_size = size;
}

void TmsCustomPOP::Logout()
{
    command("QUIT");
}

void TmsCustomPOP::Retrieve(bool leaveOnServer)
{
    try {
        Connect();
        for (int index = 0; index < m_count; ++index) {
            if (RetrieveMessage(index) && !leaveOnServer)
                DeleteMessage(index);
        }
    } catch (...) {
        try {
            Disconnect();
        } catch (...) {
        }
        throw;
    }
    Disconnect();
}

long long TmsCustomPOP::expectedSize(int index)
{
    std::string reply = command("LIST " + std::to_string(index + 1));
    long long number = 0;
    long long size = 0;
    return parseNumbers(reply, number, size) ? size : 0;
}

bool TmsCustomPOP::RetrieveMessage(int index)
{
    long long expected = expectedSize(index);
    if (OnRetrieving)
        OnRetrieving(*this, index);
    command("RETR " + std::to_string(index + 1));
    MessageSpool spool;
    bool handedOn = false;
    try {
        receiveText(expected, spool);
        std::unique_ptr<std::istream> text = spool.reader();
        try {
            MessageReceived(index, *text);
            handedOn = true;
        } catch (const std::exception& error) {
            // What could not be handed on stays on the server for the next retrieval.
            std::string message = "Message " + std::to_string(index + 1) + " kept on the server: " + error.what();
            if (OnError)
                OnError(*this, message);
        }
    } catch (...) {
        progress(0);
        throw;
    }
    progress(0);
    if (OnRetrieved)
        OnRetrieved(*this, index);
    return handedOn;
}

void TmsCustomPOP::DeleteMessage(int index)
{
    if (OnDeleting)
        OnDeleting(*this, index);
    try {
        command("DELE " + std::to_string(index + 1));
    } catch (const net::ESocketError&) {
        // Fail has shown a refusal through OnError; a message left undeleted costs nothing, and
        // the dialogue goes on. A connection that is gone cannot go on, and says so itself.
        // (A time-out or a cancel has closed the socket: each goes on as what it is.)
        if (!Connected() || ClosedByPeer())
            throw;
    }
}

void TmsCustomPOP::receiveText(long long expected, MessageSpool& spool)
{
    DotUnstuffer unstuffer;
    std::string block(64 * 1024, '\0');
    std::string text;
    long long stored = 0;
    int reported = -1;
    while (!unstuffer.finished()) {
        std::size_t count = ReadSome(block.data(), block.size());
        if (count == 0)
            Fail("Connection closed by the server in the middle of a message");
        text.clear();
        std::size_t used = unstuffer.feed(std::string_view(block.data(), count), text);
        // Whatever followed the terminator belongs to the next reply.
        if (used < count)
            UnreadBytes(std::string_view(block.data() + used, count - used));
        spool.append(text);
        stored += static_cast<long long>(text.size());
        if (expected > 0) {
            int percent = static_cast<int>(std::min<long long>(100, stored * 100 / expected)) / 10 * 10;
            if (percent != reported)
                progress(reported = percent);
        }
    }
    // The size the server announced counts the dots of its stuffing, so the end is reported
    // as such rather than left short of 100.
    if (expected > 0 && reported != 100)
        progress(100);
    try {
        spool.finish();
    } catch (const net::ESocketError& error) {
        Fail(error.what());
    }
}

} // namespace pelmora::protocols
