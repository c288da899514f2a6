#include "CommandHome.h"
#include "data/DatabaseFiles.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace pelmora::test;
namespace fs = std::filesystem;

namespace {

class DatabaseCommands : public ::testing::Test {
protected:
    // The program makes the Sample database on its first run.
    DatabaseCommands() { sampleContacts = (databases({ "list" }), contacts("data")); }

    RunResult databases(std::vector<std::string> words)
    {
        words.insert(words.begin(), "databases");
        return m_home.run(std::move(words));
    }

    int contacts(const std::string& database)
    {
        pelmora::data::Connection db
            = pelmora::data::openConnection(m_home / database / "database.sqlite", SQLITE_OPEN_READONLY);
        sqlite3_stmt* statement = nullptr;
        sqlite3_prepare_v2(db.get(), "SELECT count(*) FROM Contacts", -1, &statement, nullptr);
        int rows = sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int(statement, 0) : -1;
        sqlite3_finalize(statement);
        return rows;
    }

    CommandHome m_home;
    int sampleContacts = 0;
};

} // namespace

TEST_F(DatabaseCommands, CreateBackUpInsertAndDelete)
{
    // A first start keeps no name, yet the Sample database is the one open.
    EXPECT_TRUE(nlohmann::json::parse(databases({ "list" }).out)[0]["current"].get<bool>());
    ASSERT_EQ(0, databases({ "new", "Work" }).exitCode);
    auto list = nlohmann::json::parse(databases({ "list" }).out);
    ASSERT_EQ(2u, list.size());
    EXPECT_EQ("Work", list[1]["BaseName"]);
    EXPECT_TRUE(list[1]["current"].get<bool>());
    EXPECT_NE(std::string::npos, readFile(m_home / "pelmora.ini").find("LastDataName=Work"));

    std::string archive = (m_home / "sample.pmb").string();
    RunResult backup = databases({ "backup", "Sample", archive });
    EXPECT_EQ(0, backup.exitCode) << backup.err;
    EXPECT_NE(std::string::npos, backup.err.find("2 files were added"));
    RunResult insert = databases({ "insert", "Copy", archive });
    EXPECT_EQ(0, insert.exitCode) << insert.err;
    EXPECT_EQ(sampleContacts, contacts("Copy"));
    EXPECT_EQ(0, contacts("Work"));

    RunResult refused = databases({ "delete", "Work" });
    EXPECT_EQ(1, refused.exitCode);
    EXPECT_EQ("You can not Delete the active database.\n", refused.err);
    EXPECT_EQ(0, databases({ "open", "Sample" }).exitCode);
    EXPECT_EQ(0, databases({ "delete", "Work" }).exitCode);
    EXPECT_FALSE(fs::exists(m_home / "Work"));
    EXPECT_EQ(0, databases({ "pack" }).exitCode);
}

TEST_F(DatabaseCommands, ReportsBadInputWithoutChangingAnything)
{
    ASSERT_EQ(0, databases({ "new", "Work" }).exitCode);
    writeFile(m_home / "notes.txt", "not an archive");
    RunResult restore = databases({ "restore", "Sample", (m_home / "notes.txt").string() });
    EXPECT_EQ(1, restore.exitCode);
    EXPECT_NE(std::string::npos, restore.err.find("Error 1 reading Zip File"));
    EXPECT_EQ(0u,
        restore.err.find("Restoring into the database \"Sample\".\n"
                         "This will delete and replace all the data in the target database.\n"
                         "Do you want to continue ?\n"));
    EXPECT_EQ(sampleContacts, contacts("data"));

    RunResult missing = databases({ "restore", "Sample", (m_home / "none.pmb").string() });
    EXPECT_NE(std::string::npos, missing.err.find("Error: file not found: "));
    EXPECT_EQ(1, databases({ "open", "Nowhere" }).exitCode);
    EXPECT_EQ(1, databases({ "new", "../escape" }).exitCode);
    EXPECT_FALSE(fs::exists(m_home.path().parent_path() / "escape"));
    EXPECT_EQ(2, databases({ "backup", "Sample" }).exitCode);
    EXPECT_EQ(2, databases({ "frobnicate" }).exitCode);
}

// The directory of the current database deleted behind the program's back: the commands say so
// and still list, open and delete databases, so the user can get back to work.
TEST_F(DatabaseCommands, AMissingCurrentDatabaseDoesNotLockTheUserOut)
{
    ASSERT_EQ(0, databases({ "new", "Gone" }).exitCode);
    ASSERT_EQ(0, databases({ "new", "Kept" }).exitCode);
    ASSERT_EQ(0, databases({ "open", "Gone" }).exitCode);
    fs::remove_all(m_home / "Gone");

    RunResult list = databases({ "list" });
    EXPECT_EQ(0, list.exitCode);
    EXPECT_NE(std::string::npos, list.err.find("database.sqlite is missing"));
    nlohmann::json rows = nlohmann::json::parse(list.out);
    ASSERT_EQ(3u, rows.size());
    EXPECT_EQ("Gone", rows[1]["BaseName"]);
    EXPECT_EQ(0, databases({ "open", "Kept" }).exitCode);
    EXPECT_EQ(0, databases({ "delete", "Gone" }).exitCode);
    EXPECT_EQ(2u, nlohmann::json::parse(databases({ "list" }).out).size());
    EXPECT_EQ(sampleContacts, contacts("data"));
}
