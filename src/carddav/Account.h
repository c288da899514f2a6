#pragma once

#include "carddav/Http.h"

#include <filesystem>
#include <string>

namespace pelmora::carddav {

// The contact-sync account, kept in section "CardDAV" of the settings file. The file is written
// readable by its owner only, as it holds the password in plain text like the mail account's.
struct Account {
    std::string server; // the URL the user gave
    std::string user;
    std::string password;
    std::string book; // URL of the chosen address book
    std::string bookName;
    bool syncCollection = false;
    std::string fingerprint; // a certificate the user accepted
    std::string caFile;
    int timeOut = 60;

    static Account load(const std::filesystem::path& iniPath);
    void save(const std::filesystem::path& iniPath) const;
    Connection connection() const;
    bool configured() const { return !book.empty(); }
};

inline constexpr const char* kCardDavSection = "CardDAV";

} // namespace pelmora::carddav
