// `pelmora carddav`: the contact-sync account, its address books, the sync and its conflicts.
#include "base/Error.h"
#include "carddav/Account.h"
#include "carddav/Client.h"
#include "carddav/Sync.h"
#include "carddav/SyncError.h"
#include "carddav/VCardContacts.h"
#include "cli/Command.h"
#include "cli/DataSession.h"
#include "data/Database.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <iostream>

#include <csignal>
#include <termios.h>
#include <unistd.h>

namespace pelmora::cli {

namespace {

using carddav::Account;

std::string lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

// The terminal as it was before the password prompt hid what is typed, for a signal that ends
// the program at the prompt (Ctrl-C) to give back: a shell left without echo looks broken.
termios g_shownTerminal {};

extern "C" void restoreTerminalAndDie(int signal)
{
    ::tcsetattr(STDIN_FILENO, TCSANOW, &g_shownTerminal); // async-signal-safe, as are the rest
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

// From the environment (scripts), else one line typed on standard input; never an argument,
// which other users could read in the process list.
std::string readPassword()
{
    if (const char* password = std::getenv("PELMORA_CARDDAV_PASSWORD"))
        return password;
    // Typed at a terminal, the password is not echoed on it; the Enter still shows. The echo
    // goes off before the prompt, so nothing typed as soon as it appears is shown or lost.
    const bool terminal = ::isatty(STDIN_FILENO) && ::tcgetattr(STDIN_FILENO, &g_shownTerminal) == 0;
    constexpr int kEndingSignals[] = { SIGINT, SIGTERM, SIGHUP, SIGQUIT };
    if (terminal) {
        for (int signal : kEndingSignals)
            ::signal(signal, restoreTerminalAndDie);
        termios hidden = g_shownTerminal;
        hidden.c_lflag &= ~tcflag_t(ECHO);
        hidden.c_lflag |= ECHONL;
        ::tcsetattr(STDIN_FILENO, TCSANOW, &hidden);
    }
    std::cerr << "Password: " << std::flush;
    std::string line;
    std::getline(std::cin, line);
    if (terminal) {
        ::tcsetattr(STDIN_FILENO, TCSANOW, &g_shownTerminal);
        for (int signal : kEndingSignals)
            ::signal(signal, SIG_DFL);
    }
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

// A certificate nobody vouches for: the fingerprint to check, and how to accept it.
[[noreturn]] void rethrowWithAdvice(const carddav::SyncError& error)
{
    if (error.fingerprint().empty())
        throw error;
    throw carddav::SyncError(
        std::string(error.what()) + "\nTo trust it: pelmora carddav trust " + error.fingerprint(), error.fingerprint());
}

Account configuredAccount(const DataSession& session)
{
    Account account = Account::load(session.paths().iniFile());
    if (!account.configured())
        throw Error("No contact sync is set up; run: pelmora carddav setup URL --user NAME");
    return account;
}

nlohmann::ordered_json bookJson(const carddav::AddressBook& book, const Account& account)
{
    return { { "name", book.name }, { "url", book.url }, { "sync_collection", book.syncCollection },
        { "chosen", book.url == account.book } };
}

const carddav::AddressBook& chooseBook(
    const std::vector<carddav::AddressBook>& books, const std::optional<std::string>& name)
{
    if (!name)
        return books.front();
    for (const carddav::AddressBook& book : books) {
        std::string path = book.url;
        while (!path.empty() && path.back() == '/')
            path.pop_back();
        if (lowered(book.name) == lowered(*name) || lowered(path.substr(path.rfind('/') + 1)) == lowered(*name))
            return book;
    }
    std::string names;
    for (const carddav::AddressBook& book : books)
        names += (names.empty() ? "\"" : ", \"") + book.name + "\"";
    throw Error("There is no address book \"" + *name + "\" on the server; it has " + names);
}

int setup(Context& context, Args& args)
{
    Account account;
    DataSession session(context);
    const Account old = Account::load(session.paths().iniFile());
    // A password written into the address would be printed and stored with it; it is read
    // from where passwords come instead.
    account.server = carddav::withoutUserInfo(args.next("URL"));
    args.expectEnd();
    account.user = args.required("user");
    account.caFile = args.option("ca-file").value_or(old.caFile);
    account.fingerprint = old.fingerprint;
    account.timeOut = args.seconds("timeout", old.timeOut);
    account.password = readPassword();
    // Nothing is saved until the server accepted the account and showed the book.
    std::vector<carddav::AddressBook> books;
    try {
        carddav::CardDavClient client(account.connection());
        books = client.discover(account.server);
    } catch (const carddav::SyncError& error) {
        rethrowWithAdvice(error);
    }
    const carddav::AddressBook& book = chooseBook(books, args.option("book"));
    account.book = book.url;
    account.bookName = book.name;
    account.syncCollection = book.syncCollection;
    account.save(session.paths().iniFile());
    nlohmann::ordered_json all = nlohmann::ordered_json::array();
    for (const carddav::AddressBook& b : books)
        all.push_back(bookJson(b, account));
    printJson(nlohmann::ordered_json { { "server", account.server }, { "user", account.user },
        { "book", account.bookName }, { "url", account.book }, { "books", all } });
    return 0;
}

int books(Context& context)
{
    DataSession session(context);
    const Account account = configuredAccount(session);
    nlohmann::ordered_json all = nlohmann::ordered_json::array();
    try {
        carddav::CardDavClient client(account.connection());
        for (const carddav::AddressBook& book : client.discover(account.server))
            all.push_back(bookJson(book, account));
    } catch (const carddav::SyncError& error) {
        rethrowWithAdvice(error);
    }
    printJson(all);
    return 0;
}

carddav::VCardContacts contactsOf(DataSession& session)
{
    carddav::VCardContacts contacts(session.module().currentDatabase()->sql());
    // Through the data module, so a contact takes its messages, activities and documents along.
    data::TfrmDataModule* module = &session.module();
    contacts.deleteContact = [module](std::int64_t counter) {
        if (module->TBLCon.gotoRowId(counter))
            module->TBLCon.remove();
    };
    return contacts;
}

int sync(Context& context, Args& args)
{
    const bool dryRun = args.flag("dry-run");
    args.expectEnd();
    DataSession session(context);
    const Account account = configuredAccount(session);
    carddav::VCardContacts contacts = contactsOf(session);
    carddav::SyncReport report;
    try {
        carddav::CardDavClient client(account.connection());
        carddav::Synchronizer synchronizer(
            session.module().currentDatabase()->sql(), contacts, client, account.book, account.syncCollection);
        report = synchronizer.run(dryRun);
    } catch (const carddav::SyncError& error) {
        rethrowWithAdvice(error);
    }
    nlohmann::ordered_json json { { "sent", report.sent }, { "received", report.received },
        { "deleted_here", report.deletedHere }, { "deleted_there", report.deletedThere },
        { "conflicts", report.conflicts } };
    if (dryRun)
        json["dry_run"] = true;
    if (!report.errors.empty())
        json["errors"] = report.errors;
    printJson(json);
    return report.errors.empty() ? 0 : 1;
}

int trust(Context& context, Args& args)
{
    const std::string fingerprint = args.next("FINGERPRINT");
    args.expectEnd();
    std::string hex;
    for (char c : fingerprint) {
        if (std::isxdigit(static_cast<unsigned char>(c)))
            hex += c;
        else if (c != ':')
            throw UsageError("A fingerprint is 32 pairs of hexadecimal digits separated by colons");
    }
    if (hex.size() != 64)
        throw UsageError("A fingerprint is 32 pairs of hexadecimal digits separated by colons");
    DataSession session(context);
    Account account = Account::load(session.paths().iniFile());
    account.fingerprint = fingerprint;
    account.save(session.paths().iniFile());
    printJson(nlohmann::ordered_json { { "trusted", fingerprint } });
    return 0;
}

int conflicts(Context& context, Args& args)
{
    const auto keep = args.option("keep-mine");
    const auto take = args.option("take-theirs");
    args.expectEnd();
    DataSession session(context);
    const Account account = configuredAccount(session);
    carddav::VCardContacts contacts = contactsOf(session);
    carddav::CardDavClient client(account.connection());
    carddav::Synchronizer synchronizer(
        session.module().currentDatabase()->sql(), contacts, client, account.book, account.syncCollection);
    try {
        if (keep)
            synchronizer.keepMine(*keep);
        if (take)
            synchronizer.takeTheirs(*take);
    } catch (const carddav::SyncError& error) {
        rethrowWithAdvice(error);
    }
    nlohmann::ordered_json all = nlohmann::ordered_json::array();
    for (const carddav::Conflict& conflict : synchronizer.conflicts())
        all.push_back({ { "href", conflict.href }, { "contact", conflict.contact }, { "theirs", conflict.theirs } });
    printJson(all);
    return 0;
}

int runCardDav(Context& context, std::vector<std::string> words)
{
    if (words.empty())
        throw UsageError("carddav needs a command: setup, books, sync, trust or conflicts");
    const std::string command = words.front();
    words.erase(words.begin());
    if (command == "setup") {
        Args args(std::move(words), { "user", "book", "ca-file", "timeout" });
        return setup(context, args);
    }
    if (command == "books") {
        Args args(std::move(words), {});
        args.expectEnd();
        return books(context);
    }
    if (command == "sync") {
        Args args(std::move(words), {}, { "dry-run" });
        return sync(context, args);
    }
    if (command == "trust") {
        Args args(std::move(words), {});
        return trust(context, args);
    }
    if (command == "conflicts") {
        Args args(std::move(words), { "keep-mine", "take-theirs" });
        return conflicts(context, args);
    }
    throw UsageError("Unknown carddav command \"" + command + "\"");
}

} // namespace

const CommandGroup carddavGroup = {
    "carddav",
    "  pelmora carddav setup URL --user NAME [--book NAME] [--ca-file FILE] [--timeout SEC]\n"
    "                                       find the address books and choose one (password from\n"
    "                                       PELMORA_CARDDAV_PASSWORD, else read from standard input)\n"
    "  pelmora carddav books                the address books of the account\n"
    "  pelmora carddav sync [--dry-run]     two-way sync of the contacts with the address book\n"
    "  pelmora carddav trust FINGERPRINT    accept a server certificate no authority vouches for\n"
    "  pelmora carddav conflicts [--keep-mine HREF | --take-theirs HREF]\n"
    "                                       list the contacts changed on both sides, resolve one\n",
    runCardDav,
};

} // namespace pelmora::cli
