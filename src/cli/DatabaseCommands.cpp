// `pelmora databases`: the database set from the command line. Every question is answered with
// the answer that goes on; messages, questions and the archive component's lines go to
// standard error.
#include "base/Error.h"
#include "cli/Command.h"
#include "cli/DataSession.h"
#include "data/DatabaseSet.h"
#include "data/DataModuleOperations.h"
#include "settings/Paths.h"
#include "settings/Settings.h"

#include <nlohmann/json.hpp>

#include <iostream>
#include <map>

namespace pelmora::cli {

namespace {

namespace fs = std::filesystem;

class CommandLinePrompts : public data::DatabasePrompts {
public:
    // The message boxes break lines with a carriage return, which on a terminal would overwrite
    // the line instead.
    static void show(std::string text)
    {
        for (char& c : text)
            if (c == '\r')
                c = '\n';
        std::cerr << text << '\n';
    }

    std::string name;
    fs::path archive;

    void message(const std::string& text) override { show(text); }
    bool confirm(const std::string& text, bool) override
    {
        show(text);
        return true;
    }
    std::optional<std::string> askName(const std::string&, const std::string&) override { return name; }
    std::optional<fs::path> askSavePath(const std::string&) override { return archive; }
    std::optional<fs::path> askOpenPath(const std::string&) override { return archive; }
};

// The program's state as it starts: directories, settings, the data module on the current
// database. A current database that can not be opened (its directory deleted or moved) is
// reported and the commands go on without it, as the program's window does: these commands are
// the way to open or create another one.
settings::Settings startSettings(settings::Paths& paths)
{
    settings::Settings values = settings::Settings::load(paths.iniFile());
    values.applyStartDefaults(paths);
    paths.createDirectories();
    return values;
}

struct Session {
    explicit Session(const Context& context)
        : paths(settings::Paths::resolve(context.home))
        , values(startSettings(paths))
        , module(std::make_unique<data::TfrmDataModule>(dataPrompts, paths.dataDir(), paths.attachDir()))
    {
        try {
            module->openDatabase(values.lastData);
        } catch (const Error& error) {
            std::cerr << error.what() << '\n';
        }
        current = { values.lastDataName, values.lastData };
        set.progressWindow().onLine = [](const std::string& line) { std::cerr << line << '\n'; };
    }

    data::DatabaseRow row(const std::string& name)
    {
        for (const data::DatabaseRow& candidate : dataModule.databaseRows())
            if (candidate.BaseName == name)
                return candidate;
        throw Error("There is no database named \"" + name + "\"");
    }

    // The current database is kept where the program keeps it, for its next start.
    void saveCurrent()
    {
        values.lastDataName = current.name;
        values.lastData = current.dir;
        values.applyExitDefaults(paths);
        paths.createDirectories();
        values.save(paths.iniFile());
    }

    settings::Paths paths;
    settings::Settings values;
    CliPrompts dataPrompts;
    std::unique_ptr<data::TfrmDataModule> module;
    data::CurrentDatabase current;
    CommandLinePrompts prompts;
    data::DataModuleOperations dataModule { *module };
    data::DatabaseSet set { dataModule, prompts, paths.programDir(), current };
};

int list(Session& session)
{
    nlohmann::ordered_json rows = nlohmann::ordered_json::array();
    for (const data::DatabaseRow& row : session.dataModule.databaseRows()) {
        rows.push_back({ { "BaseName", row.BaseName }, { "BaseDir", row.BaseDir },
            { "directory", session.set.rowDirectory(row).string() }, { "current", session.set.isCurrent(row) } });
    }
    std::cout << rows.dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    return 0;
}

int changeCurrent(Session& session, bool done)
{
    if (!done)
        return 1;
    session.saveCurrent();
    return 0;
}

// How many words each command takes after its name: NAME, then ARCHIVE.
int operandCount(const std::string& command)
{
    static const std::map<std::string, int> counts = { { "list", 0 }, { "pack", 0 }, { "open", 1 }, { "delete", 1 },
        { "new", 1 }, { "backup", 2 }, { "restore", 2 }, { "insert", 2 } };
    auto found = counts.find(command);
    if (found == counts.end())
        throw UsageError("Unknown databases command \"" + command + "\"; see pelmora --help");
    return found->second;
}

int dispatch(Session& session, const std::string& command, const std::vector<std::string>& operands)
{
    if (command == "list")
        return list(session);
    if (command == "pack") {
        session.set.Pack();
        return 0;
    }
    const std::string& name = operands[0];
    if (command == "open")
        return changeCurrent(session, session.set.Open(session.row(name)));
    if (command == "delete")
        return session.set.Delete(session.row(name)) ? 0 : 1;
    session.prompts.name = name;
    if (command == "new")
        return changeCurrent(session, session.set.New());
    session.prompts.archive = operands[1];
    if (command == "backup")
        return session.set.Backup(session.row(name)) ? 0 : 1;
    if (command == "restore")
        return session.set.Restore(session.row(name)) ? 0 : 1;
    return session.set.Insert() ? 0 : 1;
}

int run(Context& context, std::vector<std::string> words)
{
    if (words.empty())
        throw UsageError("databases needs a command; see pelmora --help");
    std::string command = words.front();
    words.erase(words.begin());
    int count = operandCount(command);
    Args args(std::move(words), {});
    std::vector<std::string> operands = args.rest();
    if (static_cast<int>(operands.size()) != count)
        throw UsageError("databases " + command + " takes " + std::to_string(count) + " argument(s)");
    Session session(context);
    return dispatch(session, command, operands);
}

} // namespace

const CommandGroup databasesGroup = {
    "databases",
    "  pelmora databases list                     the databases (JSON)\n"
    "  pelmora databases new NAME                 create a database and make it current\n"
    "  pelmora databases open NAME                make a database current\n"
    "  pelmora databases delete NAME              delete a database that is not current\n"
    "  pelmora databases backup NAME ARCHIVE      back a database up into a zip archive\n"
    "  pelmora databases restore NAME ARCHIVE     replace a database's files from an archive\n"
    "  pelmora databases insert NAME ARCHIVE      a new database from an archive\n"
    "  pelmora databases pack                     compact the current database\n",
    run,
};

} // namespace pelmora::cli
