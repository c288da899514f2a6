#pragma once

#include "data/DatabaseFiles.h"
#include "data/DatabaseInterfaces.h"

#include <filesystem>

namespace pelmora::data {

// The whole-database operations done on the SQLite files directly, without the views of the
// data module: what the command line needs to create, empty, pack and switch databases. The
// list of databases is table BaseName of shared.sqlite in the data directory, created with the
// Sample row when missing.
class DirectoryDataModule : public DataModuleOperations {
public:
    explicit DirectoryDataModule(std::filesystem::path dataDir);

    // Holds database.sqlite of the directory open, as the views would; throws pelmora::Error
    // when there is none or it does not open.
    void openDatabase(const std::filesystem::path& dir) override;
    void closeEveryTable() override { m_open.reset(); }
    // Deletes every record of every table but Ip2zip (the cities stay).
    void emptyEveryTable() override;
    // Reclaims the space of deleted records and opens the database again.
    void packEveryTable() override;

    std::vector<DatabaseRow> databaseRows() override;
    DatabaseRow insertDatabaseRow(const std::string& name, const std::string& dir) override;
    void deleteDatabaseRow(const DatabaseRow& row) override;

    const std::filesystem::path& openDir() const { return m_openDir; }

private:
    sqlite3* shared();

    std::filesystem::path m_dataDir;
    std::filesystem::path m_openDir;
    Connection m_open;
    Connection m_shared;
};

} // namespace pelmora::data
