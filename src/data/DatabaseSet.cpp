#include "data/DatabaseSet.h"

#include "archive/BareName.h"
#include "base/Error.h"
#include "data/Database.h"
#include "data/DatabaseFiles.h"
#include "data/WorkRecord.h"

#include <algorithm>

namespace pelmora::data {

namespace fs = std::filesystem;

DatabaseSet::DatabaseSet(
    DatabaseOperations& dataModule, DatabasePrompts& prompts, fs::path programDir, CurrentDatabase& current)
    : m_dataModule(dataModule)
    , m_prompts(prompts)
    , m_programDir(std::move(programDir))
    , m_current(current)
{
    m_zip.Verbose = true;
    m_zip.Trace = false;
    m_zip.AddCompLevel = 9;
    m_zip.ExtrOverwrite = true;
    m_zip.OnMessage = [this](int code, const std::string& text) { m_msgform.archiveMessage(code, text); };
    m_zip.OnProgress
        = [this](int kind, const std::string& name, std::uint64_t size) { m_msgform.progress(kind, name, size); };
    m_msgform.showError = [this](const std::string& text) { m_prompts.message(text); };
    cleanLeftovers();
}

void DatabaseSet::cleanLeftovers()
{
    for (const WorkRecord::Entry& entry : WorkRecord::takeAbandoned(workList())) {
        std::error_code error;
        if (entry.kind == WorkRecord::Kind::WorkingDirectory) {
            if (WorkRecord::isWorkingDirectoryName(entry.path.filename().string()))
                fs::remove_all(entry.path, error);
            continue;
        }
        // A new database whose files never arrived: its row would only fail on every Open.
        const bool gone = !fs::exists(entry.path, error);
        if (!gone && (fs::exists(entry.path / Database::kDatabaseFile, error) || !fs::is_empty(entry.path, error)))
            continue;
        try {
            for (const DatabaseRow& row : m_dataModule.databaseRows()) {
                if (row.BaseName != "Sample" && fs::path(row.BaseDir) == entry.path)
                    m_dataModule.deleteDatabaseRow(row);
            }
        } catch (const Error&) {
            continue; // the list can not be changed now; the row can still be deleted by hand
        }
        if (!gone)
            fs::remove(entry.path, error);
    }
}

fs::path DatabaseSet::rowDirectory(const DatabaseRow& row) const
{
    return row.BaseName == "Sample" ? dataDir() : fs::path(row.BaseDir);
}

fs::path DatabaseSet::rowDirectoryOf(const CurrentDatabase& database) const
{
    return rowDirectory({ 0, database.name, database.dir });
}

// The name alone does not tell: a first start shows no name while the Sample database is open,
// and a database whose files are replaced or deleted while its tables are open loses every
// later change. The directory that is open settles it.
bool DatabaseSet::isCurrent(const DatabaseRow& row) const
{
    if (row.BaseName == m_current.name)
        return true;
    std::error_code error;
    return fs::equivalent(rowDirectory(row), rowDirectoryOf(m_current), error);
}

void DatabaseSet::reopenCurrent()
{
    try {
        m_dataModule.openDatabase(rowDirectoryOf(m_current));
    } catch (const Error&) {
        // The failure being reported matters more than this one.
    }
}

bool DatabaseSet::Open(const DatabaseRow& row)
{
    m_dataModule.removeContactFilter();
    m_dataModule.openDatabase(rowDirectory(row));
    m_current = { row.BaseName, row.BaseDir };
    return true;
}

bool DatabaseSet::New()
{
    m_dataModule.removeContactFilter();
    std::optional<DatabaseRow> row = createRow();
    if (!row)
        return false;
    fs::path dir = row->BaseDir;
    WorkRecord building(workList(), WorkRecord::Kind::NewDatabase, dir);
    try {
        buildNewDatabase(dir);
        m_dataModule.openDatabase(dir);
    } catch (...) {
        // A row whose directory holds no usable database would only fail on every Open.
        m_dataModule.deleteDatabaseRow(*row);
        std::error_code ignored;
        fs::remove_all(dir, ignored);
        reopenCurrent();
        throw;
    }
    m_current = { row->BaseName, row->BaseDir };
    return true;
}

// The copy of the Sample database is emptied in a working directory and its database moved in
// only then, so that a New that is killed leaves an empty directory (and its working directory,
// both cleaned at the next start), never a database still holding the Sample's records.
void DatabaseSet::buildNewDatabase(const fs::path& dir)
{
    Staging staging(makeStagingDir(dir, "new"), workList());
    m_dataModule.copyDatabaseFiles(dataDir(), staging.path());
    m_dataModule.openDatabase(staging.path());
    m_dataModule.emptyEveryTable();
    // Lets go of the staged file before it moves; the Sample database always opens.
    m_dataModule.openDatabase(dataDir());
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(staging.path(), error)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_regular_file(error) && !isSqliteSidecar(name))
            names.push_back(name);
    }
    std::stable_partition(
        names.begin(), names.end(), [](const std::string& name) { return name == Database::kDatabaseFile; });
    for (const std::string& name : names) {
        fs::rename(staging.path() / name, dir / name, error);
        if (error)
            throw Error("Can not move " + name + " into " + dir.string() + ": " + error.message());
    }
}

bool DatabaseSet::Insert()
{
    m_dataModule.removeContactFilter();
    std::optional<DatabaseRow> row = createRow();
    if (!row)
        return false;
    WorkRecord building(workList(), WorkRecord::Kind::NewDatabase, row->BaseDir);
    bool restored = false;
    try {
        restored = Restore(*row, true);
    } catch (...) {
        dropRow(*row);
        throw;
    }
    if (!restored)
        dropRow(*row);
    return restored;
}

// An Insert whose archive was not restored would leave a database that never opens.
void DatabaseSet::dropRow(const DatabaseRow& row)
{
    m_dataModule.deleteDatabaseRow(row);
    std::error_code ignored;
    fs::remove(row.BaseDir, ignored); // only while still empty
}

// Asks for a name and makes the directory and the row of a new database. The name becomes a
// directory beside the program, so anything that would point elsewhere is refused.
std::optional<DatabaseRow> DatabaseSet::createRow()
{
    std::optional<std::string> name = m_prompts.askName(texts::nameCaption, texts::namePrompt);
    if (!name)
        return std::nullopt;
    if (name->empty()) {
        m_prompts.message(texts::nameEmpty);
        return std::nullopt;
    }
    if (!archive::isBareFileName(*name)) {
        m_prompts.message(texts::nameNotBare);
        return std::nullopt;
    }
    // The name is shown in lists and a title bar, written into the INI file one line per key,
    // and becomes a directory name: a line break would split the INI line.
    if (std::any_of(
            name->begin(), name->end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; })) {
        m_prompts.message(texts::nameControl);
        return std::nullopt;
    }
    if (*name == "Sample") {
        // Every row of that name is the data directory's: a second one would hide its own
        // directory, and whatever the user put in it, behind the built-in database.
        m_prompts.message(texts::nameSample);
        return std::nullopt;
    }
    fs::path dir = m_programDir / *name;
    std::error_code error;
    if (!fs::create_directory(dir, error)) {
        m_prompts.message(texts::cannotCreateDir);
        return std::nullopt;
    }
    try {
        return m_dataModule.insertDatabaseRow(*name, dir.string());
    } catch (...) {
        fs::remove(dir, error);
        throw;
    }
}

bool DatabaseSet::Delete(const DatabaseRow& row)
{
    if (isCurrent(row)) {
        m_prompts.message(texts::deleteActive);
        return false;
    }
    std::error_code error;
    // A row of another name may still point at the data directory (the list can be edited): its
    // files are the Sample database and the list of databases itself.
    if (row.BaseName == "Sample" || fs::equivalent(row.BaseDir, dataDir(), error)) {
        m_prompts.message(texts::deleteSample);
        return false;
    }
    if (!m_prompts.confirm(texts::deleteQuestion, true))
        return false;
    fs::path dir = row.BaseDir;
    if (!row.BaseDir.empty() && fs::is_directory(dir, error) && fs::is_empty(dir, error)) {
        // What an interrupted New or Insert left: a row that could never be opened.
        fs::remove(dir, error);
    } else if (!row.BaseDir.empty() && fs::exists(dir, error)) {
        // A row may point anywhere (an edited list, a moved folder); only a database's own
        // directory is emptied and removed.
        if (!fs::is_regular_file(dir / "database.sqlite", error)) {
            m_prompts.message("The directory " + dir.string() + " holds no database.sqlite; it was not deleted.");
            return false;
        }
        deleteFiles(dir);
        if (!fs::remove(dir, error) || error) {
            m_prompts.message("Can not remove the directory " + dir.string() + ": " + error.message());
            return false;
        }
    }
    m_dataModule.deleteDatabaseRow(row);
    return true;
}

bool DatabaseSet::deleteFiles(const fs::path& dir)
{
    bool all = true;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(dir, error)) {
        if (entry.is_directory(error) && !entry.is_symlink(error))
            continue;
        std::error_code removeError;
        if (!fs::remove(entry.path(), removeError)) {
            all = false;
            m_prompts.confirm(texts::fileNotDeleted, false);
        }
    }
    return all;
}

void DatabaseSet::Pack()
{
    m_dataModule.removeContactFilter();
    m_dataModule.packEveryTable();
}

} // namespace pelmora::data
