#include "data/DirectoryDataModule.h"

#include "base/Error.h"

namespace pelmora::data {

namespace fs = std::filesystem;

namespace {

struct StatementFinalize {
    void operator()(sqlite3_stmt* statement) const { sqlite3_finalize(statement); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementFinalize>;

Statement prepare(sqlite3* db, const char* sql)
{
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &statement, nullptr) != SQLITE_OK)
        throw Error(sqlite3_errmsg(db));
    return Statement(statement);
}

std::string columnText(sqlite3_stmt* statement, int column)
{
    const unsigned char* text = sqlite3_column_text(statement, column);
    return text ? reinterpret_cast<const char*>(text) : "";
}

std::string quoteIdentifier(const std::string& name)
{
    std::string quoted = "\"";
    for (char c : name)
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    return quoted + "\"";
}

} // namespace

DirectoryDataModule::DirectoryDataModule(fs::path dataDir)
    : m_dataDir(std::move(dataDir))
{
}

void DirectoryDataModule::openDatabase(const fs::path& dir)
{
    m_open.reset();
    fs::path file = dir / "database.sqlite";
    std::error_code error;
    if (!fs::is_regular_file(file, error))
        throw Error("There is no database in " + dir.string());
    m_open = openConnection(file, SQLITE_OPEN_READWRITE);
    execute(m_open.get(), "PRAGMA schema_version");
    m_openDir = dir;
}

void DirectoryDataModule::emptyEveryTable()
{
    m_open.reset();
    Connection db = openConnection(m_openDir / "database.sqlite", SQLITE_OPEN_READWRITE);
    std::vector<std::string> tables;
    Statement list = prepare(db.get(),
        "SELECT name FROM sqlite_master WHERE type = 'table' "
        "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' AND lower(name) <> 'ip2zip'");
    while (sqlite3_step(list.get()) == SQLITE_ROW)
        tables.push_back(columnText(list.get(), 0));
    list.reset();
    execute(db.get(), "BEGIN IMMEDIATE");
    try {
        for (const std::string& table : tables)
            execute(db.get(), "DELETE FROM " + quoteIdentifier(table));
        execute(db.get(), "COMMIT");
    } catch (...) {
        sqlite3_exec(db.get(), "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

void DirectoryDataModule::packEveryTable()
{
    m_open.reset();
    try {
        Connection db = openConnection(m_openDir / "database.sqlite", SQLITE_OPEN_READWRITE);
        execute(db.get(), "VACUUM");
    } catch (const Error&) {
        // A database that cannot be packed stays as it is; packing reports nothing.
    }
    openDatabase(m_openDir);
}

sqlite3* DirectoryDataModule::shared()
{
    if (m_shared)
        return m_shared.get();
    fs::create_directories(m_dataDir);
    m_shared = openConnection(m_dataDir / "shared.sqlite", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    execute(m_shared.get(), "BEGIN IMMEDIATE");
    try {
        Statement exists = prepare(m_shared.get(), "SELECT 1 FROM sqlite_master WHERE name = 'BaseName'");
        if (sqlite3_step(exists.get()) != SQLITE_ROW) {
            exists.reset();
            execute(m_shared.get(), "CREATE TABLE BaseName (BaseName TEXT NOT NULL, BaseDir TEXT NOT NULL)");
            Statement sample = prepare(m_shared.get(), "INSERT INTO BaseName VALUES ('Sample', ?)");
            sqlite3_bind_text(sample.get(), 1, m_dataDir.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_step(sample.get());
        }
        exists.reset();
        execute(m_shared.get(), "COMMIT");
    } catch (...) {
        sqlite3_exec(m_shared.get(), "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    return m_shared.get();
}

std::vector<DatabaseRow> DirectoryDataModule::databaseRows()
{
    std::vector<DatabaseRow> rows;
    Statement select = prepare(shared(), "SELECT rowid, BaseName, BaseDir FROM BaseName ORDER BY rowid");
    while (sqlite3_step(select.get()) == SQLITE_ROW)
        rows.push_back(
            { sqlite3_column_int64(select.get(), 0), columnText(select.get(), 1), columnText(select.get(), 2) });
    return rows;
}

DatabaseRow DirectoryDataModule::insertDatabaseRow(const std::string& name, const std::string& dir)
{
    Statement insert = prepare(shared(), "INSERT INTO BaseName (BaseName, BaseDir) VALUES (?, ?)");
    sqlite3_bind_text(insert.get(), 1, name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(insert.get(), 2, dir.c_str(), -1, SQLITE_TRANSIENT);
    if (sqlite3_step(insert.get()) != SQLITE_DONE)
        throw Error(sqlite3_errmsg(shared()));
    return { sqlite3_last_insert_rowid(shared()), name, dir };
}

void DirectoryDataModule::deleteDatabaseRow(const DatabaseRow& row)
{
    Statement remove = prepare(shared(), "DELETE FROM BaseName WHERE rowid = ?");
    sqlite3_bind_int64(remove.get(), 1, row.id);
    if (sqlite3_step(remove.get()) != SQLITE_DONE)
        throw Error(sqlite3_errmsg(shared()));
}

} // namespace pelmora::data
