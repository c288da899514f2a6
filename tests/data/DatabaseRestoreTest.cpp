#include "DatabaseSetFixture.h"

#include "../archive/ZipFixtures.h"
#include "archive/ZipEntryList.h"
#include "data/DatabaseFiles.h"

using namespace pelmora::test;
using pelmora::data::DatabaseRow;
namespace fs = std::filesystem;

// A file that can not be replaced (here a directory of the user's stands where the last file
// should go, so the rename fails) stops the restore before anything is swapped in for good: what
// was moved already is put back, and the directory is neither moved nor emptied.
TEST_F(DatabaseSetTest, ARestoreThatCanNotReplaceEveryFileReplacesNone)
{
    DatabaseRow target = newDatabase("Target");
    addContacts(target.BaseDir, 3);
    writeFile(dataDir() / "aaa.txt", "new");
    writeFile(dataDir() / "zzz.txt", "new");
    prompts.paths = { m_home.path() / "sample.pmb" };
    ASSERT_TRUE(set.Backup(*row("Sample")));
    fs::path kept = fs::path(target.BaseDir) / "aaa.txt";
    writeFile(kept, "old");
    fs::path blocking = fs::path(target.BaseDir) / "zzz.txt";
    fs::create_directory(blocking);
    writeFile(blocking / "mine.txt", "the user's");
    prompts.paths = { m_home.path() / "sample.pmb" };
    EXPECT_FALSE(set.Restore(target));
    EXPECT_EQ(3, count(target.BaseDir, "Contacts"));
    EXPECT_EQ("ok", integrity(target.BaseDir));
    EXPECT_EQ("old", readFile(kept));
    EXPECT_EQ("the user's", readFile(blocking / "mine.txt"));
    EXPECT_EQ(0, hiddenEntries(m_home.path()));
    ASSERT_FALSE(prompts.messages.empty());
    EXPECT_NE(std::string::npos, prompts.messages.back().find("nothing was restored"));
}

// After a restore of the open database, what the program writes must be seen by another program
// reading the same file: its log and shared index must be the ones beside the restored file.
TEST_F(DatabaseSetTest, WritesAfterRestoringTheOpenDatabaseReachOtherReaders)
{
    prompts.paths = { m_home.path() / "sample.pmb" };
    ASSERT_TRUE(set.Backup(*row("Sample")));
    prompts.paths = { m_home.path() / "sample.pmb" };
    ASSERT_TRUE(set.Restore(*row("Sample")));
    module.TBLCon.insert();
    module.TBLCon.setString("LName", "AfterRestore");
    module.TBLCon.post();
    fs::path file = dataDir() / "database.sqlite";
    EXPECT_TRUE(fs::exists(file.string() + "-wal"));
    ShellResult other
        = shell("sqlite3 " + quoted(file) + " \"SELECT count(*) FROM Contacts WHERE LName='AfterRestore'\"");
    EXPECT_EQ("1\n", other.out);
}

// The working directory and the temporary archive beside an archive are named after it, or
// shorter, so that a name near the file system's limit still leaves room for their suffixes.
TEST_F(DatabaseSetTest, BackupAndRestoreTakeNamesNearTheLimit)
{
    DatabaseRow target = newDatabase("Target \xc3\xbc");
    addContacts(target.BaseDir, 4);
    fs::path archive = m_home.path() / (std::string(99, 'a') + "\xc3\xbc" + std::string(145, 'a') + ".zip");
    prompts.paths = { archive };
    ASSERT_TRUE(set.Backup(target));
    addContacts(target.BaseDir, 1);
    prompts.paths = { archive };
    ASSERT_TRUE(set.Restore(target));
    EXPECT_EQ(4, count(target.BaseDir, "Contacts"));
    EXPECT_EQ(0, hiddenEntries(m_home.path()));
}

// "&Cancel Operation" pressed as the last file of the archive is finished still cancels.
TEST_F(DatabaseSetTest, ARestoreCancelledAtTheVeryEndChangesNothing)
{
    DatabaseRow target = newDatabase("Target");
    addContacts(target.BaseDir, 5);
    prompts.paths = { m_home.path() / "sample.pmb" };
    ASSERT_TRUE(set.Backup(*row("Sample")));
    std::size_t entries = pelmora::archive::readZipEntryList(m_home.path() / "sample.pmb").size();
    std::size_t finished = 0;
    auto forward = set.zipMaster().OnProgress;
    set.zipMaster().OnProgress = [&](int kind, const std::string& name, std::uint64_t size) {
        forward(kind, name, size);
        if (kind == pelmora::archive::TZipMaster::FileDone && ++finished == entries)
            set.zipMaster().Cancel();
    };
    prompts.paths = { m_home.path() / "sample.pmb" };
    EXPECT_FALSE(set.Restore(target));
    EXPECT_EQ(entries, finished);
    EXPECT_EQ(5, count(target.BaseDir, "Contacts"));
    EXPECT_EQ("ok", integrity(target.BaseDir));
    EXPECT_EQ(0, hiddenEntries(m_home.path()));
    for (const std::string& message : prompts.messages)
        EXPECT_EQ(std::string::npos, message.find("files were extracted"));
}

namespace {

void nameUserField(pelmora::data::TfrmDataModule& module, const std::string& field, const std::string& name)
{
    auto& names = module.TBLMoreName;
    ASSERT_TRUE(names.locate({ "RealName" }, { pelmora::data::Value(field) }, {}));
    names.edit();
    names.setString("NikName", name);
    names.post();
}

std::string userFieldName(pelmora::data::TfrmDataModule& module, const std::string& field)
{
    auto& names = module.TBLMoreName;
    return names.locate({ "RealName" }, { pelmora::data::Value(field) }, {}) ? names.asString("NikName") : "?";
}

} // namespace

// The names the user gave the user fields come back with a back-up, from the names in use when
// it was made; the list of databases does not.
TEST_F(DatabaseSetTest, RestoreBringsBackTheUserFieldNamesButNotTheList)
{
    DatabaseRow clients = newDatabase("Clients");
    nameUserField(module, "User1", "Budget");
    nameUserField(module, "Num2", "Score");
    prompts.paths = { m_home.path() / "clients.pmb" };
    ASSERT_TRUE(set.Backup(clients));
    nameUserField(module, "User1", "Renamed");
    nameUserField(module, "Num2", "");
    newDatabase("Later");
    prompts.paths = { m_home.path() / "clients.pmb" };
    ASSERT_TRUE(set.Restore(clients));
    EXPECT_EQ("Budget", userFieldName(module, "User1"));
    EXPECT_EQ("Score", userFieldName(module, "Num2"));
    EXPECT_TRUE(row("Later").has_value());

    // A crafted copy: only names of user fields that fit are taken.
    TempDir work;
    pelmora::data::snapshotDatabase(dataDir() / "shared.sqlite", work / "shared.sqlite");
    pelmora::data::snapshotDatabase(fs::path(clients.BaseDir) / "database.sqlite", work / "database.sqlite");
    {
        auto db = pelmora::data::openConnection(work / "shared.sqlite", SQLITE_OPEN_READWRITE);
        pelmora::data::execute(db.get(),
            "UPDATE MoreName SET NikName = 'Crafted' WHERE RealName = 'User2';"
            "UPDATE MoreName SET NikName = '"
                + std::string(40, 'x')
                + "' WHERE RealName = 'User3';"
                  "UPDATE MoreName SET NikName = 'Two' || char(10) || 'lines' WHERE RealName = 'User4';"
                  "INSERT INTO MoreName (RealName, NikName) VALUES ('LName', 'Hijack');"
                  "UPDATE BaseName SET BaseDir = '/' WHERE BaseName = 'Sample';");
    }
    nameUserField(module, "User3", "Three");
    nameUserField(module, "User4", "Four");
    makeArchive(m_home.path() / "crafted.pmb",
        { { "database.sqlite", readFile(work / "database.sqlite") },
            { "shared.sqlite", readFile(work / "shared.sqlite") } });
    prompts.paths = { m_home.path() / "crafted.pmb" };
    ASSERT_TRUE(set.Restore(clients));
    EXPECT_EQ("Crafted", userFieldName(module, "User2"));
    EXPECT_EQ("Three", userFieldName(module, "User3"));
    EXPECT_EQ("Four", userFieldName(module, "User4"));
    EXPECT_EQ("?", userFieldName(module, "LName"));
    EXPECT_EQ(20, module.TBLMoreName.recordCount());
    EXPECT_NE("/", row("Sample")->BaseDir);
}
