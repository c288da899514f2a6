#include "carddav/Account.h"

#include "settings/IniFile.h"

#include <algorithm>

namespace pelmora::carddav {

Account Account::load(const std::filesystem::path& iniPath)
{
    const settings::IniFile ini = settings::IniFile::load(iniPath);
    auto text = [&](const char* key) { return ini.value(kCardDavSection, key).value_or(""); };
    Account account;
    account.server = text("Server");
    account.user = text("User");
    account.password = text("Password");
    account.book = text("Book");
    account.bookName = text("BookName");
    account.syncCollection = ini.integer(kCardDavSection, "SyncCollection", 0) != 0;
    account.fingerprint = text("Fingerprint");
    account.caFile = text("CaFile");
    account.timeOut = ini.integer(kCardDavSection, "TimeOut", 60);
    if (account.timeOut <= 0)
        account.timeOut = 60;
    return account;
}

void Account::save(const std::filesystem::path& iniPath) const
{
    settings::IniFile ini = settings::IniFile::load(iniPath);
    ini.setValue(kCardDavSection, "Server", server);
    ini.setValue(kCardDavSection, "User", user);
    ini.setValue(kCardDavSection, "Password", password);
    ini.setValue(kCardDavSection, "Book", book);
    ini.setValue(kCardDavSection, "BookName", bookName);
    ini.setValue(kCardDavSection, "SyncCollection", syncCollection ? "1" : "0");
    ini.setValue(kCardDavSection, "Fingerprint", fingerprint);
    ini.setValue(kCardDavSection, "CaFile", caFile);
    ini.setValue(kCardDavSection, "TimeOut", std::to_string(timeOut));
    ini.save(iniPath);
}

Connection Account::connection() const
{
    Connection c;
    c.user = user;
    c.password = password;
    c.caFile = caFile;
    c.trustedFingerprint = fingerprint;
    c.timeoutSeconds = timeOut;
    c.connectTimeoutSeconds = std::min(timeOut, 15);
    return c;
}

} // namespace pelmora::carddav
