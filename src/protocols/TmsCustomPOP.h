#pragma once

#include "net/TmsMailBase.h"
#include "protocols/MailSecurity.h"

#include <deque>
#include <filesystem>
#include <functional>
#include <istream>
#include <string>
#include <vector>

namespace pelmora::protocols {

class MessageSpool;

// Fetches every message of a POP3 mailbox in one call, each handed on as its raw text, and
// deletes on the server only what was handed on without error.
class TmsCustomPOP : public net::TmsMailBase {
public:
    using NumNotifyEvent = std::function<void(TmsCustomPOP& sender, int number)>;
    using ProgressEvent = std::function<void(TmsCustomPOP& sender, int percent)>;
    using MessageEvent = std::function<void(TmsCustomPOP& sender, int index, std::istream& text)>;

    explicit TmsCustomPOP(net::EventPump* pump = nullptr);

    std::string UserName;
    std::string Password;
    MailSecurity Security = MailSecurity::Auto;

    NumNotifyEvent OnRetrieving;
    NumNotifyEvent OnRetrieved;
    NumNotifyEvent OnDeleting;
    ProgressEvent OnProgress;
    // Receives each message's text where no subclass takes it; an exception keeps the message
    // on the server.
    MessageEvent OnMessage;

    void Retrieve(bool leaveOnServer);
    // Fetches message `index` (zero-based) and hands it on; false when MessageReceived failed,
    // in which case the message must stay on the server.
    // A message requested ahead with RequestMessage must be the next one retrieved.
    bool RetrieveMessage(int index);
    void DeleteMessage(int index);

    // Whether the server takes further commands before it has answered the earlier ones (it
    // announces PIPELINING in its CAPA reply). Asked once per session, after the sign-on; a
    // server that does not know CAPA cannot.
    bool CanPipeline();
    // Sends the RETR of message `index` without waiting for the reply, so the server is already
    // sending it while the messages before it are handed on; RetrieveMessage(index) reads it.
    // Only with a server that can pipeline; the replies come in the order of the requests.
    void RequestMessage(int index);
    // Requests sent ahead whose replies are not read yet; no other command may go before them.
    std::size_t PendingRequests() const { return m_ahead.size(); }
    // Reads the replies to the requests sent ahead without handing the messages on, so they
    // stay on the server (a stop after the current message).
    void DiscardRequests();
    // Deletes the messages; with a server that can pipeline, the commands go out in groups
    // and their replies are read after each group. A refused deletion leaves its message on
    // the server and the others go on.
    void DeleteMessages(const std::vector<int>& indices);

    void Open() override;
    int MessageCount() const { return m_count; }
    long long MailboxSize() const { return m_size; }

protected:
    // Receives the complete text of one message, as the sender wrote it (dot-stuffing undone).
    // Hands it to OnMessage; without a handler nothing takes it, so it stays on the server.
    virtual void MessageReceived(int index, std::istream& text);
    virtual void CheckAccount();
    void ProcessLine(const std::string& line) override;
    void Login() override;
    void Logout() override;

private:
    std::string readStatus();
    // Sends a command (shown as `shown` in the transcript) and reads its one-line reply.
    std::string command(const std::string& line) { return command(line, line); }
    std::string command(const std::string& line, const std::string& shown);
    void checkAccountText();
    long long expectedSize(int index);
    void listSizes();
    // The next line of a reply of many lines into `line`; false at its terminator. Line number
    // `read` past `limit` fails the session with `tooLong`: a list without end cannot be trusted.
    bool readListLine(std::string& line, int read, int limit, const char* tooLong);
    void receiveText(long long expected, MessageSpool& spool);
    void progress(int percent);

    int m_count = -1;
    long long m_size = -1;
    // Sizes of the messages, asked once with a single LIST; 0 where none is known.
    enum class Listing { NotAsked, Listed, PerMessage };
    Listing m_listing = Listing::NotAsked;
    std::vector<long long> m_sizes;
    // While set, ProcessLine lets lines pass that are not status replies (the lines of a scan
    // listing), and refusals that only cost the progress figures.
    bool m_lenient = false;
    enum class Capability { NotAsked, Yes, No };
    Capability m_pipelining = Capability::NotAsked;
    std::deque<int> m_ahead; // messages whose RETR was sent and whose reply is still to be read
};

} // namespace pelmora::protocols
