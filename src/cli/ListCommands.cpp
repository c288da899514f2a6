#include "cli/Args.h"
#include "cli/DataSession.h"
#include "cli/ListGroups.h"

#include "base/Error.h"
#include "data/ActivityFilter.h"
#include "data/Documents.h"
#include "data/TableView.h"
#include "net/PageGrab.h"
#include "net/TagHTTP.h"
#include "settings/HelpPages.h"
#include "settings/Paths.h"
#include "settings/Settings.h"

#include <iostream>

namespace pelmora::cli {

namespace {

using data::TableView;

void printView(TableView& view, const std::vector<std::string>& fields)
{
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (view.first(); !view.isEmpty() && !view.eof(); view.next())
        list.push_back(recordJson(view, fields));
    std::cout << list.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
}

data::Date parseDay(const data::DateFormat& format, const std::string& text)
{
    const auto date = format.parse(text);
    if (!date)
        throw UsageError("\"" + text + "\" is not a date (use YYYY-MM-DD)");
    return *date;
}

// The activities of every contact, narrowed as the activity list narrows them.
int activitiesList(DataSession& session, Args& args)
{
    namespace AF = data::ActivityFilter;
    TableView& view = session.module().TBLActivityList;
    const data::DateFormat iso("yyyy-MM-dd");
    const data::Date today = args.option("today") ? parseDay(iso, *args.option("today")) : data::Date::today();
    std::string dates;
    if (auto item = args.option("date")) {
        bool known = false;
        const AF::DateItem chosen = AF::dateItemNamed(*item, &known);
        if (!known || chosen == AF::DateRange)
            throw UsageError("Unknown --date \"" + *item + "\" (use Today, This Week, ... or --from/--to)");
        dates = AF::dateExpression(chosen, today, iso);
    } else if (args.option("from") || args.option("to")) {
        dates = AF::dateRangeExpression(
            iso.format(parseDay(iso, args.required("from"))), iso.format(parseDay(iso, args.required("to"))));
    }
    const std::string status = args.option("status").value_or("all");
    const int statusIndex = status == "all" ? 0 : status == "not-done" ? 1 : status == "done" ? 2 : -1;
    if (statusIndex < 0)
        throw UsageError("Unknown --status \"" + status + "\" (use all, done or not-done)");
    view.clearConditions();
    if (auto name = args.option("activity"))
        view.addCondition(AF::activityCondition(1, *name));
    if (statusIndex > 0)
        view.addCondition(AF::statusCondition(statusIndex));
    view.setFilter(dates);
    view.setFiltered(!dates.empty());
    if (!view.isOpen())
        view.open();
    view.applyConditions();
    printView(view,
        { "Counter", "Contact", "Activity", "DateOf", "Done", "Priority", "Detailes", "Notes", "DateCreated", "FName",
            "LName", "Company" });
    return 0;
}

int runActivities(Context& context, std::vector<std::string> words)
{
    if (words.empty() || words.front() != "list")
        throw UsageError("Unknown activities command (use list)");
    words.erase(words.begin());
    Args args(std::move(words), { "activity", "date", "from", "to", "status", "today" });
    args.expectEnd();
    DataSession session(context);
    return activitiesList(session, args);
}

const std::vector<std::string> DocumentFields { "Counter", "Contact", "Name", "File", "Added", "Size", "ModiDate",
    "Notes" };

// A new document of `contact` for `file`, as "Attach New Document" stores it.
void addDocument(DataSession& session, std::int64_t contact, const std::filesystem::path& file,
    const std::optional<std::string>& name)
{
    auto& module = session.module();
    if (!module.TBLCon.gotoRowId(contact))
        throw Error("There is no contact numbered " + std::to_string(contact));
    TableView& documents = module.TBLDoc;
    // The insert rule hands these to the "editor", so the document is stored whole, in one step.
    const data::FileFacts facts = data::readFileFacts(file);
    auto& assignments = session.prompts().assignments;
    assignments.clear();
    if (name)
        assignments.push_back({ "Name", *name });
    assignments.push_back({ "File", file.string() });
    if (facts.size)
        assignments.push_back({ "Size", std::to_string(*facts.size) });
    if (facts.modified)
        assignments.push_back({ "ModiDate", facts.modified->iso() });
    documents.insert();
    if (documents.isEditing())
        documents.post();
    printJson(recordJson(documents, DocumentFields));
}

int runDocuments(Context& context, std::vector<std::string> words)
{
    const std::string command = words.empty() ? std::string() : words.front();
    if (!words.empty())
        words.erase(words.begin());
    if (command == "list") {
        Args args(std::move(words), { "contact" });
        args.expectEnd();
        DataSession session(context);
        TableView& view = session.module().TBLDocFull;
        view.setFilter(args.option("contact")
                ? "Contact = " + std::to_string(parseCounter(*args.option("contact"), "contact"))
                : "");
        view.setFiltered(args.option("contact").has_value());
        if (!view.isOpen())
            view.open();
        printView(view, DocumentFields);
        return 0;
    }
    if (command == "attach") {
        Args args(std::move(words), { "name" });
        const std::int64_t contact = parseCounter(args.next("CONTACT"), "contact");
        const std::filesystem::path file = std::filesystem::absolute(args.next("FILE"));
        args.expectEnd();
        DataSession session(context);
        addDocument(session, contact, file, args.option("name"));
        return 0;
    }
    if (command == "delete") {
        Args args(std::move(words), {}, { "with-file" });
        const std::int64_t counter = parseCounter(args.next("COUNTER"), "document");
        args.expectEnd();
        DataSession session(context);
        TableView& view = session.module().TBLDocFull;
        if (!view.isOpen())
            view.open();
        if (!view.gotoRowId(counter))
            throw Error("There is no document numbered " + std::to_string(counter));
        const std::string kept = data::deleteDocument(view, args.flag("with-file"));
        nlohmann::ordered_json result { { "deleted", counter },
            { "fileDeleted", args.flag("with-file") && kept.empty() } };
        if (!kept.empty())
            result["fileKept"] = kept;
        printJson(result);
        return 0;
    }
    if (command == "grab") {
        Args args(std::move(words), { "name", "timeout" });
        const std::int64_t contact = parseCounter(args.next("CONTACT"), "contact");
        const std::string url = args.next("URL");
        args.expectEnd();
        const settings::Paths paths = settings::Paths::resolve(context.home);
        settings::Settings values = settings::Settings::load(paths.iniFile());
        DataSession session(context);
        std::filesystem::create_directories(paths.pageDir());
        net::TagHTTP http;
        http.TimeOut = args.seconds("timeout", 60);
        const net::GrabbedPage page = net::grabPage(http, url, paths.pageDir(), net::pageNumber(values.fileHtm));
        values.fileHtm = std::to_string(page.next);
        values.save(paths.iniFile());
        addDocument(session, contact, page.file, args.option("name"));
        return 0;
    }
    throw UsageError("Unknown documents command \"" + command + "\" (use list, attach, delete or grab)");
}

int runHelp(Context& context, std::vector<std::string> words)
{
    if (words.empty() || words.front() != "path")
        throw UsageError("Unknown help command (use path)");
    words.erase(words.begin());
    Args args(std::move(words), {});
    const std::string name = args.next("NAME");
    args.expectEnd();
    const settings::Paths paths = settings::Paths::resolve(context.home);
    printJson({ { "path", settings::helpPagePath(paths.helpDir(), name).string() } });
    return 0;
}

} // namespace

const CommandGroup activitiesGroup = {
    "activities",
    "  pelmora activities list [--activity NAME] [--date ITEM | --from D --to D] [--status all|done|not-done]\n"
    "        [--today D]                    the activities of all contacts, narrowed as the Activity List does\n",
    runActivities,
};

const CommandGroup documentsGroup = {
    "documents",
    "  pelmora documents list [--contact N]  the documents of all contacts, or of one\n"
    "  pelmora documents attach CONTACT FILE [--name N]\n"
    "                                       link a file to a contact, its size and date read from it\n"
    "  pelmora documents delete COUNTER [--with-file]\n"
    "                                       delete a document; the file only when no other one names it\n"
    "  pelmora documents grab CONTACT URL [--name N] [--timeout SEC]\n"
    "                                       save a web page as the next page file and link it\n",
    runDocuments,
};

const CommandGroup helpGroup = {
    "help",
    "  pelmora help path NAME               the path of a help page, written there when missing\n",
    runHelp,
};

} // namespace pelmora::cli
