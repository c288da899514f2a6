#include "mailstore/MailAccount.h"

#include "mail/MailErrors.h"
#include "protocols/TmsCustomPOP.h"
#include "protocols/TmsSMTP.h"
#include "settings/Settings.h"

#include <algorithm>
#include <cstdlib>

namespace pelmora::mailstore {

mail::TCharSet clampedCharSet(int stored)
{
    return static_cast<mail::TCharSet>(std::clamp(stored, 0, int(mail::csUTF8)));
}

mail::TMsgEncoding clampedEncoding(int stored)
{
    return static_cast<mail::TMsgEncoding>(std::clamp(stored, 0, int(mail::meUU)));
}

MailAccount MailAccount::fromSettings(const settings::Settings& settings)
{
    MailAccount account;
    account.smtpServer = settings.smtpServer;
    account.pop3Server = settings.server;
    account.address = settings.emailAddress;
    account.name = settings.senderName;
    account.userName = settings.userName;
    account.password = settings.password;
    account.logFile = settings.logFile;
    account.charSet = clampedCharSet(settings.charSet);
    account.encoding = clampedEncoding(settings.encoding);
    return account;
}

void MailAccount::applyEnvironment()
{
    if (const char* user = std::getenv("PELMORA_USER"))
        userName = user;
    if (const char* password = std::getenv("PELMORA_PASSWORD"))
        this->password = password;
}

void MailAccount::configure(protocols::TmsSMTP& smtp) const
{
    smtp.Server = smtpServer;
    smtp.TimeOut = timeOut;
    smtp.LogFileName = logFile;
    smtp.UserName = userName;
    smtp.Password = password;
}

void MailAccount::configure(protocols::TmsCustomPOP& pop) const
{
    pop.Server = pop3Server;
    pop.TimeOut = timeOut;
    pop.UserName = userName;
    pop.Password = password;
}

std::vector<std::string> splitAddresses(std::string_view line)
{
    std::vector<std::string> addresses;
    std::size_t start = 0;
    while (start <= line.size()) {
        std::size_t end = line.find_first_of(",;", start);
        if (end == std::string_view::npos)
            end = line.size();
        std::string_view part = line.substr(start, end - start);
        const auto first = part.find_first_not_of(" \t");
        if (first != std::string_view::npos) {
            part = part.substr(first, part.find_last_not_of(" \t") - first + 1);
            addresses.emplace_back(part);
        }
        start = end + 1;
    }
    return addresses;
}

void checkAddress(std::string_view address, std::string_view what)
{
    for (unsigned char c : address) {
        if (c < 0x20 || c == 0x7F)
            throw mail::EMessageError("The " + std::string(what) + " address \"" + std::string(address)
                + "\" holds a control character and cannot be sent");
    }
}

} // namespace pelmora::mailstore
