#pragma once

#include "mail/TmsMessage.h"
#include "net/TmsMailBase.h"
#include "protocols/MailSecurity.h"

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace pelmora::protocols {

// The envelope of one delivery: the sender and every recipient (To, then CC, then BCC).
struct SmtpEnvelope {
    std::string sender;
    std::vector<std::string> recipients;
};

// Delivers one composed message to an SMTP server in one call.
class TmsSMTP : public net::TmsMailBase {
public:
    using ProgressEvent = std::function<void(TmsSMTP& sender, int percent)>;
    using SmtpNotify = std::function<void(TmsSMTP& sender)>;
    // Size of the blocks of message text sent between progress reports.
    static constexpr std::size_t BlockSize = 2047;
    // A reply longer than this is no answer a client can act on, only a way to fill its memory.
    static constexpr std::size_t MaxReplyLines = 1000;

    explicit TmsSMTP(net::EventPump* pump = nullptr);

    // Only used where the server asks for authentication (the submission port).
    std::string UserName;
    std::string Password;
    MailSecurity Security = MailSecurity::Auto;
    // The message Send delivers; not owned.
    mail::TmsMessage* MailMessage = nullptr;

    SmtpNotify OnPrepare;
    SmtpNotify OnSending;
    SmtpNotify OnMailSent;
    ProgressEvent OnProgress;

    // Connects, composes MailMessage into a spool file and delivers it to its sender, To, CC and
    // BCC addresses, and says good-bye, also after a failure. Returns the server's reply to the
    // end of data.
    std::string Send();
    // Connects, sends the envelope and the message text of `spool` (a composed message), and
    // says good-bye, also after a failure. Returns the server's reply to the end of data.
    std::string SendSpool(const SmtpEnvelope& envelope, const std::filesystem::path& spool);

    void Open() override;
    void Cancel() override;
    // The reply lines to the last command.
    const std::vector<std::string>& LastReply() const { return m_reply; }
    // True once the server has answered the end of data with 2xx in the latest session: the
    // message is then the server's, even when the good-bye after it fails.
    bool DataAccepted() const { return m_dataAccepted; }
    // That 2xx reply; empty until then.
    const std::string& AcceptReply() const { return m_acceptReply; }

protected:
    void ProcessLine(const std::string& line) override;
    void Login() override;
    void Logout() override;

private:
    std::string session(const std::function<void()>& work);
    void readReply();
    // Sends `line` and reads its reply, which must begin with `expected`; `verb` names the
    // command in errors (by default the line's first word).
    void command(const std::string& line, const std::string& expected = "2", const std::string& verb = {});
    void expect(std::string verb, std::string code);
    void checkEnvelope(const SmtpEnvelope& envelope);
    void helo();
    void submissionLogin();
    void authenticate();
    bool offers(const std::string& keyword) const;
    void sendEnvelope(const SmtpEnvelope& envelope);
    void sendText(const std::filesystem::path& spool);
    void progress(int percent);

    bool m_firstGreeting = false;
    std::string m_verb = "the greeting";
    std::string m_expected = "2";
    bool m_quitting = false;
    bool m_dataAccepted = false;
    std::string m_acceptReply;
    std::vector<std::string> m_reply;
    std::vector<std::string> m_extensions;
};

} // namespace pelmora::protocols
