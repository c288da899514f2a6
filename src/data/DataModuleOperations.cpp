#include "data/DataModuleOperations.h"

#include "data/DataError.h"
#include "data/TfrmDataModule.h"

namespace pelmora::data {

void DataModuleOperations::openDatabase(const std::filesystem::path& dir)
{
    releaseStatements();
    m_dataModule.openDatabase(dir);
}

void DataModuleOperations::closeEveryTable()
{
    releaseStatements();
    m_dataModule.closeAll();
}

void DataModuleOperations::emptyEveryTable()
{
    releaseStatements();
    m_dataModule.emptyAll();
}

void DataModuleOperations::packEveryTable()
{
    releaseStatements();
    m_dataModule.packAll();
}

// Cached statements stay active after their last row until they are used again (TBLBaseName's
// from the moment it opens, a view's after every read), each holding a read transaction that
// makes the checkpoint of close, empty and pack fail with "database table is locked". They are
// dropped before those operations and after every use of the list.
void DataModuleOperations::releaseStatements()
{
    m_dataModule.sharedDatabase().sql().clearCache();
    if (Database* database = m_dataModule.currentDatabase())
        database->sql().clearCache();
}

void DataModuleOperations::copyDatabaseFiles(const std::filesystem::path& source, const std::filesystem::path& target)
{
    releaseStatements();
    m_dataModule.copyDatabaseFiles(source, target);
}

std::vector<DatabaseRow> DataModuleOperations::databaseRows()
{
    TableView& view = m_dataModule.TBLBaseName;
    std::vector<DatabaseRow> rows;
    if (view.recordCount() > 0) {
        view.first();
        do {
            rows.push_back({ view.current()->rowId, view.asString("BaseName"), view.asString("BaseDir") });
        } while (view.next());
    }
    releaseStatements();
    return rows;
}

DatabaseRow DataModuleOperations::insertDatabaseRow(const std::string& name, const std::string& dir)
{
    TableView& view = m_dataModule.TBLBaseName;
    view.insert();
    try {
        view.setString("BaseName", name);
        view.setString("BaseDir", dir);
        view.post();
    } catch (...) {
        view.cancel();
        releaseStatements();
        throw;
    }
    DatabaseRow row { view.current()->rowId, name, dir };
    releaseStatements();
    return row;
}

void DataModuleOperations::deleteDatabaseRow(const DatabaseRow& row)
{
    TableView& view = m_dataModule.TBLBaseName;
    if (!view.gotoRowId(row.id))
        throw EDatabaseError("The database \"" + row.BaseName + "\" is no longer in the list");
    view.remove();
    releaseStatements();
}

// Through the view the user-field window edits, so that window and the captions see the names.
void DataModuleOperations::setUserFieldNames(const std::vector<std::pair<std::string, std::string>>& names)
{
    TableView& view = m_dataModule.TBLMoreName;
    const bool wasOpen = view.isOpen();
    if (!wasOpen)
        view.open();
    try {
        for (const auto& [field, name] : names) {
            if (view.locate({ "RealName" }, { Value(field) }, {})) {
                view.edit();
            } else {
                view.insert();
                view.setString("RealName", field);
            }
            try {
                view.setString("NikName", name);
                view.post();
            } catch (...) {
                view.cancel();
                throw;
            }
        }
    } catch (...) {
        if (!wasOpen)
            view.close();
        releaseStatements();
        throw;
    }
    if (!wasOpen)
        view.close();
    releaseStatements();
}

} // namespace pelmora::data
