#include "protocols/TmsSMTP.h"

#include "net/SocketErrors.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cctype>
#include <sstream>

namespace pelmora::protocols {

namespace {

std::string base64(const std::string& bytes)
{
    std::string out(4 * ((bytes.size() + 2) / 3) + 1, '\0');
    int length = EVP_EncodeBlock(reinterpret_cast<unsigned char*>(out.data()),
        reinterpret_cast<const unsigned char*>(bytes.data()), static_cast<int>(bytes.size()));
    out.resize(static_cast<std::size_t>(length));
    return out;
}

// The text of an EHLO reply line after its code, in upper case, with the old "AUTH=" form
// read like "AUTH ".
std::string extensionText(const std::string& line)
{
    std::string text = line.size() > 4 ? line.substr(4) : std::string();
    std::transform(text.begin(), text.end(), text.begin(),
        [](unsigned char c) { return c == '=' ? ' ' : static_cast<char>(std::toupper(c)); });
    return text;
}

} // namespace

void TmsSMTP::Login()
{
    const MailSecurity security = effectiveSecurity(Security, Port());
    // The submission ports take mail only from a user who signed on; without a name there is
    // nothing to sign on with, and the server must not be left to take the mail anyway.
    if (security != MailSecurity::Plain && UserName.empty())
        Fail("This port requires sign-on, and no user name is given");
    UseTls = security == MailSecurity::Implicit;
    ConnectSocket();
    expect("the greeting", "2");
    readReply();
    if (security == MailSecurity::StartTls || security == MailSecurity::Implicit)
        return submissionLogin();
    helo();
}

void TmsSMTP::helo()
{
    // Some servers refuse the host name this machine gives itself; a bare HELO is then tried,
    // and the refusal is no error the user needs to see.
    m_firstGreeting = true;
    try {
        command("HELO " + LocalHostName);
    } catch (const net::ESocketError&) {
        m_firstGreeting = false;
        if (!Connected())
            throw;
        command("HELO");
    }
    m_firstGreeting = false;
}

void TmsSMTP::submissionLogin()
{
    command("EHLO " + LocalHostName);
    m_extensions = m_reply;
    if (!TlsActive()) {
        // The password must never travel in clear, so a server without STARTTLS is refused.
        if (!offers("STARTTLS"))
            Fail("The server does not offer STARTTLS, which this port requires");
        command("STARTTLS");
        StartTls();
        command("EHLO " + LocalHostName);
        m_extensions = m_reply;
    }
    authenticate();
}

bool TmsSMTP::offers(const std::string& keyword) const
{
    for (std::size_t i = 1; i < m_extensions.size(); ++i) {
        std::istringstream words(extensionText(m_extensions[i]));
        std::string word;
        words >> word;
        if (word == keyword)
            return true;
    }
    return false;
}

// Only called on the submission ports, where a server that lets the mail in without a sign-on
// is no server the user meant: the mail would go unauthenticated.
void TmsSMTP::authenticate()
{
    if (!offers("AUTH"))
        Fail("The server offers no sign-on (AUTH), which this port requires");
    std::string mechanisms;
    for (std::size_t i = 1; i < m_extensions.size(); ++i) {
        std::string text = extensionText(m_extensions[i]);
        if (text.rfind("AUTH", 0) == 0)
            mechanisms += " " + text.substr(4) + " ";
    }
    if (mechanisms.find(" PLAIN ") != std::string::npos) {
        expect("AUTH PLAIN", "2");
        WriteSecretLine("AUTH PLAIN " + base64(std::string(1, '\0') + UserName + '\0' + Password), "AUTH PLAIN ****");
        return readReply();
    }
    if (mechanisms.find(" LOGIN ") == std::string::npos)
        Fail("The server offers no sign-on method this program knows (PLAIN or LOGIN)");
    command("AUTH LOGIN", "334");
    command(base64(UserName), "334", "AUTH LOGIN");
    expect("AUTH LOGIN", "2");
    WriteSecretLine(base64(Password), "****");
    readReply();
}

} // namespace pelmora::protocols
