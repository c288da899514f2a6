#pragma once

#include "data/DatabaseInterfaces.h"

namespace pelmora::data {

class TfrmDataModule;

// The database commands' view of the data module: its whole-database operations, and the list
// of databases through its view TBLBaseName, so a grid bound to that view sees every change.
class DataModuleOperations : public DatabaseOperations {
public:
    explicit DataModuleOperations(TfrmDataModule& dataModule)
        : m_dataModule(dataModule)
    {
    }

    void openDatabase(const std::filesystem::path& dir) override;
    void closeEveryTable() override;
    void emptyEveryTable() override;
    void packEveryTable() override;
    void copyDatabaseFiles(const std::filesystem::path& source, const std::filesystem::path& target) override;

    std::vector<DatabaseRow> databaseRows() override;
    DatabaseRow insertDatabaseRow(const std::string& name, const std::string& dir) override;
    void deleteDatabaseRow(const DatabaseRow& row) override;
    void setUserFieldNames(const std::vector<std::pair<std::string, std::string>>& names) override;

private:
    void releaseStatements();

    TfrmDataModule& m_dataModule;
};

} // namespace pelmora::data
