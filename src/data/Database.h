#pragma once

#include "data/Schema.h"
#include "data/SqlDatabase.h"
#include "data/Value.h"

#include <filesystem>
#include <memory>

namespace pelmora::data {

// One SQLite file of the program: "database.sqlite" of a database directory (the thirteen tables)
// or "shared.sqlite" of the data directory (BaseName and MoreName). Every view of one database
// shares its Database, so that a rule running inside an operation joins its transaction.
class Database {
public:
    static constexpr int kSchemaVersion = 1;
    static constexpr const char* kDatabaseFile = "database.sqlite";
    static constexpr const char* kSharedFile = "shared.sqlite";

    // Opens the file of the given home in `directory`, migrating an older schema step by step.
    // A missing file is an error: nothing is created silently.
    static std::shared_ptr<Database> open(const std::filesystem::path& directory, TableHome home = TableHome::Database);
    // Creates a new, empty file; an existing one is an error.
    static std::shared_ptr<Database> create(
        const std::filesystem::path& directory, TableHome home = TableHome::Database);
    static std::filesystem::path fileIn(const std::filesystem::path& directory, TableHome home);

    const std::filesystem::path& directory() const { return m_directory; }
    TableHome home() const { return m_home; }
    SqlDatabase& sql() { return *m_sql; }

    // The short date form filter expressions are written in (ISO is always read as well).
    const DateFormat& dateFormat() const { return m_dateFormat; }
    void setDateFormat(DateFormat format) { m_dateFormat = std::move(format); }

    // Deletes every record of a table at once.
    void emptyTable(const TableDef& table);
    // Reclaims the space of deleted records (of the whole file: SQLite packs per file).
    void pack();
    std::int64_t count(const TableDef& table);
    // Moves everything written into the main file, so that copying that file alone copies it all.
    void checkpoint();

    Database(const std::filesystem::path& directory, TableHome home, bool create);

private:
    void createSchema();
    void migrate();

    std::filesystem::path m_directory;
    TableHome m_home;
    std::unique_ptr<SqlDatabase> m_sql;
    DateFormat m_dateFormat;
};

} // namespace pelmora::data
