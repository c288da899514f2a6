#include "cli/Command.h"
#include "cli/DataSession.h"

#include "base/Error.h"
#include "mailstore/Outbox.h"
#include "protocols/TmsPOP.h"
#include "protocols/TmsSMTP.h"

#include <nlohmann/json.hpp>

#include <fstream>
#include <iostream>
#include <sstream>

namespace pelmora::cli {

namespace {

using mailstore::MailAccount;
using mailstore::Outbox;
using mailstore::SendResult;

MailAccount account(const DataSession& session)
{
    MailAccount account = MailAccount::fromSettings(session.settings());
    account.applyEnvironment();
    return account;
}

std::string readBody(const std::optional<std::string>& file)
{
    if (!file)
        return {};
    std::ifstream in(*file, std::ios::binary);
    if (!in)
        throw Error("Cannot open file \"" + *file + "\"");
    std::ostringstream text;
    text << in.rdbuf();
    return std::move(text).str();
}

nlohmann::ordered_json resultJson(const SendResult& result)
{
    nlohmann::ordered_json json
        = { { "counter", result.counter }, { "queued", result.queued }, { "reply", result.reply } };
    if (!result.error.empty())
        json["error"] = result.error;
    return json;
}

int emailSend(Context& context, std::vector<std::string> words)
{
    Args args(std::move(words), { "contact", "to", "subject", "body-file", "attach", "cc" }, { "later" });
    args.expectEnd();
    mailstore::Draft draft;
    draft.contact = parseCounter(args.required("contact"), "--contact");
    draft.to = args.required("to");
    draft.subject = args.required("subject");
    draft.body = readBody(args.option("body-file"));
    for (const std::string& file : args.options("attach"))
        draft.attachments.push_back(std::filesystem::absolute(file));
    std::string cc;
    for (const std::string& address : args.options("cc"))
        cc += (cc.empty() ? "" : ", ") + address;
    draft.cc = cc;

    DataSession session(context);
    Outbox outbox(*session.module().currentDatabase(), account(session));
    if (!outbox.mailStore().contactExists(draft.contact))
        throw Error("There is no contact numbered " + std::to_string(draft.contact));
    protocols::TmsSMTP smtp;
    outbox.account().configure(smtp);
    const bool later = args.flag("later");
    SendResult result = outbox.send(draft, later, smtp);
    printJson(resultJson(result));
    if (!later && result.queued) {
        std::cerr << result.error << '\n';
        return 1;
    }
    return 0;
}

int emailSendQueued(Context& context, std::vector<std::string> words)
{
    Args args(std::move(words), { "contact" }, { "all" });
    args.expectEnd();
    const auto contactText = args.option("contact");
    if (contactText.has_value() == args.flag("all"))
        throw UsageError("email send-queued needs either --contact N or --all");
    std::optional<std::int64_t> contact;
    if (contactText)
        contact = parseCounter(*contactText, "--contact");

    DataSession session(context);
    Outbox outbox(*session.module().currentDatabase(), account(session));
    nlohmann::ordered_json results = nlohmann::ordered_json::array();
    bool failed = false;
    for (std::int64_t counter : outbox.mailStore().queued(contact)) {
        // One failure usually means the server is away; the rest wait for the next run rather
        // than each waiting out its own time-out.
        if (failed) {
            results.push_back(resultJson({ counter, true, {}, "Not tried after the failure before it" }));
            continue;
        }
        protocols::TmsSMTP smtp;
        outbox.account().configure(smtp);
        SendResult result = outbox.sendStored(counter, smtp);
        failed = result.queued;
        if (failed)
            std::cerr << "Message " << counter << ": " << result.error << '\n';
        results.push_back(resultJson(result));
    }
    printJson(results);
    return failed ? 1 : 0;
}

// Signs on and off again, sending and deleting nothing, so that a user sees at once whether
// the settings are right.
template <class Client> nlohmann::ordered_json signOnAndOff(Client& client)
{
    nlohmann::ordered_json json = { { "server", client.Server } };
    try {
        client.Connect();
        client.Disconnect();
        json["ok"] = true;
    } catch (const std::exception& e) {
        json["ok"] = false;
        json["error"] = e.what();
    }
    return json;
}

int emailCheck(Context& context, std::vector<std::string> words)
{
    Args args(std::move(words), {});
    args.expectEnd();
    DataSession session(context);
    const MailAccount mail = account(session);
    protocols::TmsPOP pop;
    mail.configure(pop);
    protocols::TmsSMTP smtp;
    mail.configure(smtp);
    nlohmann::ordered_json report = { { "pop3", signOnAndOff(pop) }, { "smtp", signOnAndOff(smtp) } };
    printJson(report);
    return report["pop3"]["ok"].get<bool>() && report["smtp"]["ok"].get<bool>() ? 0 : 1;
}

} // namespace

int runMailCommand(Context& context, const std::string& command, std::vector<std::string> words)
{
    if (command == "send")
        return emailSend(context, std::move(words));
    if (command == "send-queued")
        return emailSendQueued(context, std::move(words));
    return emailCheck(context, std::move(words));
}

} // namespace pelmora::cli
