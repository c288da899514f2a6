#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora::settings {

class Paths;

// The values the program keeps in section "Setup" of its INI file. Defaults are those of a
// missing key; integer keys whose text is not a number also read as their default.
struct Settings {
    std::string smtpServer; // SmtpServer
    std::string emailAddress; // EMail Address
    std::string senderName; // Sender Name
    int charSet = 0; // CharSet
    int encoding = 0; // Encoding
    std::string server; // Server (POP3)
    std::string userName; // User Name
    std::string password; // Password, kept as plain text: the file is created readable by its owner only
    int ras = 0; // RAS: 0 = no dial-up, n = n-th phone-book entry
    int defImp = 1; // DefImp: default import program
    std::string defImpStr; // DefImpStr: default import file
    std::string lastData; // LastData: current database directory
    std::string fileHtm; // FileHtm: next page number
    std::string lastDataName; // LastDataName: current database name
    std::string logFile; // Log File: read only, never written at exit

    // Reads every key as stored; a missing file, section or key gives the defaults.
    static Settings load(const std::filesystem::path& iniPath);
    // Writes the keys as the program does at exit: every key but "Log File" (unless
    // `withLogFile`, for a user who sets it on purpose), in table order, keeping whatever else
    // the file holds. The file is replaced atomically and made 0600.
    void save(const std::filesystem::path& iniPath, bool withLogFile = false) const;

    // What the main window does after reading: an empty next page number becomes "1"; an empty
    // database directory, or "Sample", becomes the data directory.
    void applyStartDefaults(const Paths& paths);
    // What the main window does before writing: an empty database directory becomes the data directory.
    void applyExitDefaults(const Paths& paths);

    // Access by INI key name (matched without regard to case), for the command line. Integers are
    // given and returned in decimal; `set` throws pelmora::Error for an unknown key or a value that
    // is not a whole number of 0 or more. `load` takes numbers as the file has them: users of
    // `ras`, `defImp`, `charSet` and `encoding` check them against their own lists.
    std::string get(std::string_view key) const;
    void set(std::string_view key, const std::string& value);

    bool operator==(const Settings&) const = default;
};

// One INI key of section "Setup".
struct SettingKey {
    const char* name; // as written in the file
    bool isInteger;
    bool writtenAtExit; // false only for "Log File"
};

// The fifteen keys in the order the program writes them.
const std::vector<SettingKey>& settingKeys();
// The key of that name (case-insensitive), or nullptr.
const SettingKey* findSettingKey(std::string_view name);

inline constexpr const char* kSetupSection = "Setup";

} // namespace pelmora::settings
