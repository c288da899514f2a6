#pragma once

#include "cli/Args.h"

#include <nlohmann/json_fwd.hpp>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace pelmora::cli {

// What every command shares: the global options given before the command's name.
struct Context {
    std::optional<std::filesystem::path> home; // --home DIR
    std::string argv0;
};

// One command group (`table`, `mime`, ...). `run` gets the words after the group name.
struct CommandGroup {
    const char* name;
    const char* usage; // lines shown by --help
    int (*run)(Context& context, std::vector<std::string> words);
};

// Prints a JSON value on standard output, indented, followed by a line end.
void printJson(const nlohmann::json& value);

// `pelmora email send | send-queued | check`, beside the message commands of the data module.
int runMailCommand(Context& context, const std::string& command, std::vector<std::string> words);
// `pelmora email retrieve | file | file-all | list | show | save | delete | attachments | import`.
bool isMailboxCommand(const std::string& command);
int runMailboxCommand(Context& context, const std::string& command, std::vector<std::string> words);

// The groups of each module, defined beside their handlers.
extern const CommandGroup settingsGroup;
extern const CommandGroup dbGroup;
extern const CommandGroup tableGroup;
extern const CommandGroup emailGroup;
extern const CommandGroup mimeGroup;
extern const CommandGroup smtpGroup;
extern const CommandGroup pop3Group;
extern const CommandGroup httpGroup;
extern const CommandGroup databasesGroup;
extern const CommandGroup dialupGroup;
extern const CommandGroup reportGroup;
extern const CommandGroup rtfGroup;
extern const CommandGroup faxGroup;
extern const CommandGroup carddavGroup;

} // namespace pelmora::cli
