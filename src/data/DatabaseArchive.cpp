// Back-up and Restore of the database set: the archive side of DatabaseSet.
#include "data/DatabaseSet.h"

#include "archive/ArchiveError.h"
#include "data/Database.h"
#include "data/DatabaseFiles.h"
#include "data/WorkRecord.h"

#include <algorithm>
#include <sys/stat.h>

namespace pelmora::data {

namespace fs = std::filesystem;

namespace {

// The tables of the current database are closed while its files are archived or replaced and
// opened again however the command ends, so the program never stays without its database.
template <typename Body>
bool withTablesClosed(DatabaseOperations& dataModule, bool current, const fs::path& dir, Body&& body)
{
    bool done = false;
    try {
        if (current)
            dataModule.closeEveryTable();
        done = body();
    } catch (...) {
        try {
            if (current)
                dataModule.openDatabase(dir);
        } catch (...) {
            // The first failure is the one to report.
        }
        throw;
    }
    if (current)
        dataModule.openDatabase(dir);
    return done;
}

// The progress window is up for the whole operation and goes however it ends.
class ProgressShown {
public:
    explicit ProgressShown(TMsgform& form)
        : m_form(form)
    {
        m_form.clearMemo();
        m_form.show();
    }
    ~ProgressShown() { m_form.hide(); }
    ProgressShown(const ProgressShown&) = delete;
    ProgressShown& operator=(const ProgressShown&) = delete;

private:
    TMsgform& m_form;
};

bool sameFileSystem(const fs::path& a, const fs::path& b)
{
    struct stat first {
    }, second {};
    return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev;
}

// Beside the database, so its files are renamed into place in one step each; inside its
// directory when that is a file system of its own or its parent can not be written to, where a
// restore would otherwise be impossible.
fs::path restoreStagingDir(const fs::path& rowDir)
{
    try {
        fs::path beside = makeStagingDir(rowDir, "restore");
        if (sameFileSystem(beside, rowDir))
            return beside;
        std::error_code ignored;
        fs::remove(beside, ignored);
    } catch (const Error&) {
        // The parent is read-only or full; try the directory itself.
    }
    return makeStagingDir(rowDir / "database", "restore");
}

bool isArchived(const fs::directory_entry& entry)
{
    std::error_code error;
    std::string name = entry.path().filename().string();
    return entry.is_regular_file(error) && name.front() != '.' && entry.path().extension() != ".zip"
        && !isSqliteSidecar(name);
}

} // namespace

bool DatabaseSet::Backup(const DatabaseRow& row)
{
    m_dataModule.removeContactFilter();
    fs::path rowDir = rowDirectory(row);
    return withTablesClosed(m_dataModule, isCurrent(row), rowDir, [&] {
        std::optional<fs::path> path = m_prompts.askSavePath(texts::saveTitle);
        if (!path)
            return false;
        if (!path->has_extension())
            path->replace_extension(".zip");
        if (!readArchive(*path))
            return false;
        ProgressShown shown(m_msgform);
        m_msgform.addLine("Beginning Add to " + path->string());
        return addFiles(rowDir, *path);
    });
}

bool DatabaseSet::readArchive(const fs::path& path)
{
    try {
        m_zip.setZipFilename(path);
        return true;
    } catch (const archive::ZipReadError& error) {
        m_prompts.message(error.what());
        return false;
    }
}

// Databases are archived from a consistent snapshot (they may still be open elsewhere, and
// their journal is not archived); every other file as it is.
bool DatabaseSet::addFiles(const fs::path& rowDir, const fs::path& archivePath)
{
    Staging staging(makeStagingDir(archivePath, "backup"), workList());
    std::vector<fs::path> files;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(rowDir, error)) {
        if (!isArchived(entry) || fs::equivalent(entry.path(), archivePath, error))
            continue;
        std::string name = entry.path().filename().string();
        if (isSqliteDatabase(name)) {
            // Another database's shared.sqlite is the copy made when it was created; the user-field
            // names in use now are those of the data directory's.
            const bool shared = name == Database::kSharedFile && !fs::equivalent(rowDir, dataDir(), error);
            snapshotDatabase(shared ? dataDir() / name : entry.path(), staging.path() / name);
            files.push_back(staging.path() / name);
        } else {
            files.push_back(entry.path());
        }
    }
    m_zip.FSpecArgs = files;
    if (files.empty()) {
        // The component reports "Error - no files to zip" and keeps the count of the last run,
        // which must not be shown as this back-up's.
        m_zip.Add();
        return false;
    }
    try {
        int count = m_zip.Add();
        m_prompts.message(std::to_string(count) + " files were added");
        return true;
    } catch (const archive::ArchiveCanceled& canceled) {
        m_msgform.addLine(canceled.what());
    } catch (const archive::ArchiveError&) {
        m_prompts.message(texts::addFailed);
    }
    return false;
}

bool DatabaseSet::Restore(const DatabaseRow& row, bool fromInsert)
{
    if (!fromInsert && !m_prompts.confirm(texts::restoreQuestion, false))
        return false;
    m_dataModule.removeContactFilter();
    fs::path rowDir = rowDirectory(row);
    return withTablesClosed(m_dataModule, isCurrent(row), rowDir, [&] {
        std::optional<fs::path> path = m_prompts.askOpenPath(texts::openTitle);
        if (!path)
            return false;
        std::error_code error;
        if (!fs::is_regular_file(*path, error)) {
            m_prompts.message(texts::fileNotFound + path->string());
            return false;
        }
        if (!readArchive(*path))
            return false;
        if (!fs::is_directory(rowDir, error)) {
            m_prompts.message("The directory " + rowDir.string() + " does not exist; nothing was restored.");
            return false;
        }
        ProgressShown shown(m_msgform);
        m_msgform.addLine("Beginning Extract from " + path->string() + " to " + rowDir.string());
        Staging staging(restoreStagingDir(rowDir), workList());
        int moved = 0;
        if (!extractInto(rowDir, staging.path()) || !moveRestoredFiles(staging.path(), rowDir, moved))
            return false;
        restoreUserFieldNames(staging.path());
        m_prompts.message(std::to_string(moved) + " files were extracted");
        return true;
    });
}

// Extracts the whole archive into the staging directory and checks every database in it;
// false (with the reason shown) when anything is wrong, and then the database is untouched.
bool DatabaseSet::extractInto(const fs::path& rowDir, const fs::path& staging)
{
    m_zip.ExtrBaseDir = staging;
    try {
        m_zip.Extract();
    } catch (const archive::ArchiveCanceled& canceled) {
        m_msgform.addLine(canceled.what());
        m_msgform.addLine("Nothing was restored; " + rowDir.string() + " is unchanged.");
        return false;
    } catch (const archive::ArchiveError&) {
        m_prompts.message(texts::extractFailed);
        return false;
    }
    std::error_code error;
    if (!fs::exists(staging / Database::kDatabaseFile, error)) {
        // Any zip file extracts; one that is not a back-up would be reported as restored while
        // the database stayed as it was, with strange files beside it.
        m_prompts.message(std::string("The archive holds no ") + Database::kDatabaseFile
            + ", so it is not a back-up of a database; nothing was restored.");
        return false;
    }
    for (const auto& entry : fs::directory_iterator(staging, error)) {
        std::string name = entry.path().filename().string();
        if (!isSqliteDatabase(name) || name == "shared.sqlite")
            continue;
        std::string problem = databaseProblem(entry.path(),
            name == Database::kDatabaseFile ? std::optional<TableHome>(TableHome::Database) : std::nullopt);
        if (!problem.empty()) {
            m_prompts.message(
                "The file " + name + " in the archive can not be restored (" + problem + "); nothing was restored.");
            return false;
        }
    }
    return true;
}

// shared.sqlite is never swapped in (it holds the list of databases), but the names the user
// gave the user fields are part of what was backed up. The database is restored by now, so a
// copy that can not be read costs only the names.
void DatabaseSet::restoreUserFieldNames(const fs::path& staging)
{
    const fs::path shared = staging / Database::kSharedFile;
    std::error_code error;
    if (!fs::is_regular_file(shared, error))
        return;
    try {
        const auto names = readUserFieldNames(shared);
        m_dataModule.setUserFieldNames(names);
        m_msgform.addLine(std::to_string(names.size()) + " user-field names were taken from shared.sqlite");
    } catch (const Error& failure) {
        m_msgform.addLine(std::string("The user-field names of shared.sqlite were not restored: ") + failure.what());
    }
}

// The list of databases and the user-field names live in shared.sqlite of the data directory;
// a back-up of the Sample database carries a copy that would wipe databases created since.
// The files are swapped in all or nothing: every file replaced (and the journal of a replaced
// database, which must never be read with the new file) is first moved aside into the staging
// directory, and when a rename fails (a read-only directory, another file system) the renames
// made so far are undone, so the database stays as it was.
bool DatabaseSet::moveRestoredFiles(const fs::path& staging, const fs::path& rowDir, int& moved)
{
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(staging, error)) {
        std::string name = entry.path().filename().string();
        if (name == "shared.sqlite")
            m_msgform.addLine("shared.sqlite was left as it is");
        else if (!isSqliteSidecar(name) && entry.is_regular_file(error))
            names.push_back(name); // the sidecars of a restored file stay behind with the staging directory
    }
    // In a fixed order, so a failed swap always undoes the same steps; the database first: a
    // restore into a new database that is killed half way leaves a directory that either holds
    // its database or is empty, and so can be cleaned or deleted.
    std::sort(names.begin(), names.end());
    std::stable_partition(
        names.begin(), names.end(), [](const std::string& name) { return name == Database::kDatabaseFile; });
    fs::path aside = staging / ".replaced";
    std::vector<std::pair<fs::path, fs::path>> done;
    auto move = [&](const fs::path& from, const fs::path& to) {
        fs::rename(from, to, error);
        if (!error)
            done.emplace_back(from, to);
        return !error;
    };
    bool ok = !error && fs::create_directory(aside, error);
    for (auto name = names.begin(); ok && name != names.end(); ++name) {
        for (const char* suffix : { "", "-wal", "-shm", "-journal" }) {
            fs::path old = rowDir / (*name + suffix);
            // Only files are moved aside: a directory of the user's under that name would go with
            // the staging directory. Left in place, it makes the rename below fail, and the swap
            // is undone.
            std::error_code probe;
            fs::file_status status = fs::symlink_status(old, probe);
            if (ok && fs::exists(status) && !fs::is_directory(status))
                ok = move(old, aside / (*name + suffix));
        }
        ok = ok && move(staging / *name, rowDir / *name);
    }
    if (ok) {
        moved = static_cast<int>(names.size());
        return true;
    }
    std::string reason = error.message();
    for (auto undo = done.rbegin(); undo != done.rend(); ++undo)
        fs::rename(undo->second, undo->first, error);
    m_prompts.message(
        "Can not move the restored files into " + rowDir.string() + " (" + reason + "); nothing was restored.");
    return false;
}

} // namespace pelmora::data
