// `pelmora db`, `pelmora table` and `pelmora email`: the records of the current database, changed
// through the same data module as the windows use, so every rule runs.
#include "base/Error.h"
#include "cli/Args.h"
#include "cli/Command.h"
#include "cli/DataSession.h"

#include <iostream>

namespace pelmora::cli {

namespace {

using data::TableDef;
using data::TableView;

int dbInfo(Context& context, std::vector<std::string> words)
{
    if (words.empty() || words.front() != "info")
        throw UsageError(words.empty() ? "Missing db command" : "Unknown db command \"" + words.front() + "\"");
    Args args({ words.begin() + 1, words.end() }, {});
    args.expectEnd();
    DataSession session(context);
    nlohmann::ordered_json tables = nlohmann::ordered_json::object();
    for (const TableDef& table : data::allTables())
        tables[table.name] = session.databaseFor(table)->count(table);
    nlohmann::ordered_json info = { { "name", session.settings().lastDataName },
        { "directory", session.module().currentDirectory().string() }, { "tables", tables } };
    std::cout << info.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    return 0;
}

std::vector<std::string> fieldList(const TableView& view, const std::optional<std::string>& option)
{
    std::vector<std::string> names;
    if (!option) {
        for (const auto& f : view.fields())
            names.push_back(f.name);
        return names;
    }
    std::string name;
    for (char c : *option + ",") {
        if (c != ',') {
            name += c;
            continue;
        }
        if (view.fieldIndex(name) < 0)
            throw Error("Unknown field \"" + name + "\" in table " + view.table().fileName);
        names.push_back(view.fields()[size_t(view.fieldIndex(name))].name);
        name.clear();
    }
    return names;
}

// A view of its own over the table, so that listing never moves the windows' views.
std::unique_ptr<TableView> listView(DataSession& session, const TableDef& table, Args& args)
{
    auto view = std::make_unique<TableView>("list", table);
    view->setDatabase(session.databaseFor(table));
    if (auto where = args.option("where")) {
        view->setFilter(*where);
        view->setFiltered(true);
    }
    if (auto contact = args.option("contact")) {
        if (!table.field("Contact"))
            throw Error("Table " + table.fileName + " has no Contact field");
        view->addCondition("Contact = " + std::to_string(parseCounter(*contact, "--contact")));
        view->applyConditions();
    }
    if (auto order = args.option("order")) {
        if (table.index(*order) || order->empty())
            view->setIndexName(*order);
        else
            view->setIndexFieldNames(*order);
    }
    view->open();
    return view;
}

int tableList(DataSession& session, const TableDef& table, Args& args)
{
    auto view = listView(session, table, args);
    const auto fields = fieldList(*view, args.option("fields"));
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (view->first(); !view->isEmpty() && !view->eof(); view->next())
        list.push_back(recordJson(*view, fields));
    std::cout << list.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    return 0;
}

// Detail records are started in their contact-linked view, with the contact current, so that the
// new record's defaults and editor rule run as when the user presses the add button.
TableView& viewForAdd(DataSession& session, const TableDef& table)
{
    auto& module = session.module();
    // Messages go in through the all-messages view, which has no master, so that Contact=1 (the
    // inbox) is possible; a message still needs an owner, or no window would ever show it.
    const bool message = table.name == "EMAIL";
    TableView& view = message ? module.TBLEmailFull : module.viewForTable(table);
    if (view.master() != &module.TBLCon && !message)
        return view;
    std::int64_t contact = 0;
    for (const auto& [field, value] : session.prompts().assignments) {
        if (field == "Contact")
            contact = parseCounter(value, "Contact");
    }
    if (contact == 0)
        throw Error("A record of " + table.fileName + " needs Contact=N, the contact it belongs to"
            + (message ? " (1 for the inbox)" : ""));
    if (!(message && contact == 1) && !module.TBLCon.gotoRowId(contact))
        throw Error("There is no contact numbered " + std::to_string(contact));
    return view;
}

// The windows never edit the list of databases (only the Database List's commands change it,
// with the Sample row and the database directories they guard) nor which user fields exist
// (only their names); these commands hold to the same.
void checkChangeable(const TableDef& table, const std::string& command,
    const std::vector<std::pair<std::string, std::string>>& assignments)
{
    if (table.name == "BaseName")
        throw Error("The list of databases is changed with pelmora databases new, insert and delete");
    if (table.name != "MoreName")
        return;
    if (command != "set")
        throw Error("The user fields are fixed; pelmora table set MoreName COUNTER NikName=NAME names one");
    for (const auto& [field, value] : assignments) {
        if (field != "NikName")
            throw Error("Only the name (NikName) of a user field can be changed");
    }
}

// A record may only be moved to a contact that exists (or, for a message, to the inbox): a
// message set to contact 0 would be hidden as if cut, anything else shown by no window.
void checkOwner(
    DataSession& session, const TableDef& table, const std::vector<std::pair<std::string, std::string>>& assignments)
{
    for (const auto& [field, value] : assignments) {
        if (field != "Contact" || !table.field("Contact"))
            continue;
        const std::int64_t contact = parseCounter(value, "Contact");
        if (table.name == "EMAIL" && contact == 1)
            continue;
        if (contact == 0 || !session.module().TBLCon.gotoRowId(contact))
            throw Error("There is no contact numbered " + std::to_string(contact));
    }
}

int tableAdd(DataSession& session, const TableDef& table, Args& args)
{
    session.prompts().assignments = parseAssignments(table, args.rest());
    checkChangeable(table, "add", session.prompts().assignments);
    TableView& view = viewForAdd(session, table);
    view.insert();
    if (view.state() == data::ViewState::Insert) {
        if (!session.prompts().applied)
            session.prompts().apply(view);
        try {
            view.post();
        } catch (...) {
            view.cancel();
            throw;
        }
    }
    const data::Record* record = view.current();
    std::cout << (table.hasCounter() ? view.asInteger("Counter") : record ? record->rowId : 0) << '\n';
    return 0;
}

// Finds a record by Counter (rowid) in a view of its own that shows the whole table.
std::unique_ptr<TableView> recordView(DataSession& session, const TableDef& table, std::int64_t counter)
{
    auto view = std::make_unique<TableView>("record", table);
    view->setDatabase(session.databaseFor(table));
    view->open();
    if (!view->gotoRowId(counter))
        throw Error("There is no record " + std::to_string(counter) + " in table " + table.fileName);
    return view;
}

int tableSet(DataSession& session, const TableDef& table, Args& args)
{
    const std::int64_t counter = parseCounter(args.next("COUNTER"), "COUNTER");
    const auto assignments = parseAssignments(table, args.rest());
    checkChangeable(table, "set", assignments);
    checkOwner(session, table, assignments);
    auto view = recordView(session, table, counter);
    view->edit();
    for (const auto& [field, value] : assignments)
        view->setString(field, value);
    view->post();
    return 0;
}

int tableDelete(DataSession& session, const TableDef& table, Args& args)
{
    const std::int64_t counter = parseCounter(args.next("COUNTER"), "COUNTER");
    args.expectEnd();
    checkChangeable(table, "delete", {});
    auto& module = session.module();
    if (table.name == "Contacts") {
        if (!module.TBLCon.gotoRowId(counter))
            throw Error("There is no contact numbered " + std::to_string(counter));
        module.TBLCon.remove();
    } else if (table.name == "EMAIL") {
        module.TBLEmailFull.setFiltered(false);
        const bool found = module.TBLEmailFull.gotoRowId(counter);
        if (found)
            module.TBLEmailFull.remove();
        module.TBLEmailFull.setFiltered(true);
        if (!found)
            throw Error("There is no message numbered " + std::to_string(counter));
    } else {
        recordView(session, table, counter)->remove();
    }
    return 0;
}

int runTable(Context& context, std::vector<std::string> words)
{
    Args args(std::move(words), { "where", "order", "contact", "fields" });
    const std::string command = args.next("table command");
    const TableDef* table = data::findTable(args.next("TABLE"));
    if (command != "list" && command != "count" && command != "add" && command != "set" && command != "delete")
        throw UsageError("Unknown table command \"" + command + "\"; see pelmora --help");
    if (!table)
        throw Error("Unknown table; the tables are Contacts, EMAIL, Attach, Links, Activity, People, notes, "
                    "documents, category, jobTitle, Depart, ActDesc, Ip2zip, BaseName and MoreName");
    DataSession session(context);
    if (command == "list")
        return tableList(session, *table, args);
    if (command == "count") {
        args.expectEnd();
        std::cout << listView(session, *table, args)->recordCount() << '\n';
        return 0;
    }
    if (command == "add")
        return tableAdd(session, *table, args);
    if (command == "set")
        return tableSet(session, *table, args);
    return tableDelete(session, *table, args);
}

int runEmail(Context& context, std::vector<std::string> words)
{
    if (!words.empty() && (words[0] == "send" || words[0] == "send-queued" || words[0] == "check")) {
        const std::string command = words[0];
        words.erase(words.begin());
        return runMailCommand(context, command, std::move(words));
    }
    if (!words.empty() && isMailboxCommand(words[0])) {
        const std::string command = words[0];
        words.erase(words.begin());
        return runMailboxCommand(context, command, std::move(words));
    }
    Args args(std::move(words), { "to" });
    const std::string command = args.next("email command");
    if (command != "copy" && command != "move")
        throw UsageError("Unknown email command \"" + command + "\"; see pelmora --help");
    const std::int64_t message = parseCounter(args.next("COUNTER"), "COUNTER");
    const std::int64_t target = parseCounter(args.required("to"), "--to");
    args.expectEnd();
    DataSession session(context);
    auto& module = session.module();
    TableView* targetView = &module.TBLEmailFull;
    if (target != 1) {
        if (!module.TBLCon.gotoRowId(target))
            throw Error("There is no contact numbered " + std::to_string(target));
        targetView = &module.TBLEmail;
    }
    module.TBLEmailFull.setFiltered(false);
    const bool found = module.TBLEmailFull.gotoRowId(message);
    if (found && command == "copy")
        module.copyToClipboard(module.TBLEmailFull);
    else if (found)
        module.cutToClipboard(module.TBLEmailFull);
    module.TBLEmailFull.setFiltered(true);
    if (!found)
        throw Error("There is no message numbered " + std::to_string(message));
    std::cout << module.paste(target, *targetView) << '\n';
    return 0;
}

} // namespace

const CommandGroup dbGroup = {
    "db",
    "  pelmora db info                       the current database and its record counts (JSON)\n",
    dbInfo,
};

const CommandGroup tableGroup = {
    "table",
    "  pelmora table list TABLE [--where EXPR] [--order INDEX-OR-FIELDS] [--contact N] [--fields F,F,...]\n"
    "  pelmora table count TABLE [--where EXPR]\n"
    "  pelmora table add TABLE FIELD=VALUE ...     prints the new Counter\n"
    "  pelmora table set TABLE COUNTER FIELD=VALUE ...\n"
    "  pelmora table delete TABLE COUNTER\n",
    runTable,
};

const CommandGroup emailGroup = {
    "email",
    "  pelmora email copy COUNTER --to CONTACT    copy a message to a contact (1 = inbox)\n"
    "  pelmora email move COUNTER --to CONTACT    move a message to a contact (1 = inbox)\n"
    "  pelmora email send --contact N --to ADDR --subject S [--body-file F] [--attach F]... [--cc ADDR]...\n"
    "        [--later]                       store the message under contact N, then send it (JSON)\n"
    "  pelmora email send-queued (--contact N | --all)   send the queued messages (JSON, one per message)\n"
    "  pelmora email check                   sign on to the POP3 and SMTP servers and off again\n"
    "  pelmora email retrieve [--leave]      fetch the new mail into the inbox (JSON, one per message);\n"
    "        exit 1 when a message had to stay on the server\n"
    "  pelmora email file COUNTER (--to CONTACT | --by-sender)   file an inbox message under a contact\n"
    "  pelmora email file-all                file every inbox message by its sender ({filed, left})\n"
    "  pelmora email list [--inbox | --contact N | --all] [--status sent|received]\n"
    "  pelmora email show COUNTER            a message with its body and attachment files (JSON)\n"
    "  pelmora email save COUNTER --out FILE [--force]   the message as text (--force replaces FILE)\n"
    "  pelmora email delete COUNTER          delete a message, its attachment rows and unshared files\n"
    "  pelmora email attachments COUNTER     the attachment files of a message (JSON)\n"
    "  pelmora email import [FILE] [--format netscape|eudora|mbox|maildir] [--dry-run]\n"
    "        store a mailbox's messages in the inbox, each once ({messages, stored, kept_whole, skipped})\n",
    runEmail,
};

} // namespace pelmora::cli
