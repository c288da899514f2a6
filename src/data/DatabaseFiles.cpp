#include "data/DatabaseFiles.h"

#include "base/Error.h"

#include <sqlite3.h>

#include <memory>
#include <random>

namespace pelmora::data {

namespace fs = std::filesystem;

namespace {

bool endsWith(const std::string& text, const std::string& tail)
{
    return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
}

} // namespace

Connection openConnection(const fs::path& file, int flags)
{
    sqlite3* db = nullptr;
    int rc = sqlite3_open_v2(file.c_str(), &db, flags, nullptr);
    Connection connection(db);
    if (rc != SQLITE_OK)
        throw Error(
            "Can not open the database " + file.string() + ": " + (db ? sqlite3_errmsg(db) : sqlite3_errstr(rc)));
    sqlite3_busy_timeout(db, 5000);
    return connection;
}

void execute(sqlite3* db, const std::string& sql)
{
    char* text = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &text) != SQLITE_OK) {
        std::string message = text ? text : sqlite3_errmsg(db);
        sqlite3_free(text);
        throw Error(message);
    }
}

bool isSqliteSidecar(const std::string& name)
{
    return endsWith(name, "-wal") || endsWith(name, "-shm") || endsWith(name, "-journal");
}

bool isSqliteDatabase(const std::string& name)
{
    return endsWith(name, ".sqlite");
}

void snapshotDatabase(const fs::path& source, const fs::path& target)
{
    fs::path partial = target;
    partial += ".part";
    {
        Connection from = openConnection(source, SQLITE_OPEN_READONLY);
        Connection to = openConnection(partial, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        sqlite3_backup* backup = sqlite3_backup_init(to.get(), "main", from.get(), "main");
        int rc = backup ? sqlite3_backup_step(backup, -1) : sqlite3_errcode(to.get());
        if (backup)
            sqlite3_backup_finish(backup);
        if (rc != SQLITE_DONE) {
            std::error_code ignored;
            fs::remove(partial, ignored);
            throw Error("Can not copy the database " + source.string() + ": " + sqlite3_errstr(rc));
        }
    }
    std::error_code error;
    fs::rename(partial, target, error);
    if (error) {
        fs::remove(partial, error);
        throw Error("Can not write " + target.string());
    }
}

std::string databaseProblem(const fs::path& file)
{
    try {
        Connection db = openConnection(file, SQLITE_OPEN_READONLY);
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db.get(), "PRAGMA quick_check", -1, &statement, nullptr) != SQLITE_OK)
            return sqlite3_errmsg(db.get());
        std::string result;
        if (sqlite3_step(statement) == SQLITE_ROW)
            result = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
        else
            result = sqlite3_errmsg(db.get());
        sqlite3_finalize(statement);
        return result == "ok" ? std::string() : result;
    } catch (const Error& error) {
        return error.what();
    }
}

void replaceSidecars(const fs::path& from, const fs::path& to)
{
    for (const char* suffix : { "-wal", "-shm", "-journal" }) {
        fs::path own(from.string() + suffix);
        fs::path old(to.string() + suffix);
        std::error_code error;
        if (fs::exists(own, error))
            fs::rename(own, old, error);
        else
            fs::remove(old, error);
    }
}

fs::path makeStagingDir(const fs::path& near, const std::string& purpose)
{
    std::random_device random;
    fs::path clean = near.lexically_normal();
    if (!clean.has_filename())
        clean = clean.parent_path();
    fs::path parent = clean.parent_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name(1, '.');
        name.append(clean.filename().string()).append(1, '.').append(purpose).append(1, '-');
        fs::path candidate = parent / name.append(std::to_string(random()));
        std::error_code error;
        if (fs::create_directory(candidate, error))
            return candidate;
    }
    throw Error("Can not create a working directory in " + parent.string());
}

} // namespace pelmora::data
