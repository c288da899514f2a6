#include "data/DataError.h"
#include "DataTestSupport.h"
#include "DayOfAction.h"

#include <gtest/gtest.h>

namespace pelmora::data {
namespace {

using test::DataModuleFixture;

class DataModuleTest : public ::testing::Test, public DataModuleFixture {
protected:
    std::int64_t count(const std::string& table) { return module->currentDatabase()->count(tableDef(table)); }

    std::int64_t addContact(const std::string& last)
    {
        module->TBLCon.insert();
        module->TBLCon.setString("LName", last);
        module->TBLCon.post();
        return module->TBLCon.asInteger("Counter");
    }
};

TEST_F(DataModuleTest, TheSampleDatabaseIsThereOnFirstStart)
{
    EXPECT_GT(count("Ip2zip"), 50);
    EXPECT_GT(count("Contacts"), 2);
    EXPECT_GT(count("category"), 3);
    EXPECT_EQ(module->sharedDatabase().count(tableDef("MoreName")), 20);
    module->TBLBaseName.first();
    EXPECT_EQ(module->TBLBaseName.asString("BaseName"), "Sample");
    EXPECT_EQ(module->TBLMoreName.asString("RealName"), "Date1"); // in RealInd order
    EXPECT_TRUE(module->TBLCon.isOpen());
    EXPECT_FALSE(module->TBLCon1.isOpen()); // the report views are opened by their windows
    EXPECT_FALSE(std::filesystem::exists(dataDir / ".new-database.sqlite"));
}

TEST_F(DataModuleTest, NewRecordsGetTheirDefaultsAndTheEditorDecides)
{
    const Date day = Date::today();
    const std::int64_t contact = addContact("Newman");
    EXPECT_TRUE(pelmora::test::isDayOfAction(module->TBLCon.asDate("Created"), day, Date::today()));
    EXPECT_EQ(module->TBLCon.asString("Detailes"), "Newman , ");

    const std::int64_t links = count("Links");
    prompts.editorAnswer = false;
    module->TBLLinks.insert();
    EXPECT_EQ(count("Links"), links); // cancelled in the editor: nothing stored
    EXPECT_EQ(module->TBLLinks.state(), ViewState::Browse);

    prompts.editorAnswer = true;
    prompts.fillEditor = [](TableView& v) { v.setString("Subject", "Call back"); };
    module->TBLNotes.insert();
    EXPECT_EQ(module->TBLNotes.asInteger("Contact"), contact);
    EXPECT_TRUE(pelmora::test::isDayOfAction(module->TBLNotes.asDate("DateCreated"), day, Date::today()));
    EXPECT_EQ(prompts.editors, (std::vector<std::string> { "TfrmLinks", "TfrmNotes" }));

    prompts.fillEditor = [](TableView& v) { v.setString("Priority", "too long"); };
    const std::int64_t activities = count("Activity");
    EXPECT_THROW(module->TBLActivity.insert(), EDatabaseError);
    EXPECT_EQ(count("Activity"), activities);
    EXPECT_EQ(module->TBLActivity.state(), ViewState::Browse);
}

TEST_F(DataModuleTest, TheActivityListShowsWhoEachActivityBelongsTo)
{
    const std::int64_t contact = addContact("Looked");
    module->currentDatabase()->sql().exec(
        "INSERT INTO Activity (Contact, Activity) VALUES (" + std::to_string(contact) + ", 'Lookup')");
    module->TBLActivityList.refresh();
    ASSERT_TRUE(module->TBLActivityList.locate({ "Activity" }, { std::string("Lookup") }, {}));
    EXPECT_EQ(module->TBLActivityList.asString("LName"), "Looked");
    EXPECT_EQ(module->TBLActivityList.fields()[size_t(module->TBLActivityList.fieldIndex("Company"))].width, 30);
    module->TBLActivityList.edit(); // a lookup field is read, never written
    EXPECT_THROW(module->TBLActivityList.setString("LName", "x"), EDatabaseError);
    module->TBLActivityList.cancel();

    module->QURContactEmail.setParam("SenderAddress", std::string("nobody@nowhere.example"));
    module->QURContactEmail.open();
    EXPECT_EQ(module->QURContactEmail.recordCount(), 0);
}

TEST_F(DataModuleTest, UnmarkingClearsOnlyTheContactsTheFilterShows)
{
    auto& sql = module->currentDatabase()->sql();
    sql.exec("UPDATE Contacts SET Mark = 1");
    module->TBLCon.setFilter("Counter > 3");
    module->unmarkAllContacts();
    EXPECT_EQ(sql.scalar("SELECT COUNT(*) FROM Contacts WHERE Mark = 1"),
        sql.scalar("SELECT COUNT(*) FROM Contacts WHERE Counter <= 3"));
    module->TBLCon.setFiltered(false);
    module->unmarkAllContacts();
    EXPECT_EQ(sql.scalar("SELECT COUNT(*) FROM Contacts WHERE Mark = 1"), 0);
    module->TBLCon.setFiltered(true);
}

TEST_F(DataModuleTest, SummaryAndPositionFollowTheCurrentContact)
{
    std::vector<std::pair<std::int64_t, std::int64_t>> positions;
    module->onRecordPosition = [&](std::int64_t n, std::int64_t m) { positions.emplace_back(n, m); };
    module->TBLCon.first();
    module->TBLCon.next();
    ASSERT_EQ(positions.size(), 2u);
    EXPECT_EQ(positions.back(), std::make_pair(std::int64_t(2), count("Contacts")));
    module->TBLCon.insert();
    module->TBLCon.setString("Company", "Acme");
    EXPECT_EQ(module->TBLCon.asString("Detailes"), " , Acme");
    module->TBLCon.cancel();
}

TEST_F(DataModuleTest, DeletingAContactTakesEveryDetailInOneGo)
{
    const std::int64_t contact = addContact("Gone");
    auto& sql = module->currentDatabase()->sql();
    const std::string c = std::to_string(contact);
    const auto attachment = attachDir / "gone.pdf";
    const auto document = temp / "mine.doc";
    test::writeFile(attachment, "pdf");
    test::writeFile(document, "doc");
    sql.exec("INSERT INTO EMAIL (Contact, Subject, AttachNum) VALUES (" + c + ", 'a', 1), (" + c + ", 'b', 0), (" + c
        + ", 'c', 0)");
    sql.exec("INSERT INTO Attach (EmailNum, Location) SELECT Counter, '" + attachment.string()
        + "' FROM EMAIL WHERE Subject = 'a'");
    sql.exec("INSERT INTO Activity (Contact) VALUES (" + c + "), (" + c + ")");
    sql.exec("INSERT INTO documents (Contact, File) VALUES (" + c + ", '" + document.string() + "')");
    sql.exec("INSERT INTO Links (Contact) VALUES (" + c + ")");
    sql.exec("INSERT INTO People (Contact) VALUES (" + c + ")");
    sql.exec("INSERT INTO notes (Contact) VALUES (" + c + ")");
    const std::int64_t others = count("Activity") - 2;

    ASSERT_TRUE(module->TBLCon.gotoRowId(contact));
    module->TBLCon.remove();
    for (const char* table : { "EMAIL", "Links", "People", "notes", "documents" }) {
        Statement& st = sql.prepare(std::string("SELECT COUNT(*) FROM ") + table + " WHERE Contact = ?");
        st.bind(1, contact).step();
        EXPECT_EQ(st.columnInt(0), 0) << table;
    }
    EXPECT_EQ(count("Activity"), others);
    EXPECT_EQ(count("Attach"), 0);
    EXPECT_FALSE(std::filesystem::exists(attachment));
    EXPECT_TRUE(std::filesystem::exists(document)); // the user's own file stays
    EXPECT_FALSE(module->TBLCon.gotoRowId(contact));
}

// The attachment rows of sent messages name the user's own files; only what lies inside the
// attachments folder, after every link and ".." is followed, goes with a message.
TEST_F(DataModuleTest, OnlyFilesReallyInsideTheAttachmentsFolderGoWithAMessage)
{
    namespace fs = std::filesystem;
    const auto userDir = temp / "user";
    fs::create_directories(userDir);
    const auto received = attachDir / "received.pdf";
    const auto throughLink = userDir / "linked.doc";
    const auto dotted = userDir / "dotted.doc";
    const auto relative = attachDir / "relative.doc";
    const auto sibling = temp / (attachDir.filename().string() + "-other") / "sibling.doc";
    fs::create_directories(sibling.parent_path());
    for (const auto& file : { received, throughLink, dotted, relative, sibling })
        test::writeFile(file, "content");
    fs::create_directory_symlink(userDir, attachDir / "linked");
    const std::vector<std::string> locations = { received.string(), (attachDir / "linked" / "linked.doc").string(),
        (attachDir / ".." / "user" / "dotted.doc").string(), "attach/relative.doc", sibling.string() };

    // A relative location would name a file inside the folder from here.
    struct WorkingDirectory {
        fs::path old = fs::current_path();
        explicit WorkingDirectory(const fs::path& dir) { fs::current_path(dir); }
        ~WorkingDirectory() { fs::current_path(old); }
    } cwd(temp.path());

    const std::int64_t contact = addContact("Sender");
    auto& sql = module->currentDatabase()->sql();
    sql.exec("INSERT INTO EMAIL (Contact, Subject, AttachNum) VALUES (" + std::to_string(contact) + ", 'sent', 1)");
    for (const std::string& location : locations)
        sql.prepare("INSERT INTO Attach (EmailNum, Location) SELECT Counter, ? FROM EMAIL WHERE Subject = 'sent'")
            .bind(1, location)
            .run();
    ASSERT_TRUE(module->TBLCon.gotoRowId(contact));
    module->TBLCon.remove();
    EXPECT_EQ(count("Attach"), 0);
    EXPECT_FALSE(fs::exists(received));
    for (const auto& file : { throughLink, dotted, relative, sibling })
        EXPECT_TRUE(fs::exists(file)) << file;
    EXPECT_TRUE(prompts.notDeleted.empty());
}

TEST_F(DataModuleTest, ACascadeThatFailsLeavesTheContactWhole)
{
    const std::int64_t contact = addContact("Kept");
    auto& sql = module->currentDatabase()->sql();
    const std::string c = std::to_string(contact);
    const auto attachment = attachDir / "kept.txt";
    test::writeFile(attachment, "x");
    sql.exec("INSERT INTO EMAIL (Contact, Subject) VALUES (" + c + ", 'm')");
    sql.exec("INSERT INTO Attach (EmailNum, Location) SELECT Counter, '" + attachment.string()
        + "' FROM EMAIL WHERE Subject = 'm'");
    sql.exec("INSERT INTO Links (Contact) VALUES (" + c + ")");
    // The last table of the cascade refuses: everything before it must come back.
    sql.exec("CREATE TRIGGER refuse BEFORE DELETE ON Links BEGIN SELECT RAISE(ABORT, 'disk on fire'); END");
    ASSERT_TRUE(module->TBLCon.gotoRowId(contact));
    EXPECT_THROW(module->TBLCon.remove(), EDatabaseError);
    EXPECT_TRUE(module->TBLCon.gotoRowId(contact));
    Statement& st = sql.prepare("SELECT COUNT(*) FROM EMAIL WHERE Contact = ?");
    st.bind(1, contact).step();
    EXPECT_EQ(st.columnInt(0), 1);
    EXPECT_EQ(count("Attach"), 1);
    EXPECT_TRUE(std::filesystem::exists(attachment));
}

TEST_F(DataModuleTest, SwitchingEmptyingAndPackingTheDatabase)
{
    const auto other = temp / "other";
    std::filesystem::create_directories(other);
    module->closeAll();
    module->copyDatabaseFiles(dataDir, other);
    EXPECT_TRUE(std::filesystem::exists(other / "database.sqlite"));
    EXPECT_TRUE(std::filesystem::exists(other / "shared.sqlite"));
    module->openDatabase(other);
    const std::int64_t cities = count("Ip2zip");
    module->emptyAll();
    EXPECT_EQ(count("Contacts"), 0);
    EXPECT_EQ(count("category"), 0);
    EXPECT_EQ(count("Ip2zip"), cities);
    module->openDatabase(other);
    for (int i = 0; i < 200; ++i)
        addContact("C" + std::to_string(i));
    module->currentDatabase()->sql().exec("DELETE FROM Contacts WHERE Counter % 2 = 0");
    const test::PageFigures unpacked = test::pageFigures(other / "database.sqlite");
    module->packAll();
    EXPECT_TRUE(module->TBLCon.isOpen());
    EXPECT_EQ(count("Contacts"), 100);
    const test::PageFigures packed = test::pageFigures(other / "database.sqlite");
    EXPECT_LT(packed.pages, unpacked.pages);
    EXPECT_EQ(packed.freePages, 0);
    module->openDatabase(dataDir);
    for (const char* name : { "TBLCon", "TBLEmail", "TBLZip", "TBLCon1", "TBLNotes" })
        EXPECT_EQ(module->view(name)->database()->directory(), dataDir) << name;
    EXPECT_THROW(module->openDatabase(temp / "nothing"), EDatabaseError);
    EXPECT_EQ(module->TBLCon.database()->directory(), dataDir);
}

} // namespace
} // namespace pelmora::data
