#include "cli/Args.h"
#include "cli/ContactGroup.h"
#include "cli/DataSession.h"

#include "base/Error.h"
#include "data/Database.h"
#include "data/Schema.h"
#include "exchange/ContactExport.h"
#include "exchange/ContactImport.h"

#include <fstream>
#include <iostream>
#include <sstream>

namespace pelmora::cli {

namespace {

using namespace exchange;

std::string readWholeFile(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw Error("The file " + file.string() + " could not be opened");
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

std::vector<std::pair<std::string, std::string>> parseMaps(const std::vector<std::string>& maps)
{
    std::vector<std::pair<std::string, std::string>> out;
    for (const std::string& map : maps) {
        const std::size_t eq = map.find('=');
        if (eq == std::string::npos || eq == 0 || eq + 1 == map.size())
            throw UsageError("--map takes FIELD=COLUMN, not \"" + map + "\"");
        out.emplace_back(map.substr(0, eq), map.substr(eq + 1));
    }
    return out;
}

nlohmann::ordered_json summaryJson(const std::string& file, const ImportRead& read, const ImportResult& result)
{
    nlohmann::ordered_json json;
    json["file"] = file;
    json["format"] = read.format == ExchangeFormat::VCard ? "vcard" : "csv";
    json["layout"] = read.layout;
    json["dryRun"] = result.dryRun;
    json["records"] = read.records.size();
    json["inserted"] = result.inserted;
    json["updated"] = result.updated;
    json["unchanged"] = result.unchanged;
    nlohmann::ordered_json problems = nlohmann::ordered_json::array();
    for (const ImportProblem& problem : read.problems)
        problems.push_back({ { "record", problem.record }, { "line", problem.line }, { "message", problem.message } });
    json["problems"] = problems;
    json["fields"] = result.fields;
    json["notes"] = result.notes;
    return json;
}

} // namespace

int runContactsImport(Context& context, std::vector<std::string> words)
{
    Args args(std::move(words), { "format", "map", "charset" }, { "dry-run" });
    const std::filesystem::path file = args.next("FILE");
    args.expectEnd();
    ImportOptions options;
    if (auto format = args.option("format")) {
        if (*format != "vcard" && *format != "csv")
            throw UsageError("Unknown --format \"" + *format + "\" (use vcard or csv)");
        options.format = *format == "vcard" ? ExchangeFormat::VCard : ExchangeFormat::Csv;
    }
    options.map = parseMaps(args.options("map"));
    options.charset = args.option("charset").value_or("");
    const ImportRead read = readContactsFile(readWholeFile(file), options, file.filename().string());
    DataSession session(context);
    auto database = session.databaseFor(data::tableDef("Contacts"));
    const ImportResult result = importContacts(database->sql(), read, args.flag("dry-run"));
    std::cout << summaryJson(file.string(), read, result).dump(2, ' ', false, nlohmann::json::error_handler_t::replace)
              << '\n';
    return 0;
}

int runContactsExport(Context& context, std::vector<std::string> words)
{
    Args args(std::move(words), { "where", "out", "version" }, { "vcard", "csv", "per-contact" });
    args.expectEnd();
    if (args.flag("vcard") == args.flag("csv"))
        throw UsageError("Give one of --vcard and --csv");
    ExportOptions options;
    options.format = args.flag("csv") ? ExchangeFormat::Csv : ExchangeFormat::VCard;
    const std::string version = args.option("version").value_or("4");
    if (version != "3" && version != "4" && version != "3.0" && version != "4.0")
        throw UsageError("Unknown --version \"" + version + "\" (use 3 or 4)");
    options.version = version.front() == '3' ? VCardVersion::v3 : VCardVersion::v4;
    const std::filesystem::path out = args.required("out");
    DataSession session(context);
    auto database = session.databaseFor(data::tableDef("Contacts"));
    const std::vector<std::int64_t> counters = selectContacts(*database, args.option("where").value_or(""));
    nlohmann::ordered_json json;
    json["format"] = options.format == ExchangeFormat::Csv ? "csv"
        : options.version == VCardVersion::v3              ? "vcard 3.0"
                                                           : "vcard 4.0";
    json["contacts"] = counters.size();
    if (args.flag("per-contact")) {
        if (!std::filesystem::is_directory(out))
            throw Error("The folder " + out.string() + " is not there");
        nlohmann::ordered_json files = nlohmann::ordered_json::array();
        for (const std::filesystem::path& file : exportContactFiles(database->sql(), counters, options, out))
            files.push_back(file.string());
        json["files"] = files;
    } else {
        writeNewFile(out, exportContacts(database->sql(), counters, options));
        json["file"] = out.string();
    }
    std::cout << json.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    return 0;
}

} // namespace pelmora::cli
