// `pelmora contacts duplicates | merge`: finding contacts that are one person and merging them.
#include "cli/Args.h"
#include "cli/ContactGroup.h"
#include "cli/DataSession.h"

#include "base/Error.h"
#include "exchange/ContactMerge.h"
#include "exchange/Duplicates.h"

#include <nlohmann/json.hpp>

namespace pelmora::cli {

namespace {

data::SqlDatabase& currentSql(DataSession& session)
{
    data::Database* database = session.module().currentDatabase();
    if (!database)
        throw Error("No database is open");
    return database->sql();
}

int duplicates(DataSession& session)
{
    const auto pairs = exchange::findDuplicates(exchange::readContactKeys(currentSql(session)));
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const exchange::DuplicatePair& pair : pairs) {
        nlohmann::ordered_json reasons = nlohmann::ordered_json::array();
        for (const exchange::DuplicateReason& reason : pair.reasons)
            reasons.push_back({ { "kind", exchange::reasonName(reason.kind) }, { "detail", reason.detail } });
        list.push_back({ { "first", pair.first }, { "second", pair.second }, { "reasons", reasons } });
    }
    printJson(list);
    return 0;
}

int merge(DataSession& session, Args& args)
{
    const std::int64_t keep = parseCounter(args.next("KEEP"), "KEEP");
    const std::int64_t other = parseCounter(args.next("OTHER"), "OTHER");
    args.expectEnd();
    std::map<std::string, exchange::MergeSide> choices;
    for (const std::string& field : args.options("take"))
        choices[field] = exchange::MergeSide::Other;
    for (const std::string& field : args.options("keep")) {
        if (choices.count(field))
            throw UsageError("The field \"" + field + "\" is given to both --take and --keep");
        choices[field] = exchange::MergeSide::Keep;
    }
    data::SqlDatabase& sql = currentSql(session);
    if (args.flag("dry-run")) {
        nlohmann::ordered_json fields = nlohmann::ordered_json::array();
        for (const exchange::MergeField& field : exchange::planMerge(sql, keep, other, choices)) {
            fields.push_back({ { "field", field.name }, { "keep", field.keepValue }, { "other", field.otherValue },
                { "take", field.side == exchange::MergeSide::Other ? "other" : "keep" } });
        }
        printJson({ { "keep", keep }, { "other", other }, { "fields", fields } });
        return 0;
    }
    const exchange::MergeResult result = exchange::mergeContacts(sql, keep, other, choices);
    nlohmann::ordered_json moved = nlohmann::ordered_json::object();
    for (const std::string& table : exchange::contactDetailTables())
        moved[table] = result.moved.at(table);
    printJson({ { "keep", result.keep }, { "removed", result.removed }, { "taken", result.taken }, { "moved", moved },
        { "note", result.noteAdded } });
    return 0;
}

} // namespace

int runContactDuplicateCommand(Context& context, const std::string& command, std::vector<std::string> words)
{
    if (command == "duplicates") {
        Args args(std::move(words), {});
        args.expectEnd();
        DataSession session(context);
        return duplicates(session);
    }
    Args args(std::move(words), { "take", "keep" }, { "dry-run" });
    DataSession session(context);
    return merge(session, args);
}

bool isContactDuplicateCommand(const std::string& command)
{
    return command == "duplicates" || command == "merge";
}

} // namespace pelmora::cli
