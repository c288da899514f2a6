#include "data/DatabaseFiles.h"

#include "base/Error.h"
#include "data/Database.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <optional>
#include <random>
#include <vector>

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

namespace {

// Read-write where it may be: a read-only connection to a database in WAL mode leaves its log and
// shared-memory file behind in the database's directory, and every back-up would add them.
Connection openSource(const fs::path& source)
{
    try {
        return openConnection(source, SQLITE_OPEN_READWRITE);
    } catch (const Error&) {
        return openConnection(source, SQLITE_OPEN_READONLY);
    }
}

} // namespace

void snapshotDatabase(const fs::path& source, const fs::path& target)
{
    fs::path partial = target;
    partial += ".part";
    {
        Connection from = openSource(source);
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

namespace {

// The first column of the first row of a one-value statement, or nullopt with `error` set.
std::optional<std::string> firstValue(sqlite3* db, const char* sql, std::string& error)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK) {
        error = sqlite3_errmsg(db);
        return std::nullopt;
    }
    std::optional<std::string> value;
    if (sqlite3_step(statement) == SQLITE_ROW)
        value = reinterpret_cast<const char*>(sqlite3_column_text(statement, 0));
    else
        error = sqlite3_errmsg(db);
    sqlite3_finalize(statement);
    return value;
}

// The first table or column of the schema that the file lacks, or empty.
std::string missingFromSchema(sqlite3* db, TableHome home)
{
    for (const TableDef& table : allTables()) {
        if (table.home != home)
            continue;
        sqlite3_stmt* statement = nullptr;
        const std::string sql = "SELECT name FROM pragma_table_info(?1)";
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
            return sqlite3_errmsg(db);
        sqlite3_bind_text(statement, 1, table.name.c_str(), -1, SQLITE_TRANSIENT);
        std::vector<std::string> columns;
        while (sqlite3_step(statement) == SQLITE_ROW) {
            const unsigned char* name = sqlite3_column_text(statement, 0);
            columns.emplace_back(name ? reinterpret_cast<const char*>(name) : "");
        }
        sqlite3_finalize(statement);
        if (columns.empty())
            return "it has no table " + table.name;
        for (const FieldDef& field : table.fields) {
            if (std::none_of(columns.begin(), columns.end(),
                    [&](const std::string& column) { return equalsNoCase(column, field.name); }))
                return "its table " + table.name + " has no field " + field.name;
        }
    }
    return {};
}

} // namespace

std::string databaseProblem(const fs::path& file, std::optional<TableHome> home)
{
    try {
        Connection db = openConnection(file, SQLITE_OPEN_READONLY);
        std::string error;
        const std::optional<std::string> check = firstValue(db.get(), "PRAGMA quick_check", error);
        if (!check)
            return error;
        if (*check != "ok")
            return *check;
        // A sound SQLite file of another program, or of a newer Pelmora, would be swapped in and
        // then refused on opening, leaving the user with no database at all.
        const std::optional<std::string> version = firstValue(db.get(), "PRAGMA user_version", error);
        if (!version)
            return error;
        const int number = std::atoi(version->c_str());
        if (number <= 0)
            return "it is not a Pelmora database";
        if (number > Database::kSchemaVersion)
            return "it was written by a newer Pelmora (version " + *version + ")";
        return home ? missingFromSchema(db.get(), *home) : std::string();
    } catch (const Error& error) {
        return error.what();
    }
}

namespace {

// "User1" ... "User10", "Date1" ... "Date5", "Num1" ... "Num5" as the field is named, or empty.
std::string userFieldName(const std::string& text)
{
    for (const FieldDef& field : tableDef("Contacts").fields) {
        const bool user
            = field.name.rfind("User", 0) == 0 || field.name.rfind("Date", 0) == 0 || field.name.rfind("Num", 0) == 0;
        if (user && equalsNoCase(field.name, text))
            return field.name;
    }
    return {};
}

std::size_t characters(const std::string& text)
{
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

} // namespace

std::vector<std::pair<std::string, std::string>> readUserFieldNames(const fs::path& sharedFile)
{
    const std::string problem = databaseProblem(sharedFile, TableHome::DataDirectory);
    if (!problem.empty())
        throw Error(problem);
    Connection db = openConnection(sharedFile, SQLITE_OPEN_READONLY);
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db.get(), "SELECT RealName, NikName FROM MoreName ORDER BY Counter", -1, &statement, nullptr)
        != SQLITE_OK)
        throw Error(sqlite3_errmsg(db.get()));
    const std::size_t size = static_cast<std::size_t>(tableDef("MoreName").field("NikName")->size);
    std::vector<std::pair<std::string, std::string>> names;
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        auto text = [&](int column) {
            const unsigned char* value = sqlite3_column_text(statement, column);
            return value ? std::string(reinterpret_cast<const char*>(value)) : std::string();
        };
        const std::string field = userFieldName(text(0));
        const std::string name = text(1);
        const bool plain = std::none_of(
            name.begin(), name.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
        if (!field.empty() && plain && characters(name) <= size
            && std::none_of(names.begin(), names.end(), [&](const auto& named) { return named.first == field; }))
            names.emplace_back(field, name);
    }
    sqlite3_finalize(statement);
    if (rc != SQLITE_DONE)
        throw Error(sqlite3_errmsg(db.get()));
    return names;
}

fs::path makeStagingDir(const fs::path& near, const std::string& purpose)
{
    std::random_device random;
    fs::path clean = near.lexically_normal();
    if (!clean.has_filename())
        clean = clean.parent_path();
    fs::path parent = clean.parent_path();
    // A name near the file system's limit of 255 bytes must still leave room for the suffix;
    // the cut never splits a UTF-8 character.
    std::string stem = clean.filename().string();
    std::size_t keep = std::min<std::size_t>(stem.size(), 100);
    while (keep > 0 && keep < stem.size() && (static_cast<unsigned char>(stem[keep]) & 0xC0) == 0x80)
        --keep;
    stem.resize(keep);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name(1, '.');
        name.append(stem).append(1, '.').append(purpose).append(1, '-');
        fs::path candidate = parent / name.append(std::to_string(random()));
        std::error_code error;
        if (fs::create_directory(candidate, error))
            return candidate;
    }
    throw Error("Can not create a working directory in " + parent.string());
}

} // namespace pelmora::data
