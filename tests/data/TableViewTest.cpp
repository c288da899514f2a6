#include "data/TableView.h"
#include "data/DataError.h"
#include "DataTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>

namespace pelmora::data {
namespace {

using test::sqliteShell;
using test::walk;

// Contacts whose names collide in every way an order can trip on: blanks, letter case, equal
// last names, more than one read-ahead page.
class TableViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        database = Database::create(temp.path());
        std::string sql = "INSERT INTO Contacts (LName, FName, City) VALUES ";
        const char* last[] = { "smith", "Smith", "SMITH", "Adams", "", "Zed", "adams", "Brown" };
        const char* first[] = { "ann", "Bob", "", "Cy", "Dee", "eve", "Fay", "Gus" };
        for (int i = 0; i < 90; ++i) {
            const std::string l = (i % 9 == 8) ? "NULL" : std::string("'") + last[i % 8] + "'";
            const std::string f = (i % 7 == 6) ? "NULL" : std::string("'") + first[(i * 3) % 8] + "'";
            sql += std::string(i ? ", " : "") + "(nullif(" + l + ", ''), nullif(" + f + ", ''), 'City"
                + std::to_string(i % 5) + "')";
        }
        database->sql().exec(sql);
        database->sql().exec("INSERT INTO Links (Contact, Title) VALUES (2, 'a'), (2, 'b'), (3, 'c')");
        contacts.setDatabase(database);
    }

    std::vector<std::string> shell(const std::string& sql) { return sqliteShell(temp.path() / "database.sqlite", sql); }

    test::TempDir temp;
    std::shared_ptr<Database> database;
    TableView contacts { "TBLCon", tableDef("Contacts.DB") };
};

TEST_F(TableViewTest, WalksEveryOrderAsSqliteSortsIt)
{
    ASSERT_TRUE(test::haveSqliteShell());
    contacts.setIndexName("LNameInd");
    contacts.open();
    const auto forward = walk(contacts);
    EXPECT_EQ(
        forward, shell("SELECT Counter FROM Contacts ORDER BY LName COLLATE NOCASE, FName COLLATE NOCASE, Counter"));
    std::vector<std::string> backward;
    for (contacts.last(); !contacts.isEmpty() && !contacts.bof(); contacts.prior())
        backward.push_back(std::to_string(contacts.current()->rowId));
    std::reverse(backward.begin(), backward.end());
    EXPECT_EQ(backward, forward);

    contacts.setIndexFieldNames("City;LName");
    EXPECT_EQ(walk(contacts), shell("SELECT Counter FROM Contacts ORDER BY City, LName, Counter"));
    contacts.setIndexName("CityInd");
    EXPECT_EQ(contacts.indexName(), "CityInd");
    EXPECT_EQ(walk(contacts), shell("SELECT Counter FROM Contacts ORDER BY City COLLATE NOCASE, Counter"));
}

TEST_F(TableViewTest, CountsAndNumbersRecordsWhereverItStands)
{
    contacts.setIndexName("LNameInd");
    contacts.open();
    EXPECT_EQ(contacts.recordCount(), 90);
    std::int64_t expected = 1;
    for (contacts.first(); !contacts.eof(); contacts.next())
        ASSERT_EQ(contacts.recNo(), expected++);
    for (const char* order : { "LNameInd", "CityInd", "" }) {
        contacts.setIndexName(order);
        const auto all = contacts.rows(0, 200);
        ASSERT_EQ(all.size(), 90u);
        for (size_t i = 0; i < all.size(); ++i) {
            ASSERT_TRUE(contacts.gotoRowId(all[i].rowId));
            ASSERT_EQ(contacts.recNo(), std::int64_t(i + 1)) << order; // counted afresh after a jump
        }
    }
    contacts.prior();
    EXPECT_EQ(contacts.recNo(), 89);
}

TEST_F(TableViewTest, DetailFollowsItsMasterAndNewDetailsBelongToIt)
{
    TableView links("TBLLinks", tableDef("links.db"));
    links.setDatabase(database);
    links.setIndexFieldNames("Contact");
    links.setMaster(&contacts, "Counter", "Contact");
    contacts.open();
    links.open();
    ASSERT_TRUE(contacts.gotoRowId(2));
    EXPECT_EQ(links.recordCount(), 2);
    ASSERT_TRUE(contacts.gotoRowId(4));
    EXPECT_TRUE(links.isEmpty());
    links.insert();
    links.setString("Title", "new");
    links.post();
    EXPECT_EQ(links.asInteger("Contact"), 4);
    EXPECT_EQ(links.recordCount(), 1);
}

TEST_F(TableViewTest, NoContactIsEverNumberedOne)
{
    auto fresh = Database::create(temp.path() / "fresh");
    TableView view("v", tableDef("Contacts"));
    view.setDatabase(fresh);
    view.open();
    view.insert();
    view.setString("LName", "First");
    view.post();
    EXPECT_EQ(view.asInteger("Counter"), 2);
    fresh->emptyTable(tableDef("Contacts"));
    view.refresh();
    view.insert();
    view.post();
    EXPECT_GT(view.asInteger("Counter"), 1);
    EXPECT_THROW(fresh->sql().exec("INSERT INTO Contacts (Counter) VALUES (1)"), EDatabaseError);
    EXPECT_THROW(fresh->sql().exec("UPDATE Contacts SET Counter = 1"), EDatabaseError);
}

TEST_F(TableViewTest, AValueThatDoesNotFitIsRefusedAndNothingIsWritten)
{
    contacts.open();
    contacts.insert();
    contacts.setString("LName", std::string(21, 'x'));
    EXPECT_THROW(contacts.post(), EDatabaseError);
    contacts.setString("LName", std::string(20, 'x'));
    EXPECT_THROW(contacts.setString("Created", "2/30/2026"), EDatabaseError);
    EXPECT_THROW(contacts.setString("Num1", "12abc"), EDatabaseError);
    for (const char* number : { "nan", "inf", "0x10", "1e400" })
        EXPECT_THROW(contacts.setString("Num1", number), EDatabaseError) << number;
    EXPECT_THROW(contacts.setString("Created", "1/2/202"), EDatabaseError);
    contacts.setValue("Num2", std::numeric_limits<double>::quiet_NaN());
    EXPECT_THROW(contacts.post(), EDatabaseError);
    contacts.setValue("Num2", std::monostate {});
    EXPECT_THROW(contacts.setValue("Counter", std::int64_t(9)), EDatabaseError);
    contacts.cancel();
    EXPECT_EQ(contacts.recordCount(), 90);
    contacts.insert();
    contacts.setString("LName", "ÄÖÜäöüßéèêëïîôûçñ"); // 17 characters in more bytes than 20
    EXPECT_NO_THROW(contacts.post());
}

TEST_F(TableViewTest, LocatesByWholeOrPartialValue)
{
    contacts.setIndexName("LNameInd");
    contacts.open();
    EXPECT_TRUE(contacts.locate({ "LName" }, { std::string("brown") }, { .caseInsensitive = true }));
    EXPECT_EQ(contacts.asString("LName"), "Brown");
    EXPECT_FALSE(contacts.locate({ "LName" }, { std::string("brown") }, {}));
    EXPECT_TRUE(contacts.locate({ "LName", "FName" }, { std::string("SM"), std::string("AN") },
        { .caseInsensitive = true, .partialKey = true }));
    const std::int64_t firstHit = contacts.current()->rowId;
    EXPECT_TRUE(contacts.locate({ "LName" }, { std::string("sm") }, { true, true, true }));
    EXPECT_NE(contacts.current()->rowId, firstHit);
    EXPECT_FALSE(contacts.locate({ "LName" }, { std::string("100%_") }, { true, true, false }));
}

TEST_F(TableViewTest, ListsIndexesWithTheirFirstFields)
{
    const auto indexes = contacts.indexes();
    ASSERT_GE(indexes.size(), 7u);
    EXPECT_EQ(indexes[0].name, "");
    EXPECT_EQ(indexes[0].firstField, "Counter");
    EXPECT_EQ(indexes[1].name, "LNameInd");
    EXPECT_EQ(indexes[1].firstField, "LName");
    EXPECT_THROW(contacts.setIndexName("NoSuchInd"), EDatabaseError);
}

TEST_F(TableViewTest, ConditionsHoldBesideTheFilterAndNotifyTheWindows)
{
    contacts.setIndexName("LNameInd");
    contacts.open();
    int lists = 0, currents = 0, states = 0;
    contacts.subscribe(ViewEvent::ListChanged, [&] { ++lists; });
    contacts.subscribe(ViewEvent::CurrentChanged, [&] { ++currents; });
    contacts.subscribe(ViewEvent::StateChanged, [&] { ++states; });
    contacts.setFilter("City = 'City1'");
    contacts.setFiltered(true);
    contacts.addCondition("LName =\"Smith\"");
    contacts.applyConditions();
    EXPECT_EQ(std::to_string(contacts.recordCount()),
        shell("SELECT COUNT(*) FROM Contacts WHERE City = 'City1' AND LName = 'Smith'").front());
    EXPECT_GE(lists, 2);
    contacts.edit();
    contacts.setString("FName", "Changed");
    contacts.post();
    EXPECT_EQ(states, 2);
    contacts.clearConditions();
    contacts.applyConditions();
    EXPECT_EQ(
        std::to_string(contacts.recordCount()), shell("SELECT COUNT(*) FROM Contacts WHERE City = 'City1'").front());
    EXPECT_GT(currents, 0);
    EXPECT_THROW(contacts.addCondition("Nope = \"x\""), EDatabaseError);
}

TEST(Schema, EveryTableAndFieldIsStoredWithItsNameAndType)
{
    test::TempDir temp;
    auto database = Database::create(temp.path());
    auto shared = Database::create(temp.path(), TableHome::DataDirectory);
    for (const TableDef& table : allTables()) {
        auto& sql = (table.home == TableHome::Database ? database : shared)->sql();
        Statement& st = sql.prepare("SELECT name, type FROM pragma_table_info(?) ORDER BY cid");
        st.bind(1, table.name);
        std::vector<std::string> columns;
        while (st.step())
            columns.push_back(valueToString(st.column(0)));
        ASSERT_EQ(columns.size(), table.fields.size()) << table.name;
        for (size_t i = 0; i < columns.size(); ++i)
            EXPECT_EQ(columns[i], table.fields[i].name);
    }
    EXPECT_EQ(&tableDef("LINKS.db"), &tableDef("Links"));
    EXPECT_EQ(&tableDef("Email.DB"), &tableDef("EMAIL"));
    EXPECT_THROW(tableDef("Nothing.db"), EDatabaseError);
}

TEST(Schema, OpeningRefusesWhatItCannotRead)
{
    test::TempDir temp;
    try {
        Database::open(temp.path());
        ADD_FAILURE();
    } catch (const EDatabaseError& error) {
        EXPECT_NE(std::string(error.what()).find("holds no Pelmora database"), std::string::npos);
    }
    EXPECT_FALSE(std::filesystem::exists(temp.path() / "database.sqlite")); // nothing created silently
    Database::create(temp.path())->sql().exec("PRAGMA user_version = 99");
    EXPECT_THROW(Database::open(temp.path()), EDatabaseError);
    std::filesystem::create_directories(temp.path() / "x");
    test::writeFile(temp.path() / "x" / "database.sqlite", "this is not a database file at all, not even close....");
    EXPECT_THROW(Database::open(temp.path() / "x"), EDatabaseError);
}

// A file written before the list windows ordered activities and documents by their columns gets
// those indexes when it is opened.
TEST(Schema, OpeningAddsTheIndexesAnEarlierFileLacks)
{
    test::TempDir temp;
    Database::create(temp.path())->sql().exec("DROP INDEX ActivityDateOf; DROP INDEX DocumentsName");
    EXPECT_EQ(Database::open(temp.path())
                  ->sql()
                  .scalar("SELECT count(*) FROM sqlite_master WHERE type = 'index' "
                          "AND name IN ('ActivityDateOf', 'DocumentsName')"),
        2);
}

// Paths and the texts of received mail are stored whole, also in a file written before; the
// fields of the user's own typing keep their sizes.
TEST(Schema, PathsAndMailHeadersFitWholeInNewAndExistingFiles)
{
    test::TempDir temp;
    Database::create(temp.path());
    auto database = Database::open(temp.path()); // as an existing file is opened
    const std::string path = "/home/" + std::string(4000, 'p') + "/attach/a0.bin";
    TableView attach { "TBLAttach", tableDef("Attach.DB") };
    attach.setDatabase(database);
    attach.open();
    attach.insert();
    attach.setString("EmailNum", "2");
    attach.setString("Location", path);
    attach.post();
    TableView mail { "TBLEmailFull", tableDef("EMAIL.DB") };
    mail.setDatabase(database);
    mail.open();
    mail.insert();
    mail.setString("Subject", std::string(998, 's'));
    mail.setString("SenderName", std::string(998, 'n'));
    mail.setString("SenderEmail", std::string(256, 'a') + "@" + std::string(63, 'd'));
    mail.setString("ToEmail", std::string(320, 't'));
    mail.post();
    mail.insert();
    mail.setString("Remark", std::string(101, 'r'));
    EXPECT_THROW(mail.post(), EDatabaseError);
    mail.cancel();

    auto reopened = Database::open(temp.path());
    EXPECT_EQ(reopened->sql().scalar("SELECT length(Location) FROM Attach"), std::int64_t(path.size()));
    EXPECT_EQ(reopened->sql().scalar("SELECT length(Subject) + length(SenderEmail) FROM EMAIL"), 998 + 320);
    EXPECT_EQ(tableDef("documents.db").field("File")->size, 4096);
    EXPECT_EQ(tableDef("BaseName.db").field("BaseDir")->size, 4096);
    EXPECT_EQ(tableDef("Contacts.DB").field("EMail")->size, 60);
}

// The count is kept between reads only while it still holds: a write inside a transaction that
// is later rolled back, a write by another connection and another file each have it read again.
TEST_F(TableViewTest, AKeptCountIsReadAgainAfterARollbackAnotherConnectionsWriteOrAnotherFile)
{
    contacts.open();
    const std::int64_t all = contacts.recordCount();
    {
        Transaction outer(database->sql());
        contacts.insert();
        contacts.setString("LName", "Gone");
        contacts.post();
        EXPECT_EQ(contacts.recordCount(), all + 1);
    }
    contacts.refresh();
    EXPECT_EQ(contacts.recordCount(), all);
    contacts.insert();
    contacts.setString("LName", "Kept");
    contacts.post();
    EXPECT_EQ(contacts.recordCount(), all + 1);
    {
        SqlDatabase other(database->sql().file());
        other.exec("DELETE FROM Contacts WHERE LName = 'smith'");
    }
    contacts.refresh();
    EXPECT_EQ(contacts.recordCount(), database->sql().scalar("SELECT COUNT(*) FROM Contacts"));
    EXPECT_LT(contacts.recordCount(), all);

    // Another file's connection may show the same stamps: its records are counted anew.
    test::TempDir otherDir;
    const auto other = Database::create(otherDir.path());
    contacts.setDatabase(other);
    contacts.open();
    EXPECT_EQ(contacts.recordCount(), other->sql().scalar("SELECT COUNT(*) FROM Contacts"));
}

} // namespace
} // namespace pelmora::data
