// The dispatcher of the `contacts` group.
#include "cli/ContactGroup.h"

#include "base/Error.h"

namespace pelmora::cli {

namespace {

int runContacts(Context& context, std::vector<std::string> words)
{
    const std::string command = words.empty() ? std::string() : words.front();
    if (!words.empty())
        words.erase(words.begin());
    if (command == "list")
        return contactsList(context, std::move(words));
    if (command == "import")
        return runContactsImport(context, std::move(words));
    if (command == "export")
        return runContactsExport(context, std::move(words));
    if (isContactDuplicateCommand(command))
        return runContactDuplicateCommand(context, command, std::move(words));
    throw UsageError("Unknown contacts command \"" + command + "\" (use list, import, export, duplicates or merge)");
}

} // namespace

const CommandGroup contactsGroup = { "contacts",
    "  pelmora contacts list [--category1|--category2|--category3 NAME] [--with-url] [--where EXPR]\n"
    "        [--order FIELD]                the contacts as the Contact List (with --with-url the URL List)\n"
    "                                       narrows them; categories match whole\n"
    "  pelmora contacts import FILE [--format vcard|csv] [--map FIELD=COLUMN]... [--charset NAME] [--dry-run]\n"
    "                                        contacts from a vCard or CSV file; one already there (same\n"
    "                                        e-mail address, or same name and company) is updated or left\n"
    "                                        alone, never doubled; unreadable records are listed under\n"
    "                                        \"problems\" with their card or line number\n"
    "  pelmora contacts export (--vcard [--version 3|4] | --csv) [--where EXPR] [--per-contact] --out FILE\n"
    "                                        contacts (all, or those EXPR selects) to one new file, or one\n"
    "                                        file each in the folder --out names with --per-contact\n"
    "  pelmora contacts duplicates           pairs of contacts that are probably one, with the reasons\n"
    "  pelmora contacts merge KEEP OTHER [--take FIELD]... [--keep FIELD]... [--dry-run]\n"
    "                                        merge contact OTHER into KEEP, moving all its details\n",
    &runContacts };

} // namespace pelmora::cli
