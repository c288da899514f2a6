#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace pelmora::data {

// A row of the database list (table BaseName of shared.sqlite).
struct DatabaseRow {
    std::int64_t id = 0; // the row's key in the list
    std::string BaseName;
    std::string BaseDir;
};

// What the database commands need of the data module: the operations on a whole database and
// the list of databases (DataModuleOperations gives them over TfrmDataModule).
class DatabaseOperations {
public:
    virtual ~DatabaseOperations() = default;
    virtual void openDatabase(const std::filesystem::path& dir) = 0;
    virtual void closeEveryTable() = 0;
    virtual void emptyEveryTable() = 0;
    virtual void packEveryTable() = 0;
    // Every file directly in `source` into `target`, complete even for a database that is open.
    virtual void copyDatabaseFiles(const std::filesystem::path& source, const std::filesystem::path& target) = 0;
    // The contact filter is dropped before every command but Delete, so the views do not keep
    // a filter that belongs to another database.
    virtual void removeContactFilter() { }

    virtual std::vector<DatabaseRow> databaseRows() = 0;
    virtual DatabaseRow insertDatabaseRow(const std::string& name, const std::string& dir) = 0;
    virtual void deleteDatabaseRow(const DatabaseRow& row) = 0;

    // Gives the user fields (RealName "User1" ... "Num5") the names (NikName) of a back-up;
    // fields not named in `names` keep theirs. Throws on the first name the table refuses.
    virtual void setUserFieldNames(const std::vector<std::pair<std::string, std::string>>& names) = 0;
};

// The questions and messages of the database commands: message boxes, the name box and the
// archive file dialogs. The windows implement it; the command line answers with the answer
// that goes on; tests script it.
class DatabasePrompts {
public:
    virtual ~DatabasePrompts() = default;
    // An OK box.
    virtual void message(const std::string& text) = 0;
    // OK/Cancel (`yesNo` false) or Yes/No; true for OK or Yes.
    virtual bool confirm(const std::string& text, bool yesNo) = 0;
    // The input box captioned "Database Name"; nullopt for Cancel.
    virtual std::optional<std::string> askName(const std::string& caption, const std::string& prompt) = 0;
    // The save and open dialogs for an archive; nullopt for Cancel.
    virtual std::optional<std::filesystem::path> askSavePath(const std::string& title) = 0;
    virtual std::optional<std::filesystem::path> askOpenPath(const std::string& title) = 0;
};

} // namespace pelmora::data
