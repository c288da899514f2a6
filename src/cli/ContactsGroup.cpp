#include "cli/ContactGroups.h"

#include "base/Error.h"

namespace pelmora::cli {

namespace {

struct Subcommand {
    const char* name;
    int (*run)(Context& context, std::vector<std::string> words);
};

const Subcommand kSubcommands[] = {
    { "import", runContactsImport },
    { "export", runContactsExport },
};

int runContacts(Context& context, std::vector<std::string> words)
{
    const std::string command = words.empty() ? std::string() : words.front();
    for (const Subcommand& subcommand : kSubcommands)
        if (command == subcommand.name) {
            words.erase(words.begin());
            return subcommand.run(context, std::move(words));
        }
    std::string names;
    for (const Subcommand& subcommand : kSubcommands)
        names += (names.empty() ? "" : ", ") + std::string(subcommand.name);
    throw UsageError("Unknown contacts command \"" + command + "\" (use " + names + ")");
}

} // namespace

const CommandGroup contactsGroup = { "contacts",
    "  contacts import FILE [--format vcard|csv] [--map FIELD=COLUMN]... [--dry-run]\n"
    "      Contacts from a vCard or CSV file; one already there (same e-mail address, or same\n"
    "      name and company) is updated or left alone, never doubled; unreadable records are\n"
    "      listed under \"problems\" with their card or line number and the rest comes in\n"
    "  contacts export (--vcard [--version 3|4] | --csv) [--where EXPR] [--per-contact] --out FILE\n"
    "      Contacts (all, or those EXPR selects) to one new file, or one file each in the\n"
    "      folder --out names with --per-contact\n",
    runContacts };

} // namespace pelmora::cli
