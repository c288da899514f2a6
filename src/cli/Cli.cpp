#include "cli/Cli.h"
#include "cli/ContactGroup.h"
#include "cli/ListGroups.h"

#include "base/Error.h"
#include "cli/Command.h"

#include <nlohmann/json.hpp>

#include <cstring>
#include <iostream>

namespace pelmora::cli {

namespace {

// Every command group; each module adds its group here.
const std::vector<const CommandGroup*>& groups()
{
    static const std::vector<const CommandGroup*> all = {
        &settingsGroup,
        &dbGroup,
        &tableGroup,
        &emailGroup,
        &mimeGroup,
        &smtpGroup,
        &pop3Group,
        &httpGroup,
        &databasesGroup,
        &dialupGroup,
        &reportGroup,
        &rtfGroup,
        &faxGroup,
        &carddavGroup,
        &activitiesGroup,
        &documentsGroup,
        &helpGroup,
        &contactsGroup,
    };
    return all;
}

const CommandGroup* findGroup(const std::string& name)
{
    for (const CommandGroup* group : groups()) {
        if (name == group->name)
            return group;
    }
    return nullptr;
}

void printHelp()
{
    std::cout << "Usage: pelmora [--home DIR] [COMMAND ...]\n"
                 "Without a command, starts the desktop application.\n\n"
                 "  pelmora --version\n"
                 "  pelmora --help\n";
    for (const CommandGroup* group : groups())
        std::cout << group->usage;
    // The desktop side answers this one itself; it is listed here so that it can be found.
    std::cout << "  pelmora screenshots DIR              draw every window into DIR as PNG files\n";
}

struct Parsed {
    Context context;
    std::vector<std::string> words; // the command and its arguments
};

Parsed parse(int argc, char** argv)
{
    Parsed parsed;
    parsed.context.argv0 = argc > 0 ? argv[0] : "pelmora";
    int i = 1;
    while (i < argc) {
        std::string word = argv[i];
        if (word == "--home") {
            if (i + 1 >= argc)
                throw UsageError("Option --home needs a value");
            parsed.context.home = std::filesystem::path(argv[i + 1]);
            i += 2;
        } else if (word.rfind("--home=", 0) == 0) {
            parsed.context.home = std::filesystem::path(word.substr(7));
            ++i;
        } else {
            break;
        }
    }
    for (; i < argc; ++i)
        parsed.words.emplace_back(argv[i]);
    return parsed;
}

} // namespace

void printJson(const nlohmann::json& value)
{
    std::cout << value.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

bool isCommandLine(int argc, char** argv)
{
    try {
        Parsed parsed = parse(argc, argv);
        if (parsed.words.empty())
            return false;
        // Options of the desktop application (Qt's own, such as -platform) start with a dash;
        // any other first word is a command, so a mistyped one is reported, not ignored.
        const std::string& first = parsed.words.front();
        return first == "--version" || first == "--help" || first == "-h" || first.front() != '-';
    } catch (const UsageError&) {
        return true; // let run() report it
    }
}

int run(int argc, char** argv)
{
    try {
        Parsed parsed = parse(argc, argv);
        if (parsed.words.empty()) {
            printHelp();
            return 2;
        }
        const std::string first = parsed.words.front();
        if (first == "--version") {
            std::cout << "pelmora " << PELMORA_VERSION << '\n';
            return 0;
        }
        if (first == "--help" || first == "-h") {
            printHelp();
            return 0;
        }
        const CommandGroup* group = findGroup(first);
        if (!group)
            throw UsageError("Unknown command \"" + first + "\"; see pelmora --help");
        parsed.words.erase(parsed.words.begin());
        return group->run(parsed.context, std::move(parsed.words));
    } catch (const UsageError& error) {
        std::cerr << "pelmora: " << error.what() << '\n';
        return 2;
    } catch (const std::exception& error) {
        std::cerr << error.what() << '\n';
        return 1;
    }
}

} // namespace pelmora::cli
