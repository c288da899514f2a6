#include "protocols/TmsCustomPOP.h"

#include "net/SocketErrors.h"
#include "protocols/CommandArgument.h"
#include "protocols/DotStuffing.h"
#include "protocols/MessageSpool.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <stdexcept>

namespace pelmora::protocols {

using net::messageText;

namespace {

// Two numbers a single space apart from `from` on, as in "+OK 2 320" (from 4) or a scan
// listing line "2 320" (from 0); anything after the second follows a space.
bool parseNumbers(const std::string& line, long long& first, long long& second, std::size_t from = 4)
{
    const char* at = line.data() + std::min<std::size_t>(from, line.size());
    const char* end = line.data() + line.size();
    if (at == end || *at < '0' || *at > '9')
        return false;
    auto one = std::from_chars(at, end, first);
    if (one.ec != std::errc() || one.ptr == end || *one.ptr != ' ')
        return false;
    if (one.ptr + 1 == end || one.ptr[1] < '0' || one.ptr[1] > '9')
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
    if (m_lenient || (!line.empty() && line[0] == '+'))
        return;
    Fail(line);
}

std::string TmsCustomPOP::command(const std::string& line, const std::string& shown)
{
    if (!m_ahead.empty())
        throw std::logic_error("A POP3 command cannot go before the replies to the messages requested ahead");
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
    m_listing = Listing::NotAsked;
    m_sizes.clear();
    m_lenient = false;
    m_pipelining = Capability::NotAsked;
    m_ahead.clear();
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

namespace {

// Lets ProcessLine pass every line while a reply it cannot judge line by line is read.
class Lenient {
public:
    explicit Lenient(bool& flag)
        : m_flag(flag)
    {
        m_flag = true;
    }
    ~Lenient() { m_flag = false; }
    Lenient(const Lenient&) = delete;
    Lenient& operator=(const Lenient&) = delete;

private:
    bool& m_flag;
};

} // namespace

bool TmsCustomPOP::readListLine(std::string& line, int read, int limit, const char* tooLong)
{
    if (!ReadLine(line))
        Fail("Connection closed by the server");
    if (line == ".")
        return false;
    if (read >= limit)
        Fail(tooLong);
    return true;
}

// One LIST for the whole mailbox instead of one per message: a round trip less for every
// message. The sizes only serve the progress figures, so a server that refuses the command or
// answers it badly costs those figures, never the retrieval.
void TmsCustomPOP::listSizes()
{
    m_sizes.assign(static_cast<std::size_t>(std::max(m_count, 0)), -1);
    Lenient lenient(m_lenient);
    std::string status = command("LIST");
    if (status.rfind("+OK", 0) != 0) {
        // Refused; asking message by message may still work.
        m_listing = Listing::PerMessage;
        return;
    }
    m_listing = Listing::Listed;
    bool sound = true;
    std::string line;
    // A listing has a line for each message the mailbox had at STAT and then the terminator;
    // a longer one would have no end this client could trust to find.
    for (int read = 0; readListLine(line, read, m_count, "Invalid reply to LIST: more lines than messages"); ++read) {
        long long number = 0;
        long long size = 0;
        if (!parseNumbers(line, number, size, 0) || number < 1 || number > m_count || size < 0
            || m_sizes[static_cast<std::size_t>(number - 1)] != -1) {
            sound = false;
            continue;
        }
        m_sizes[static_cast<std::size_t>(number - 1)] = size;
    }
    // A listing with a line that makes no sense gives no figure to rely on.
    for (long long& size : m_sizes)
        if (!sound || size < 0)
            size = 0;
}

long long TmsCustomPOP::expectedSize(int index)
{
    if (m_listing == Listing::NotAsked)
        listSizes();
    if (m_listing == Listing::Listed)
        return index >= 0 && static_cast<std::size_t>(index) < m_sizes.size() ? m_sizes[static_cast<std::size_t>(index)]
                                                                              : 0;
    // Nothing may go between requests on their way; the figure only serves the progress.
    if (!m_ahead.empty())
        return 0;
    Lenient lenient(m_lenient);
    std::string reply = command("LIST " + std::to_string(index + 1));
    long long number = 0;
    long long size = 0;
    return reply.rfind("+OK", 0) == 0 && parseNumbers(reply, number, size) && number == index + 1 && size > 0 ? size
                                                                                                              : 0;
}

bool TmsCustomPOP::CanPipeline()
{
    if (m_pipelining == Capability::NotAsked) {
        m_pipelining = Capability::No;
        Lenient lenient(m_lenient);
        if (command("CAPA").rfind("+OK", 0) != 0)
            return false;
        std::string line;
        // One line per capability; a list longer than any server has would have no end to trust.
        for (int read = 0; readListLine(line, read, 1000, "Invalid reply to CAPA: no end of the list"); ++read) {
            std::string name = line.substr(0, line.find(' '));
            std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return std::toupper(c); });
            if (name == "PIPELINING")
                m_pipelining = Capability::Yes;
        }
    }
    return m_pipelining == Capability::Yes;
}

void TmsCustomPOP::RequestMessage(int index)
{
    if (!CanPipeline())
        throw std::logic_error("The server cannot take a message request ahead of the replies");
    // The sizes are asked before the first request: no command can go between them later.
    if (m_ahead.empty())
        expectedSize(index);
    WriteLine("RETR " + std::to_string(index + 1));
    m_ahead.push_back(index);
}

bool TmsCustomPOP::RetrieveMessage(int index)
{
    const bool requested = !m_ahead.empty();
    if (requested && m_ahead.front() != index)
        throw std::logic_error("Messages requested ahead are read in the order of the requests");
    long long expected = expectedSize(index);
    if (OnRetrieving)
        OnRetrieving(*this, index);
    if (requested) {
        m_ahead.pop_front();
        readStatus();
    } else {
        command("RETR " + std::to_string(index + 1));
    }
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

void TmsCustomPOP::DiscardRequests()
{
    while (!m_ahead.empty()) {
        m_ahead.pop_front();
        readStatus();
        MessageSpool spool;
        receiveText(0, spool);
    }
}

void TmsCustomPOP::DeleteMessages(const std::vector<int>& indices)
{
    if (indices.empty())
        return;
    if (!CanPipeline()) {
        for (int index : indices)
            DeleteMessage(index);
        return;
    }
    // In groups written at once, so the server takes each group in one read, while the replies
    // waiting to be read stay well within the socket's buffers whatever the mailbox holds.
    constexpr std::size_t kGroup = 256;
    for (std::size_t at = 0; at < indices.size(); at += kGroup) {
        const std::size_t end = std::min(indices.size(), at + kGroup);
        if (HasUnreadInput())
            Fail("The server sent a reply nobody asked for before DELE");
        std::string lines;
        for (std::size_t i = at; i < end; ++i) {
            if (OnDeleting)
                OnDeleting(*this, indices[i]);
            lines += "DELE " + std::to_string(indices[i] + 1) + "\r\n";
        }
        WriteBytes(lines);
        for (std::size_t i = at; i < end; ++i)
            AddTranscriptLine("DELE " + std::to_string(indices[i] + 1));
        for (std::size_t i = at; i < end; ++i) {
            try {
                readStatus();
            } catch (const net::ESocketError&) {
                // As for a single deletion: a refusal leaves that message and the replies go on.
                if (!Connected() || ClosedByPeer())
                    throw;
            }
        }
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
