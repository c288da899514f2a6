#pragma once

#include "archive/TZipMaster.h"
#include "data/DatabaseInterfaces.h"
#include "data/TMsgform.h"

#include <filesystem>
#include <string>

namespace pelmora::data {

// The current database: the name shown in the main window and the directory whose tables are
// open (INI keys LastDataName and LastData).
struct CurrentDatabase {
    std::string name;
    std::string dir;
};

// The commands of the Database List window and the pack command: open, create, back up,
// restore, insert and delete databases. Questions and messages go through the prompts; the
// archive component's reports go to the progress window's state.
//
// Whatever fails or is cancelled, a database is never left half replaced: a restore is
// extracted and checked in a directory beside the database and only then moved in, and a
// back-up archive appears only once complete.
class DatabaseSet {
public:
    DatabaseSet(DatabaseOperations& dataModule, DatabasePrompts& prompts, std::filesystem::path programDir,
        CurrentDatabase& current);

    // The directory a row's files live in: the data directory for "Sample", else BaseDir.
    std::filesystem::path rowDirectory(const DatabaseRow& row) const;
    std::filesystem::path rowDirectoryOf(const CurrentDatabase& database) const;
    std::filesystem::path dataDir() const { return m_programDir / "data"; }
    // True for the row of the database whose tables are open.
    bool isCurrent(const DatabaseRow& row) const;

    // Each returns true when it ended as the window closes with OK (Open, New), or did its work.
    bool Open(const DatabaseRow& row);
    bool New();
    bool Backup(const DatabaseRow& row);
    bool Restore(const DatabaseRow& row, bool fromInsert = false);
    bool Insert();
    bool Delete(const DatabaseRow& row);
    void Pack();

    // Removes what New, Insert, back-up and restore of a program that was killed left behind:
    // their working directories and the row of a database that never got its files. Runs when
    // the set is made, as the program starts.
    void cleanLeftovers();
    // The file that lists what the running commands are building (see WorkRecord).
    std::filesystem::path workList() const { return m_programDir / ".pelmora-work"; }

    TMsgform& progressWindow() { return m_msgform; }
    archive::TZipMaster& zipMaster() { return m_zip; }

private:
    std::optional<DatabaseRow> createRow();
    void reopenCurrent();
    void dropRow(const DatabaseRow& row);
    bool readArchive(const std::filesystem::path& path);
    bool addFiles(const std::filesystem::path& rowDir, const std::filesystem::path& archivePath);
    bool extractInto(const std::filesystem::path& rowDir, const std::filesystem::path& staging);
    bool moveRestoredFiles(const std::filesystem::path& staging, const std::filesystem::path& rowDir, int& moved);
    bool deleteFiles(const std::filesystem::path& dir);
    void restoreUserFieldNames(const std::filesystem::path& staging);
    void buildNewDatabase(const std::filesystem::path& dir);

    DatabaseOperations& m_dataModule;
    DatabasePrompts& m_prompts;
    std::filesystem::path m_programDir;
    CurrentDatabase& m_current;
    TMsgform m_msgform;
    archive::TZipMaster m_zip;
};

// Texts of the commands' questions and messages.
namespace texts {
inline constexpr const char* nameCaption = "Database Name";
inline constexpr const char* namePrompt = "Enter Database Name: ";
inline constexpr const char* nameEmpty = "You must enter a name for the new database.";
inline constexpr const char* nameNotBare
    = "A database name may not contain \"/\" or \"\\\" and may not be \".\" or \"..\".";
inline constexpr const char* nameControl = "A database name may not contain line breaks or other control characters.";
inline constexpr const char* nameSample
    = "The name Sample belongs to the database that comes with the program; choose another name.";
inline constexpr const char* cannotCreateDir = "Can not create the Directory.";
inline constexpr const char* deleteActive = "You can not Delete the active database.";
inline constexpr const char* deleteSample = "You can not Delete the Sample database.";
inline constexpr const char* deleteQuestion = "Do You Want to Delete the database?";
inline constexpr const char* restoreQuestion
    = "This will delete and replace all the data in the target database.\rDo you want to continue ?";
inline constexpr const char* fileNotFound = "Error: file not found: ";
inline constexpr const char* addFailed = "Error in Add; Fatal DLL Exception in mainunit";
inline constexpr const char* extractFailed = "Error in Extract; Fatal DLL Exception in mainunit";
inline constexpr const char* fileNotDeleted = "File Can't be Deleted";
inline constexpr const char* saveTitle = "Choose Directory and File Name";
inline constexpr const char* openTitle = "Pick ZIP file to Restore";
} // namespace texts

} // namespace pelmora::data
