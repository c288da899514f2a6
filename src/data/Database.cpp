#include "data/Database.h"

#include "data/DataError.h"

namespace pelmora::data {

namespace {

// Each step takes a file from version N to N + 1. The list grows with the schema; a file newer
// than the last step is refused rather than misread.
using MigrationStep = void (*)(SqlDatabase&);
const std::vector<MigrationStep>& migrationSteps()
{
    static const std::vector<MigrationStep> steps = {};
    return steps;
}

int userVersion(SqlDatabase& sql)
{
    return int(sql.scalar("PRAGMA user_version"));
}

// Indexes added to a table since a file was written (the orders the list windows offer) are
// built the first time the file is opened. They only order and speed up reading, so a file
// that cannot be written now still opens without them.
void addMissingIndexes(SqlDatabase& sql, TableHome home)
{
    try {
        Transaction transaction(sql);
        for (std::string statement : createStatements(home)) {
            const std::string create = "CREATE INDEX ";
            if (statement.compare(0, create.size(), create) == 0)
                sql.exec(statement.insert(create.size(), "IF NOT EXISTS "));
        }
        transaction.commit();
    } catch (const EDatabaseError&) {
    }
}

} // namespace

std::filesystem::path Database::fileIn(const std::filesystem::path& directory, TableHome home)
{
    return directory / (home == TableHome::Database ? kDatabaseFile : kSharedFile);
}

Database::Database(const std::filesystem::path& directory, TableHome home, bool create)
    : m_directory(directory)
    , m_home(home)
{
    const auto file = fileIn(directory, home);
    std::error_code error;
    const bool exists = std::filesystem::exists(file, error);
    if (!create && !exists) {
        throw EDatabaseError("The directory " + directory.string() + " holds no Pelmora database ("
            + file.filename().string() + " is missing)");
    }
    if (create && exists)
        throw EDatabaseError("A database already exists in " + directory.string());
    if (create)
        std::filesystem::create_directories(directory);
    m_sql = std::make_unique<SqlDatabase>(file, create);
    if (create)
        createSchema();
    else
        migrate();
}

std::shared_ptr<Database> Database::open(const std::filesystem::path& directory, TableHome home)
{
    return std::make_shared<Database>(directory, home, false);
}

std::shared_ptr<Database> Database::create(const std::filesystem::path& directory, TableHome home)
{
    return std::make_shared<Database>(directory, home, true);
}

void Database::createSchema()
{
    Transaction transaction(*m_sql);
    for (const std::string& statement : createStatements(m_home))
        m_sql->exec(statement);
    if (m_home == TableHome::Database) {
        // Contact 1 of EMAIL marks the inbox, so no real contact may ever be numbered 1: the
        // numbering starts past it, and a number given by hand is refused.
        m_sql->exec("INSERT INTO sqlite_sequence (name, seq) VALUES ('Contacts', 1)");
        for (const char* event : {"INSERT", "UPDATE OF Counter"}) {
            m_sql->exec(std::string("CREATE TRIGGER \"ContactsNotOne") + (event[0] == 'I' ? "Insert" : "Update") +
                        "\" BEFORE " + event + " ON Contacts WHEN NEW.Counter = 1 BEGIN SELECT RAISE(ABORT, "
                        "'Contact number 1 is reserved for the e-mail inbox'); END");
        }
    }
    m_sql->exec("PRAGMA user_version = " + std::to_string(kSchemaVersion));
    transaction.commit();
}

void Database::migrate()
{
    const int version = userVersion(*m_sql);
    if (version == 0)
        throw EDatabaseError("The file " + m_sql->file().string() + " is not a Pelmora database");
    if (version > kSchemaVersion) {
        throw EDatabaseError("The database in " + m_directory.string() + " was written by a newer Pelmora (version "
            + std::to_string(version) + "); this program reads up to version " + std::to_string(kSchemaVersion));
    }
    Transaction transaction(*m_sql);
    for (int v = version; v < kSchemaVersion; ++v) {
        migrationSteps().at(size_t(v - 1))(*m_sql);
        m_sql->exec("PRAGMA user_version = " + std::to_string(v + 1));
    }
    transaction.commit();
    addMissingIndexes(*m_sql, m_home);
}

void Database::emptyTable(const TableDef& table)
{
    Transaction transaction(*m_sql);
    m_sql->exec("DELETE FROM \"" + table.name + "\"");
    transaction.commit();
}

void Database::pack()
{
    m_sql->clearCache();
    m_sql->exec("VACUUM");
}

void Database::checkpoint()
{
    m_sql->exec("PRAGMA wal_checkpoint(TRUNCATE)");
}

std::int64_t Database::count(const TableDef& table)
{
    return m_sql->scalar("SELECT COUNT(*) FROM \"" + table.name + "\"");
}

} // namespace pelmora::data
