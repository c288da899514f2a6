#include "cli/Command.h"
#include "cli/DataSession.h"

#include "base/Error.h"
#include "mailstore/Filing.h"
#include "mailstore/Inbox.h"
#include "mailstore/MailAccount.h"
#include "mailstore/MailImport.h"
#include "mailstore/MessageText.h"
#include "mailstore/Retrieval.h"
#include "mailstore/StoredMessage.h"
#include "protocols/TmsCustomPOP.h"

#include <nlohmann/json.hpp>

#include <iostream>
#include <set>

namespace pelmora::cli {

namespace {

using nlohmann::ordered_json;

data::Database& database(DataSession& session)
{
    return *session.module().currentDatabase();
}

ordered_json rowJson(const mailstore::StoredMessage& message, bool whole)
{
    ordered_json json = { { "counter", message.counter }, { "contact", message.contact },
        { "status", message.status == mailstore::kOutgoing ? "sent" : "received" }, { "subject", message.subject },
        { "sender_name", message.senderName }, { "sender_email", message.senderEmail },
        { "date", message.dateCreated.iso() }, { "attachments", message.attachments } };
    if (whole) {
        json["queued"] = message.queue;
        json["to_email"] = message.toEmail;
        json["remark"] = message.remark;
        json["number"] = message.number ? ordered_json(*message.number) : ordered_json();
        json["body"] = message.body;
    }
    return json;
}

int retrieve(Context& context, std::vector<std::string> words)
{
    Args args(std::move(words), {}, { "leave" });
    args.expectEnd();
    DataSession session(context);
    mailstore::MailAccount account = mailstore::MailAccount::fromSettings(session.settings());
    account.applyEnvironment();
    protocols::TmsCustomPOP pop;
    account.configure(pop);
    mailstore::Retrieval retrieval(database(session), session.paths().attachDir());
    retrieval.onStatus = [](const std::string& text) { std::cerr << text << '\n'; };
    const mailstore::RetrievalResult result = retrieval.run(pop, args.flag("leave"));
    ordered_json list = ordered_json::array();
    for (const mailstore::RetrievedMessage& message : result.messages) {
        ordered_json json = { { "counter", message.counter }, { "number", message.number },
            { "subject", message.subject }, { "sender", message.sender }, { "attachments", message.attachments } };
        if (message.duplicate)
            json["duplicate"] = true;
        if (message.keptWhole)
            json["kept_whole"] = true;
        list.push_back(std::move(json));
    }
    printJson(list);
    for (const std::string& error : result.errors)
        std::cerr << error << '\n';
    if (!result.error.empty())
        std::cerr << result.error << '\n';
    return result.leftOnServer ? 1 : 0;
}

int file(Context& context, std::vector<std::string> words)
{
    Args args(std::move(words), { "to" }, { "by-sender" });
    const std::int64_t counter = parseCounter(args.next("COUNTER"), "COUNTER");
    args.expectEnd();
    const auto to = args.option("to");
    if (to.has_value() == args.flag("by-sender"))
        throw UsageError("email file needs either --to CONTACT or --by-sender");
    DataSession session(context);
    mailstore::Filing filing(database(session));
    std::optional<std::int64_t> contact;
    if (to) {
        contact = parseCounter(*to, "--to");
        filing.fileTo(counter, *contact);
    } else {
        contact = filing.fileBySender(counter);
    }
    printJson(
        ordered_json { { "counter", counter }, { "contact", contact ? ordered_json(*contact) : ordered_json() } });
    return 0;
}

int fileAll(Context& context, std::vector<std::string> words)
{
    Args args(std::move(words), {}, {});
    args.expectEnd();
    DataSession session(context);
    const mailstore::FileAllResult result = mailstore::Filing(database(session)).fileAll();
    printJson(ordered_json { { "filed", result.filed }, { "left", result.left } });
    return 0;
}

int list(Context& context, std::vector<std::string> words)
{
    Args args(std::move(words), { "contact", "status" }, { "inbox", "all" });
    args.expectEnd();
    const auto contactText = args.option("contact");
    if (int(args.flag("inbox")) + int(args.flag("all")) + int(contactText.has_value()) > 1)
        throw UsageError("email list takes one of --inbox, --contact N and --all");
    std::optional<std::int64_t> contact = mailstore::kInbox;
    if (contactText)
        contact = parseCounter(*contactText, "--contact");
    else if (args.flag("all"))
        contact.reset();
    std::optional<std::int64_t> status;
    if (const auto text = args.option("status")) {
        if (*text != "sent" && *text != "received")
            throw UsageError("--status is sent or received");
        status = *text == "sent" ? mailstore::kOutgoing : mailstore::kReceived;
    }
    DataSession session(context);
    mailstore::MailStore store(database(session));
    ordered_json rows = ordered_json::array();
    for (std::int64_t counter : store.list(contact, status))
        rows.push_back(rowJson(store.load(counter), false));
    printJson(rows);
    return 0;
}

int show(Context& context, std::vector<std::string> words)
{
    Args args(std::move(words), {}, {});
    const std::int64_t counter = parseCounter(args.next("COUNTER"), "COUNTER");
    args.expectEnd();
    DataSession session(context);
    printJson(rowJson(mailstore::MailStore(database(session)).load(counter), true));
    return 0;
}

int save(Context& context, std::vector<std::string> words)
{
    Args args(std::move(words), { "out" }, { "force" });
    const std::int64_t counter = parseCounter(args.next("COUNTER"), "COUNTER");
    const std::string out = args.required("out");
    args.expectEnd();
    DataSession session(context);
    const mailstore::StoredMessage message = mailstore::MailStore(database(session)).load(counter);
    mailstore::saveMessageText(message, database(session).dateFormat(), out, args.flag("force"));
    printJson(ordered_json { { "counter", counter }, { "file", std::filesystem::absolute(out).string() } });
    return 0;
}

int remove(Context& context, std::vector<std::string> words)
{
    Args args(std::move(words), {}, {});
    const std::int64_t counter = parseCounter(args.next("COUNTER"), "COUNTER");
    args.expectEnd();
    DataSession session(context);
    const std::vector<std::string> kept
        = mailstore::MailStore(database(session)).remove(counter, session.paths().attachDir());
    for (const std::string& file : kept)
        std::cerr << "File Cant be Delleted: " << file << '\n';
    printJson(ordered_json { { "counter", counter }, { "deleted", true }, { "files_kept", kept } });
    return 0;
}

int attachments(Context& context, std::vector<std::string> words)
{
    Args args(std::move(words), {}, {});
    const std::int64_t counter = parseCounter(args.next("COUNTER"), "COUNTER");
    args.expectEnd();
    DataSession session(context);
    ordered_json files = ordered_json::array();
    for (const std::string& location : mailstore::MailStore(database(session)).load(counter).attachments) {
        std::error_code error;
        const bool exists = std::filesystem::is_regular_file(location, error);
        const auto size = exists ? std::filesystem::file_size(location, error) : 0;
        files.push_back(ordered_json {
            { "location", location }, { "exists", exists }, { "size", exists ? ordered_json(size) : ordered_json() } });
    }
    printJson(files);
    return 0;
}

int import(Context& context, std::vector<std::string> words)
{
    Args args(std::move(words), { "format" }, { "dry-run" });
    std::optional<std::string> path = args.nextOptional();
    args.expectEnd();
    DataSession session(context);
    if (!path || path->empty())
        path = session.settings().defImpStr;
    if (path->empty())
        throw Error("To import Email messages you need first to define Import file.");
    std::optional<mailstore::MailboxFormat> format;
    if (const auto name = args.option("format")) {
        format = mailstore::formatFromName(*name);
        if (!format)
            throw UsageError("--format is netscape, eudora, mbox or maildir");
    } else if (std::filesystem::is_directory(*path)) {
        format = mailstore::MailboxFormat::Maildir;
    } else {
        format = mailstore::formatFromDefImp(session.settings().defImp);
        if (!format && session.settings().defImp == 2)
            throw Error("This feature is not supported in this version.");
        if (!format)
            throw Error("No import program is defined; name the mailbox's layout with --format");
    }
    mailstore::Inbox inbox(database(session), session.paths().attachDir());
    const mailstore::ImportResult result = mailstore::importMailbox(inbox, *path, *format, args.flag("dry-run"));
    printJson(ordered_json { { "messages", result.messages }, { "stored", result.stored },
        { "kept_whole", result.keptWhole }, { "skipped", result.skipped } });
    return 0;
}

} // namespace

bool isMailboxCommand(const std::string& command)
{
    static const std::set<std::string> commands
        = { "retrieve", "file", "file-all", "list", "show", "save", "delete", "attachments", "import" };
    return commands.count(command) > 0;
}

int runMailboxCommand(Context& context, const std::string& command, std::vector<std::string> words)
{
    if (command == "retrieve")
        return retrieve(context, std::move(words));
    if (command == "file")
        return file(context, std::move(words));
    if (command == "file-all")
        return fileAll(context, std::move(words));
    if (command == "list")
        return list(context, std::move(words));
    if (command == "show")
        return show(context, std::move(words));
    if (command == "save")
        return save(context, std::move(words));
    if (command == "delete")
        return remove(context, std::move(words));
    if (command == "attachments")
        return attachments(context, std::move(words));
    return import(context, std::move(words));
}

} // namespace pelmora::cli
