#include "DatabaseSetFixture.h"

#include "../archive/ZipFixtures.h"
#include "archive/ZipEntryList.h"

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
