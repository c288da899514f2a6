#include "DatabaseSetFixture.h"
#include "PageFigures.h"

#include "../archive/ZipFixtures.h"
#include "base/Error.h"
#include "data/DatabaseFiles.h"

#include <sys/wait.h>
#include <unistd.h>

using namespace pelmora::test;
using pelmora::data::DatabaseRow;
namespace fs = std::filesystem;
namespace texts = pelmora::data::texts;

namespace {

// The bytes of a sound SQLite file with one table and the given user_version.
std::string sqliteFile(int version)
{
    TempDir dir;
    const fs::path file = dir.path() / "any.sqlite";
    {
        pelmora::data::Connection db = pelmora::data::openConnection(file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        pelmora::data::execute(db.get(), "CREATE TABLE notes (text); PRAGMA user_version = " + std::to_string(version));
    }
    return readFile(file);
}

} // namespace

TEST_F(DatabaseSetTest, NewDatabaseKeepsOnlyTheCities)
{
    DatabaseRow created = newDatabase("Clients");
    EXPECT_EQ((m_home.path() / "Clients").string(), created.BaseDir);
    EXPECT_EQ("Clients", current.name);
    EXPECT_EQ(created.BaseDir, current.dir);
    for (const char* table : { "Contacts", "category", "jobTitle", "Depart", "ActDesc" })
        EXPECT_EQ(0, count(created.BaseDir, table)) << table;
    EXPECT_EQ(count(dataDir(), "Ip2zip"), count(created.BaseDir, "Ip2zip"));
    EXPECT_GT(count(created.BaseDir, "Ip2zip"), 0);
    EXPECT_EQ(sampleContacts, count(dataDir(), "Contacts"));
}

TEST_F(DatabaseSetTest, NewRefusesNamesThatAreNotADirectoryOfItsOwn)
{
    newDatabase("Clients");
    std::size_t rows = dataModule.databaseRows().size();
    prompts.names = { "", "../outside", "a/b", ".", "..", "Clients", "Sample", "Two\nLines", "Tab\tbed", "Bell\x07",
        std::nullopt };
    for (int i = 0; i < 11; ++i)
        EXPECT_FALSE(set.New());
    EXPECT_EQ((std::vector<std::string> { texts::nameEmpty, texts::nameNotBare, texts::nameNotBare, texts::nameNotBare,
                  texts::nameNotBare, texts::cannotCreateDir, texts::nameSample, texts::nameControl, texts::nameControl,
                  texts::nameControl }),
        prompts.messages);
    EXPECT_EQ(rows, dataModule.databaseRows().size());
    EXPECT_FALSE(fs::exists(m_home.path().parent_path() / "outside"));
    EXPECT_FALSE(fs::exists(m_home.path() / "Two\nLines"));
}

// Back-up of the open database, then Insert of that back-up as a new database: the same records,
// and the open database is open again afterwards.
TEST_F(DatabaseSetTest, BackupAndInsertRoundTrip)
{
    fs::path archive = m_home.path() / "sample";
    prompts.paths = { archive };
    ASSERT_TRUE(set.Backup(*row("Sample")));
    archive += ".zip";
    EXPECT_TRUE(prompts.said("2 files were added")) << "database.sqlite, shared.sqlite and nothing else";
    EXPECT_EQ(0, shell("unzip -tqq " + quoted(archive)).status);
    EXPECT_EQ(dataDir(), openDir());
    EXPECT_EQ(module.TBLCon.state(), pelmora::data::ViewState::Browse) << "the open database is open again";
    EXPECT_EQ("Beginning Add to " + archive.string(), set.progressWindow().memo().front());
    EXPECT_FALSE(set.progressWindow().visible());

    prompts.names = { "Copy" };
    prompts.paths = { archive };
    ASSERT_TRUE(set.Insert());
    fs::path copy = m_home.path() / "Copy";
    EXPECT_EQ(sampleContacts, count(copy, "Contacts"));
    EXPECT_EQ(count(dataDir(), "category"), count(copy, "category"));
    EXPECT_EQ("Sample", current.name);
    EXPECT_FALSE(fs::exists(copy / "shared.sqlite"));
    EXPECT_EQ(0, hiddenEntries(m_home.path()));
}

// Rows committed into the write-ahead log of a connection that is still open are in the back-up.
TEST_F(DatabaseSetTest, BackupOfAnOpenDatabaseIsConsistent)
{
    DatabaseRow clients = newDatabase("Clients");
    set.Open(*row("Sample"));
    pelmora::data::Connection writer
        = pelmora::data::openConnection(fs::path(clients.BaseDir) / "database.sqlite", SQLITE_OPEN_READWRITE);
    pelmora::data::execute(writer.get(), "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;");
    for (int i = 0; i < 40; ++i)
        pelmora::data::execute(writer.get(), "INSERT INTO Contacts (Company) VALUES ('in the log')");
    ASSERT_TRUE(fs::exists(clients.BaseDir + "/database.sqlite-wal"));

    prompts.paths = { m_home.path() / "clients.pmb" };
    ASSERT_TRUE(set.Backup(clients));
    ShellResult listing = shell("unzip -Z1 " + quoted(m_home.path() / "clients.pmb"));
    EXPECT_EQ(std::string::npos, listing.out.find("-wal"));
    writer.reset();

    DatabaseRow other = newDatabase("Other");
    prompts.paths = { m_home.path() / "clients.pmb" };
    ASSERT_TRUE(set.Restore(other));
    EXPECT_EQ(40, count(other.BaseDir, "Contacts"));
    EXPECT_EQ("ok", integrity(other.BaseDir));
}

TEST_F(DatabaseSetTest, RestoreIntoSampleUsesTheDataDirectoryAndKeepsTheList)
{
    prompts.paths = { m_home.path() / "sample.pmb" };
    ASSERT_TRUE(set.Backup(*row("Sample")));
    newDatabase("Later"); // after the back-up: must survive restoring it
    ASSERT_TRUE(set.Open(*row("Sample")));
    addContacts(dataDir(), 5);

    prompts.paths = { m_home.path() / "sample.pmb" };
    ASSERT_TRUE(set.Restore(*row("Sample")));
    EXPECT_EQ(texts::restoreQuestion, prompts.questions.back());
    EXPECT_EQ(sampleContacts, count(dataDir(), "Contacts"));
    EXPECT_TRUE(row("Later").has_value());
    EXPECT_TRUE(prompts.said("1 files were extracted"));
    EXPECT_EQ(dataDir(), openDir());

    // What the reopened database writes must reach the restored file, not a log that the
    // connection to the replaced file takes away when it closes.
    module.TBLCon.insert();
    module.TBLCon.setString("LName", "After the restore");
    module.TBLCon.post();
    EXPECT_EQ(sampleContacts + 1, count(dataDir(), "Contacts"));
}

TEST_F(DatabaseSetTest, RestoresArchivesOfOtherTools)
{
    std::string dir = quoted(dataDir());
    dataModule.closeEveryTable(); // the file alone then holds every record
    ASSERT_EQ(0, shell("cd " + dir + " && zip -q -9 ../infozip.zip database.sqlite").status);
    // Written as a stream: sizes only in a data descriptor after each entry's data.
    ASSERT_EQ(0, shell("cd " + dir + " && zip -q -9 -fd ../descriptor.zip database.sqlite").status);
    ASSERT_EQ(0, shell("cd " + dir + " && zip -q -9 - database.sqlite | cat > ../piped.zip").status);
    ASSERT_EQ(0,
        shell("cd " + dir
            + " && python3 -c \"import zipfile; z=zipfile.ZipFile('../python.zip','w',"
              "zipfile.ZIP_DEFLATED); z.write('database.sqlite'); z.close()\"")
            .status);
    dataModule.openDatabase(dataDir());
    for (const char* name : { "infozip.zip", "descriptor.zip", "piped.zip", "python.zip" }) {
        DatabaseRow target = newDatabase(std::string("From ") + name);
        prompts.paths = { m_home.path() / name };
        ASSERT_TRUE(set.Restore(target)) << name;
        EXPECT_EQ(sampleContacts, count(target.BaseDir, "Contacts")) << name;
    }
}

// Whatever goes wrong during a restore, the target database stays exactly as it was.
TEST_F(DatabaseSetTest, AFailedOrCancelledRestoreLeavesTheDatabase)
{
    DatabaseRow target = newDatabase("Target");
    addContacts(target.BaseDir, 7);
    prompts.paths = { m_home.path() / "sample.pmb" };
    ASSERT_TRUE(set.Backup(*row("Sample")));
    std::string good = readFile(m_home.path() / "sample.pmb");
    writeFile(m_home.path() / "truncated.pmb", good.substr(0, good.size() - 200));
    writeFile(m_home.path() / "text.pmb", "just some text, not an archive");
    makeArchive(m_home.path() / "slip.pmb", { { "database.sqlite", "x" }, { "../../escape.sqlite", "evil" } });
    makeArchive(
        m_home.path() / "damaged.pmb", { { "database.sqlite", std::string("SQLite format 3") + '\0' + "junk" } });
    // Sound SQLite files that are not databases this program can read.
    makeArchive(m_home.path() / "foreign.pmb", { { "database.sqlite", sqliteFile(0) } });
    makeArchive(m_home.path() / "newer.pmb", { { "database.sqlite", sqliteFile(99) } });
    makeArchive(m_home.path() / "other.pmb", { { "readme.txt", "not a back-up" } });
    makeArchive(m_home.path() / "bomb.pmb", { { "database.sqlite", std::string(4 << 20, '\0') } });
    declareSize(m_home.path() / "bomb.pmb", 4096);
    // Sound SQLite files with a version this program knows that lack its tables or a field.
    makeArchive(m_home.path() / "onetable.pmb", { { "database.sqlite", sqliteFile(1) } });
    {
        TempDir work;
        pelmora::data::snapshotDatabase(dataDir() / "database.sqlite", work / "database.sqlite");
        pelmora::data::Connection db = pelmora::data::openConnection(work / "database.sqlite", SQLITE_OPEN_READWRITE);
        pelmora::data::execute(db.get(), "ALTER TABLE EMAIL DROP COLUMN ToEmail");
        db.reset();
        makeArchive(m_home.path() / "nofield.pmb", { { "database.sqlite", readFile(work / "database.sqlite") } });
    }

    set.progressWindow().onLine = [this](const std::string& line) {
        if (line.find("inflating") != std::string::npos)
            set.zipMaster().Cancel();
    };
    prompts.paths = { m_home.path() / "sample.pmb" };
    EXPECT_FALSE(set.Restore(target));
    set.progressWindow().onLine = nullptr;
    for (const char* name : { "truncated.pmb", "text.pmb", "slip.pmb", "damaged.pmb", "foreign.pmb", "newer.pmb",
             "other.pmb", "onetable.pmb", "nofield.pmb", "bomb.pmb", "missing.pmb" }) {
        prompts.paths = { m_home.path() / name };
        EXPECT_FALSE(set.Restore(target)) << name;
    }
    EXPECT_EQ(7, count(target.BaseDir, "Contacts"));
    EXPECT_EQ("ok", integrity(target.BaseDir));
    EXPECT_EQ(0, hiddenEntries(m_home.path()));
    EXPECT_FALSE(fs::exists(fs::path(target.BaseDir) / "readme.txt"));
    EXPECT_FALSE(fs::exists(m_home.path().parent_path() / "escape.sqlite"));
    EXPECT_TRUE(prompts.said("Error 1 reading Zip File"));
    EXPECT_TRUE(prompts.said(texts::extractFailed));
    EXPECT_TRUE(prompts.said(std::string(texts::fileNotFound) + (m_home.path() / "missing.pmb").string()));
    EXPECT_TRUE(prompts.said("The file database.sqlite in the archive can not be restored (it is not a Pelmora "
                             "database); nothing was restored."));
    EXPECT_TRUE(prompts.said("The file database.sqlite in the archive can not be restored (it was written by a "
                             "newer Pelmora (version 99)); nothing was restored."));
    EXPECT_TRUE(prompts.said("The file database.sqlite in the archive can not be restored (it has no table "
                             "Contacts); nothing was restored."));
    EXPECT_TRUE(prompts.said("The file database.sqlite in the archive can not be restored (its table EMAIL has "
                             "no field ToEmail); nothing was restored."));
}

TEST_F(DatabaseSetTest, BackupOfADirectoryWithoutFilesWritesNoArchive)
{
    prompts.paths = { m_home.path() / "sample.pmb" };
    ASSERT_TRUE(set.Backup(*row("Sample")));
    fs::create_directory(m_home.path() / "Empty");
    DatabaseRow empty = dataModule.insertDatabaseRow("Empty", (m_home.path() / "Empty").string());
    prompts.paths = { m_home.path() / "empty.pmb" };
    EXPECT_FALSE(set.Backup(empty));
    EXPECT_EQ("Error Msg from DLL: Error - no files to zip", prompts.messages.back());
    EXPECT_FALSE(fs::exists(m_home.path() / "empty.pmb"));
}

TEST_F(DatabaseSetTest, ABackUpOfADamagedDatabaseStopsWithoutArchiveOrLeftovers)
{
    fs::create_directory(m_home.path() / "Broken");
    writeFile(m_home.path() / "Broken" / "database.sqlite", std::string(4096, 'x'));
    DatabaseRow broken = dataModule.insertDatabaseRow("Broken", (m_home.path() / "Broken").string());
    prompts.paths = { m_home.path() / "broken.pmb" };
    EXPECT_THROW(set.Backup(broken), pelmora::Error);
    EXPECT_FALSE(set.progressWindow().visible());
    EXPECT_FALSE(fs::exists(m_home.path() / "broken.pmb"));
    EXPECT_EQ(0, hiddenEntries(m_home.path()));
}

TEST_F(DatabaseSetTest, BackupOverAFileThatIsNoArchiveStops)
{
    writeFile(m_home.path() / "notes.pmb", "my notes, not an archive");
    prompts.paths = { m_home.path() / "notes.pmb" };
    EXPECT_FALSE(set.Backup(*row("Sample")));
    EXPECT_TRUE(prompts.said("Error 1 reading Zip File"));
    EXPECT_EQ("my notes, not an archive", readFile(m_home.path() / "notes.pmb"));
    EXPECT_EQ(dataDir(), openDir());
}

TEST_F(DatabaseSetTest, BackupLeavesOutOlderArchivesAndHiddenFiles)
{
    DatabaseRow clients = newDatabase("Clients");
    writeFile(fs::path(clients.BaseDir) / "old.zip", "an older back-up");
    writeFile(fs::path(clients.BaseDir) / ".hidden", "x");
    writeFile(fs::path(clients.BaseDir) / "notes.ZIP", "kept: the test is case-sensitive");
    prompts.paths = { m_home.path() / "clients.pmb" };
    ASSERT_TRUE(set.Backup(clients));
    ShellResult listing = shell("unzip -Z1 " + quoted(m_home.path() / "clients.pmb") + " | sort");
    EXPECT_EQ("database.sqlite\nnotes.ZIP\nshared.sqlite\n", listing.out);

    // Backed up while not open, the directory is left with no working files of SQLite in it.
    set.Open(*row("Sample"));
    prompts.paths = { m_home.path() / "again.pmb" };
    ASSERT_TRUE(set.Backup(clients));
    for (const auto& entry : fs::directory_iterator(clients.BaseDir))
        EXPECT_FALSE(pelmora::data::isSqliteSidecar(entry.path().filename().string())) << entry.path();
}

TEST_F(DatabaseSetTest, DeleteRefusesWhatIsNotAnInactiveDatabaseDirectory)
{
    DatabaseRow clients = newDatabase("Clients");
    EXPECT_FALSE(set.Delete(clients));
    EXPECT_FALSE(set.Delete(*row("Sample")));
    set.Open(*row("Sample"));
    EXPECT_FALSE(set.Delete(*row("Sample")));
    EXPECT_EQ(
        (std::vector<std::string> { texts::deleteActive, texts::deleteSample, texts::deleteActive }), prompts.messages);

    prompts.answers = { false };
    EXPECT_FALSE(set.Delete(clients));
    EXPECT_TRUE(fs::exists(fs::path(clients.BaseDir) / "database.sqlite"));

    fs::create_directory(m_home.path() / "Documents");
    writeFile(m_home.path() / "Documents" / "letter.txt", "precious");
    DatabaseRow stray = dataModule.insertDatabaseRow("Stray", (m_home.path() / "Documents").string());
    EXPECT_FALSE(set.Delete(stray));
    EXPECT_EQ("precious", readFile(m_home.path() / "Documents" / "letter.txt"));
    EXPECT_TRUE(row("Stray").has_value());

    EXPECT_TRUE(set.Delete(clients));
    EXPECT_FALSE(fs::exists(clients.BaseDir));
    EXPECT_FALSE(row("Clients").has_value());
    EXPECT_EQ(texts::deleteQuestion, prompts.questions.back());

    // A row under another name that points at the data directory, with another database open.
    newDatabase("Other");
    DatabaseRow alias = dataModule.insertDatabaseRow("Alias", dataDir().string());
    EXPECT_FALSE(set.Delete(alias));
    EXPECT_EQ(texts::deleteSample, prompts.messages.back());
    EXPECT_EQ(sampleContacts, count(dataDir(), "Contacts"));
    EXPECT_TRUE(fs::exists(dataDir() / "shared.sqlite"));
}

TEST_F(DatabaseSetTest, AnInsertThatRestoresNothingAddsNoDatabase)
{
    fs::create_directory(m_home.path() / "Taken");
    writeFile(m_home / "text.pmb", "no archive");
    prompts.names = { "Taken", "Fresh", "Cancelled" };
    prompts.paths = { m_home.path() / "text.pmb", std::nullopt };
    for (int i = 0; i < 3; ++i)
        EXPECT_FALSE(set.Insert());
    EXPECT_TRUE(prompts.said(texts::cannotCreateDir));
    EXPECT_TRUE(prompts.said("Error 1 reading Zip File"));
    for (const char* name : { "Taken", "Fresh", "Cancelled" })
        EXPECT_FALSE(row(name).has_value()) << name;
    EXPECT_FALSE(fs::exists(m_home.path() / "Fresh"));
    EXPECT_FALSE(fs::exists(m_home.path() / "Cancelled"));
}

TEST_F(DatabaseSetTest, PackKeepsTheRecordsAndTheDatabaseOpen)
{
    // Enough rows that freeing half of them frees whole pages, which only a real pack gives back.
    pelmora::data::Connection db = pelmora::data::openConnection(dataDir() / "database.sqlite", SQLITE_OPEN_READWRITE);
    pelmora::data::execute(db.get(),
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 400) "
        "INSERT INTO Contacts (LName, Company) SELECT 'Filler' || i, printf('%.200c', 'x') FROM n");
    pelmora::data::execute(db.get(), "DELETE FROM Contacts WHERE Counter % 2 = 0 OR LName LIKE 'Filler3%'");
    db.reset();
    int left = count(dataDir(), "Contacts");
    const pelmora::test::PageFigures unpacked = pelmora::test::pageFigures(dataDir() / "database.sqlite");
    set.Pack();
    EXPECT_EQ(left, count(dataDir(), "Contacts"));
    const pelmora::test::PageFigures packed = pelmora::test::pageFigures(dataDir() / "database.sqlite");
    EXPECT_LT(packed.pages, unpacked.pages);
    EXPECT_EQ(packed.freePages, 0);
    EXPECT_EQ("ok", integrity(dataDir()));
    EXPECT_EQ(dataDir(), openDir());
    EXPECT_TRUE(prompts.messages.empty());
}

// A log left beside the old database (after a crash) would be replayed onto the restored one.
TEST_F(DatabaseSetTest, RestoreDropsTheLogOfTheReplacedDatabase)
{
    prompts.paths = { m_home.path() / "sample.pmb" };
    ASSERT_TRUE(set.Backup(*row("Sample")));
    DatabaseRow target = newDatabase("Target");
    set.Open(*row("Sample"));
    fs::path file = fs::path(target.BaseDir) / "database.sqlite";
    {
        pelmora::data::Connection writer = pelmora::data::openConnection(file, SQLITE_OPEN_READWRITE);
        pelmora::data::execute(writer.get(), "PRAGMA journal_mode=WAL; PRAGMA wal_autocheckpoint=0;");
        for (int i = 0; i < 30; ++i)
            pelmora::data::execute(writer.get(), "INSERT INTO Contacts (Company) VALUES ('logged')");
        fs::copy_file(file.string() + "-wal", m_home / "stale-wal");
    }
    fs::copy_file(m_home / "stale-wal", file.string() + "-wal", fs::copy_options::overwrite_existing);

    prompts.paths = { m_home.path() / "sample.pmb" };
    ASSERT_TRUE(set.Restore(target));
    if (fs::exists(file.string() + "-wal")) {
        EXPECT_TRUE(readFile(m_home / "stale-wal") != readFile(file.string() + "-wal")) << "the stale log stayed";
    }
    EXPECT_EQ(sampleContacts, count(target.BaseDir, "Contacts"));
    EXPECT_EQ("ok", integrity(target.BaseDir));
}

// A first start shows no database name while the Sample database is open; its directory still
// makes it the open one, whose tables are closed while its files are replaced.
TEST_F(DatabaseSetTest, TheOpenDatabaseIsKnownByItsDirectoryWhenItHasNoName)
{
    current = { "", dataDir().string() };
    prompts.paths = { m_home.path() / "sample.pmb" };
    ASSERT_TRUE(set.Backup(*row("Sample")));
    addContacts(dataDir(), 3);
    prompts.paths = { m_home.path() / "sample.pmb" };
    ASSERT_TRUE(set.Restore(*row("Sample")));
    EXPECT_EQ(sampleContacts, module.TBLCon.recordCount()); // the view reads the restored file
    module.TBLCon.insert();
    module.TBLCon.setString("LName", "After the restore");
    module.TBLCon.post();
    EXPECT_EQ(sampleContacts + 1, count(dataDir(), "Contacts"));

    EXPECT_FALSE(set.Delete(*row("Sample")));
    EXPECT_TRUE(prompts.said(texts::deleteActive));
}

namespace {

// The id of a process that has ended.
int endedProcess()
{
    const pid_t child = ::fork();
    if (child == 0)
        ::_exit(0);
    int status = 0;
    ::waitpid(child, &status, 0);
    return static_cast<int>(child);
}

} // namespace

// A row whose directory is gone or empty (an interrupted New or Insert) can be deleted.
TEST_F(DatabaseSetTest, DeleteRemovesARowWhoseDirectoryIsGoneOrEmpty)
{
    fs::create_directory(m_home.path() / "Half");
    DatabaseRow half = dataModule.insertDatabaseRow("Half", (m_home.path() / "Half").string());
    DatabaseRow gone = dataModule.insertDatabaseRow("Gone", (m_home.path() / "Gone").string());
    EXPECT_TRUE(set.Delete(half));
    EXPECT_TRUE(set.Delete(gone));
    EXPECT_FALSE(row("Half").has_value());
    EXPECT_FALSE(row("Gone").has_value());
    EXPECT_FALSE(fs::exists(m_home.path() / "Half"));
}

// What a killed New, Insert, back-up or restore left is cleaned at the next start, and only
// that: entries of a program still running and folders the program does not name stay.
TEST_F(DatabaseSetTest, LeftoversOfKilledCommandsAreCleanedAtTheNextStart)
{
    DatabaseRow clients = newDatabase("Clients");
    prompts.paths = { m_home.path() / "clients.pmb" };
    ASSERT_TRUE(set.Backup(clients));
    prompts.paths = { m_home.path() / "clients.pmb" };
    ASSERT_TRUE(set.Restore(clients));
    EXPECT_FALSE(fs::exists(set.workList())); // nothing is recorded once the commands end

    const fs::path staging = m_home.path() / ".Half.new-1234";
    const fs::path snapshot = m_home.path() / "backups" / ".clients.pmb.backup-99";
    const fs::path running = m_home.path() / ".Other.restore-77";
    const fs::path mine = m_home.path() / "My folder";
    for (const fs::path& dir : { staging, snapshot, running, mine })
        fs::create_directories(dir);
    writeFile(staging / "database.sqlite", "half copied");
    writeFile(snapshot / "database.sqlite.part", "half written");
    writeFile(mine / "letter.txt", "precious");
    fs::create_directory(m_home.path() / "Half");
    dataModule.insertDatabaseRow("Half", (m_home.path() / "Half").string());
    const int dead = endedProcess();
    writeFile(set.workList(),
        std::to_string(dead) + " new " + (m_home.path() / "Half").string() + "\n" + std::to_string(dead) + " dir "
            + staging.string() + "\n" + std::to_string(dead) + " dir " + snapshot.string() + "\n" + std::to_string(dead)
            + " dir " + mine.string() + "\n" + std::to_string(dead) + " new " + clients.BaseDir + "\n"
            + std::to_string(::getpid()) + " dir " + running.string() + "\n");

    pelmora::data::DatabaseSet restarted(dataModule, prompts, m_home.path(), current);
    EXPECT_FALSE(fs::exists(staging));
    EXPECT_FALSE(fs::exists(snapshot));
    EXPECT_TRUE(fs::is_directory(m_home.path() / "backups"));
    EXPECT_FALSE(fs::exists(m_home.path() / "Half"));
    EXPECT_FALSE(row("Half").has_value());
    EXPECT_EQ("precious", readFile(mine / "letter.txt"));
    EXPECT_TRUE(row("Clients").has_value()); // its database had arrived
    EXPECT_TRUE(fs::exists(running)); // its program still runs
    EXPECT_NE(std::string::npos, readFile(set.workList()).find(running.string()));
    EXPECT_EQ(std::string::npos, readFile(set.workList()).find(staging.string()));
}
