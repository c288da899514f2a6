#pragma once

#include "mail/TmsMessage.h"

#include <string>
#include <string_view>
#include <vector>

namespace pelmora::settings {
struct Settings;
}
namespace pelmora::protocols {
class TmsSMTP;
class TmsCustomPOP;
} // namespace pelmora::protocols

namespace pelmora::mailstore {

// The e-mail settings as the mail components use them. The stored numbers are kept as they
// are; only their use is clamped, so a value from a newer or hand-edited file never indexes
// past a list and is never rewritten unless the user changes it.
struct MailAccount {
    std::string smtpServer;
    std::string pop3Server;
    std::string address; // the user's own address, the sender of every message
    std::string name;
    std::string userName; // also the SMTP login where the server asks for one
    std::string password;
    std::string logFile;
    mail::TCharSet charSet = mail::csUSASCII;
    mail::TMsgEncoding encoding = mail::meMIME;
    int timeOut = 600;

    static MailAccount fromSettings(const settings::Settings& settings);
    // PELMORA_USER and PELMORA_PASSWORD, where set, replace the stored user name and password.
    void applyEnvironment();
    // Gives a client its server, time-out, log file and account.
    void configure(protocols::TmsSMTP& smtp) const;
    void configure(protocols::TmsCustomPOP& pop) const;
};

// The charset and encoding that a stored setting stands for, clamped to the known choices.
mail::TCharSet clampedCharSet(int stored);
mail::TMsgEncoding clampedEncoding(int stored);

// The addresses of a line such as the Cc line: split at "," and ";", trimmed, empties dropped.
std::vector<std::string> splitAddresses(std::string_view line);
// Refuses an address that holds a control character (a line break would let it add commands
// or header lines of its own); `what` names it in the error.
void checkAddress(std::string_view address, std::string_view what);

} // namespace pelmora::mailstore
