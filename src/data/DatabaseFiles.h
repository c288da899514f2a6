#pragma once

#include "data/Schema.h"

#include <sqlite3.h>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pelmora::data {

struct SqliteClose {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using Connection = std::unique_ptr<sqlite3, SqliteClose>;

// Opens an SQLite file with the flags of sqlite3_open_v2; throws pelmora::Error naming it.
Connection openConnection(const std::filesystem::path& file, int flags);
// Runs statements without results; throws pelmora::Error with SQLite's message.
void execute(sqlite3* db, const std::string& sql);

// File-level work on database directories that must never leave a torn SQLite file behind.

// True for the files SQLite keeps beside a database while it is open or after a crash
// ("-wal", "-shm", "-journal"); they belong to the database they sit beside and must never be
// copied, archived or left beside another one.
bool isSqliteSidecar(const std::string& name);
bool isSqliteDatabase(const std::string& name); // "*.sqlite"

// A consistent copy of a database that may be open and written elsewhere, through SQLite's
// online back-up; `target` is written under a temporary name and renamed. Throws pelmora::Error.
void snapshotDatabase(const std::filesystem::path& source, const std::filesystem::path& target);

// Empty when the file opens as a Pelmora database this program can read and passes SQLite's
// quick check (every page read, structure and records checked, indexes not compared with their
// tables), otherwise why not. With `home` given, every table and column of that home's schema
// must be there as well: a sound file of another program carries a version number too.
std::string databaseProblem(const std::filesystem::path& file, std::optional<TableHome> home = std::nullopt);

// The user-field names (RealName, NikName) of MoreName in a shared.sqlite, only rows that name
// one of the user fields of Contacts with a name that fits its field. Throws pelmora::Error
// when the file is not a sound shared file.
std::vector<std::pair<std::string, std::string>> readUserFieldNames(const std::filesystem::path& sharedFile);

// A new directory beside `near` (same file system, so renames out of it are atomic), named
// after it with a random suffix.
std::filesystem::path makeStagingDir(const std::filesystem::path& near, const std::string& purpose);

} // namespace pelmora::data
