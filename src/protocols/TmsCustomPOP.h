#pragma once

#include "net/TmsMailBase.h"
#include "protocols/MailSecurity.h"

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
    bool RetrieveMessage(int index);
    void DeleteMessage(int index);

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
};

} // namespace pelmora::protocols
