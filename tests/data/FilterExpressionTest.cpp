#include "data/FilterExpression.h"
#include "data/DataError.h"
#include "data/ExactCondition.h"
#include "DataTestSupport.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <string>
#include <vector>

namespace pelmora::data {
namespace {

using test::sqliteShell;
using test::walk;

// A database whose activities and contacts hold the cases filters must tell apart: blanks, case,
// prefixes, dates on both sides of a range, quotes in the text.
class FilterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        database = Database::create(temp.path());
        database->sql().exec(R"(
            INSERT INTO Contacts (Counter, LName, FName, CategoryA, URL, Mark) VALUES
              (2, 'Smith', 'Ann', 'Friend', 'http://a', 1), (3, 'smith', 'Bob', 'friend', NULL, 0),
              (4, 'Smythe', NULL, 'Customer', 'http://c', NULL), (5, NULL, 'Cy', NULL, NULL, 1),
              (6, 'O''Brien', 'Dee', 'Friend*', 'http://d', 0), (7, 'Sm', 'Eve', 'Press', NULL, 0);
            INSERT INTO Activity (Contact, Activity, DateOf, Done, Priority) VALUES
              (2, 'Call', '2026-01-30', 0, '1'), (2, 'Meeting', '2026-01-31', 1, '2'),
              (3, 'Call', '2026-02-01', NULL, '1'), (17, 'Call', '2026-02-28', 0, NULL),
              (17, 'To Do', NULL, 1, '3');
        )");
    }

    std::vector<std::string> filtered(const std::string& table, const std::string& expression)
    {
        TableView view("test", tableDef(table));
        view.setDatabase(database);
        view.setFilter(expression);
        view.setFiltered(true);
        view.open();
        return walk(view);
    }

    std::vector<std::string> shell(const std::string& table, const std::string& where)
    {
        return sqliteShell(
            temp.path() / "database.sqlite", "SELECT rowid FROM " + table + " WHERE " + where + " ORDER BY rowid");
    }

    test::TempDir temp;
    std::shared_ptr<Database> database;
};

TEST_F(FilterTest, EveryFormTheWindowsBuildSelectsWhatTheSameSqlSelects)
{
    ASSERT_TRUE(test::haveSqliteShell());
    struct Case {
        const char* table;
        const char* expression;
        const char* where;
    };
    const Case cases[] = {
        { "Activity", "contact=17", "Contact = 17" },
        { "Activity", "contact = 2", "Contact = 2" },
        { "Contacts", "url<>null", "URL IS NOT NULL" },
        { "Contacts", "URL = null", "URL IS NULL" },
        { "Activity", "DateOf = '1/31/2026'", "DateOf = '2026-01-31'" },
        { "Activity", "(DateOf >= '1/31/2026') and  (DateOf <= '2/28/2026')",
            "DateOf BETWEEN '2026-01-31' AND '2026-02-28'" },
        { "Activity", "DateOf > '2026-01-31'", "DateOf > '2026-01-31'" },
        { "Activity", "DateOf < '1/31/2026'", "DateOf < '2026-01-31'" },
        { "Activity", "Done = \"False\"", "ifnull(Done, 0) = 0" },
        { "Activity", "Done = \"True\" and Activity = \"Meeting\"", "Done = 1 AND Activity = 'Meeting'" },
        { "Contacts", "CategoryA ='Friend'", "CategoryA = 'Friend'" },
        { "Contacts", "CategoryA = \"Friend*\"", "substr(CategoryA, 1, 6) = 'Friend'" },
        { "Contacts", "LName = 'Sm*' and not (LName = 'Smith')", "substr(LName, 1, 2) = 'Sm' AND LName <> 'Smith'" },
        { "Contacts", "LName = 'O''Brien' or Mark = true", "LName = 'O''Brien' OR Mark = 1" },
        { "Contacts", "LName <> 'Sm*'", "NOT substr(LName, 1, 2) = 'Sm'" },
        { "Activity", "Priority >= 2 or Contact < 3", "Priority >= '2' OR Contact < 3" },
        { "Contacts", "LName = \"x' OR 1=1 --\"", "0" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(filtered(c.table, c.expression), shell(c.table, c.where)) << c.expression;
}

// Texts are compared byte for byte even where an index that folds case helps find them: the
// folded range must neither lose a match (letters next to the range's end, bytes beyond ASCII)
// nor let a record of another case through.
TEST_F(FilterTest, TextComparisonsKeepCaseWhateverIndexFindsThem)
{
    ASSERT_TRUE(test::haveSqliteShell());
    database->sql().exec(R"(
        INSERT INTO Contacts (Counter, LName, FName, CategoryA) VALUES
          (10, 'Sm@x', 'A', 'Friend'), (11, 'SmA', 'B', 'x'), (12, 'Sma', 'C', 'X'), (13, 'Sm[', 'D', NULL),
          (14, 'Smz', 'E', 'FRIEND'), (15, 'Sm{', 'F', 'Fr'), (16, 'SMITH', 'G', 'Friendly'),
          (17, 'Émile', 'H', 'Ü'), (18, 'émile', 'I', 'ü'), (19, 'Zz', 'J', 'Z'), (20, 'z', 'K', 'z'),
          (21, 'Zoë', 'L', '@');
    )");
    const std::pair<const char*, const char*> cases[] = {
        { "LName = 'Sm*'", "substr(LName, 1, 2) = 'Sm'" },
        { "LName = 'sm*'", "substr(LName, 1, 2) = 'sm'" },
        { "LName = 'SM*'", "substr(LName, 1, 2) = 'SM'" },
        { "LName = 'Sm@*'", "substr(LName, 1, 3) = 'Sm@'" },
        { "LName = 'Smz*'", "substr(LName, 1, 3) = 'Smz'" },
        { "LName = 'Sm[*'", "substr(LName, 1, 3) = 'Sm['" },
        { "LName = 'Z*'", "substr(LName, 1, 1) = 'Z'" },
        { "LName = 'É*'", "substr(LName, 1, 1) = 'É'" },
        { "LName = 'smith'", "LName = 'smith'" },
        { "LName = 'SMITH'", "LName = 'SMITH'" },
        { "LName = 'émile'", "LName = 'émile'" },
        { "CategoryA = 'x'", "CategoryA = 'x'" },
        { "CategoryA = '@*' or CategoryA = 'z'", "CategoryA = '@' OR CategoryA = 'z'" },
        { "CategoryA = 'Friend*' and not (LName = 'S*')",
            "substr(CategoryA, 1, 6) = 'Friend' AND NOT substr(LName, 1, 1) = 'S'" },
        { "not (CategoryA = 'Friend')", "NOT CategoryA = 'Friend'" },
    };
    for (const auto& [expression, where] : cases)
        EXPECT_EQ(filtered("Contacts", expression), shell("Contacts", where)) << expression;
}

// Names picked from a list go in whole: a quotation mark stays part of the name and a trailing *
// is a character, not "starts with", with and without an index over the field.
TEST_F(FilterTest, ExactConditionsMatchTheWholeNameWhateverItHolds)
{
    ASSERT_TRUE(test::haveSqliteShell());
    database->sql().exec(R"(
        INSERT INTO Contacts (Counter, LName, CategoryA, CategoryC) VALUES
          (30, 'Say "Hi"', 'A "B"', 'Red*'), (31, 'Say', 'A ', 'Redder'), (32, 'x', 'a "b"', 'Red');
    )");
    const std::pair<std::string, const char*> cases[] = {
        { exactCondition("CategoryA", "Friend*"), "CategoryA = 'Friend*'" },
        // The shell helper cannot pass a double quote: char(34) stands for it.
        { exactCondition("CategoryA", "A \"B\""), "CategoryA = 'A ' || char(34) || 'B' || char(34)" },
        { exactCondition("CategoryC", "Red*"), "CategoryC = 'Red*'" },
        { exactCondition("LName", "Say \"Hi\""), "LName = 'Say ' || char(34) || 'Hi' || char(34)" },
        { exactCondition("LName", "\""), "LName = char(34)" },
        { exactCondition("CategoryA", "Friend") + " and " + exactCondition("CategoryC", "Red*"),
            "CategoryA = 'Friend' AND CategoryC = 'Red*'" },
    };
    for (const auto& [expression, where] : cases) {
        EXPECT_EQ(filtered("Contacts", expression), shell("Contacts", where)) << expression;
        TableView view("conditions", tableDef("Contacts"));
        view.setDatabase(database);
        view.setIndexName("LNameInd");
        view.open();
        view.addCondition(expression);
        view.applyConditions();
        EXPECT_EQ(walk(view).size(), shell("Contacts", where).size()) << expression;
    }
}

// A filter that matches few records is read through its index and sorted, one over the view's
// own index is read from its range, and one that matches many otherwise is tested record by
// record in the view's order. All must walk, count and number the same way.
TEST_F(FilterTest, FewAndManyMatchesWalkCountAndNumberAlike)
{
    ASSERT_TRUE(test::haveSqliteShell());
    database->sql().exec("WITH RECURSIVE n(i) AS (SELECT 100 UNION ALL SELECT i + 1 FROM n WHERE i < 1599) "
                         "INSERT INTO Contacts (Counter, LName, FName, City) "
                         "SELECT i, 'Bulk' || (i * 37 % 211), 'F' || (i % 7), 'City' || (i % 400) FROM n");
    const std::pair<const char*, const char*> cases[] = {
        { "LName = 'Bulk*'", "substr(LName, 1, 4) = 'Bulk'" }, // 1,500 matches
        { "City = 'City*'", "substr(City, 1, 4) = 'City'" }, // 1,500 matches
        { "LName = 'Bulk1*'", "substr(LName, 1, 5) = 'Bulk1'" }, // 777
        { "LName = 'bulk*' or LName = 'Sm*'", "substr(LName, 1, 4) = 'bulk' OR substr(LName, 1, 2) = 'Sm'" },
        { "LName = 'Bulk2*' and City = 'City3*'", "substr(LName, 1, 5) = 'Bulk2' AND substr(City, 1, 5) = 'City3'" },
    };
    for (const auto& [expression, where] : cases) {
        TableView view("test", tableDef("Contacts"));
        view.setDatabase(database);
        view.setIndexName("LNameInd");
        view.setFilter(expression);
        view.setFiltered(true);
        view.open();
        const auto expected = sqliteShell(temp.path() / "database.sqlite",
            std::string("SELECT rowid FROM Contacts WHERE ") + where
                + " ORDER BY LName COLLATE NOCASE, FName COLLATE NOCASE, rowid");
        EXPECT_EQ(walk(view), expected) << expression;
        EXPECT_EQ(view.recordCount(), std::int64_t(expected.size())) << expression;
        if (expected.size() < 3)
            continue;
        const std::int64_t middle = std::stoll(expected[expected.size() / 2]);
        ASSERT_TRUE(view.gotoRowId(middle));
        EXPECT_EQ(view.recNo(), std::int64_t(expected.size() / 2 + 1)) << expression;
        ASSERT_TRUE(view.prior());
        EXPECT_EQ(std::to_string(view.current()->rowId), expected[expected.size() / 2 - 1]) << expression;
    }
}

TEST_F(FilterTest, MalformedExpressionsSayWhatIsWrongAndWhere)
{
    struct Case {
        const char* expression;
        const char* message;
    };
    const Case cases[] = {
        { "Nope = 1", "unknown field \"Nope\" at position 1" },
        { "(DateOf >= '1/1/2026'", "missing ) at position 22" },
        { "DateOf = '31/31/2026'", "'31/31/2026' is not a valid date (dates look like 12/31/" },
        { "Contact = 'abc'", "'abc' is not a number" },
        { "Contact = 'nan'", "'nan' is not a number" },
        { "Contact = '0x1F'", "'0x1F' is not a number" },
        { "DateOf = '1/1/202'", "'1/1/202' is not a valid date" },
        { "LName = 'open", "text not closed by ' at position 9" },
        { "LName = ", "a value is missing" },
        { "LName 'x'", "expected a comparison" },
        { "LName = 'a' and", "a field name is missing" },
        { "LName = 'a' 'b'", "unexpected \"b\"" },
        { "LName ; 1", "unexpected character ';' at position 7" },
        { "Done = maybe", "'maybe' is not true or false" },
        { "LName > null", "null can only be compared with = or <>" },
        { "LName = Smith", "expected a value instead of \"Smith\"" },
    };
    for (const Case& c : cases) {
        try {
            const std::string text = c.expression;
            const bool activity = text.find("Date") != std::string::npos || text.find("Con") != std::string::npos
                || text.find("Done") != std::string::npos;
            parseFilter(text, tableDef(activity ? "Activity" : "Contacts"), DateFormat());
            ADD_FAILURE() << "accepted: " << c.expression;
        } catch (const EDatabaseError& error) {
            EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << error.what();
        }
    }
}

TEST_F(FilterTest, DeepNestingIsRefusedNotOverflowed)
{
    const std::string deep = std::string(10000, '(') + "LName = 'a'" + std::string(10000, ')');
    EXPECT_THROW(parseFilter(deep, tableDef("Contacts"), DateFormat()), EDatabaseError);
    const std::string fine = std::string(20, '(') + "LName = 'a'" + std::string(20, ')');
    EXPECT_NO_THROW(parseFilter(fine, tableDef("Contacts"), DateFormat()));
}

TEST_F(FilterTest, DatesAreReadInTheFormTheEngineIsGiven)
{
    database->setDateFormat(DateFormat("dd.MM.yyyy"));
    EXPECT_EQ(filtered("Activity", "DateOf = '31.01.2026'"), shell("Activity", "DateOf = '2026-01-31'"));
    EXPECT_EQ(filtered("Activity", "DateOf = '2026-01-31'"), shell("Activity", "DateOf = '2026-01-31'"));
    EXPECT_THROW(filtered("Activity", "DateOf = '1/31/2026'"), EDatabaseError);
}

TEST_F(FilterTest, ABadFilterLeavesTheOldOneInPlace)
{
    TableView view("test", tableDef("Activity"));
    view.setDatabase(database);
    view.setFilter("Contact = 2");
    view.setFiltered(true);
    view.open();
    EXPECT_THROW(view.setFilter("Contact = "), EDatabaseError);
    EXPECT_EQ(view.filter(), "Contact = 2");
    EXPECT_EQ(view.recordCount(), 2);
    view.setFiltered(false);
    EXPECT_EQ(view.recordCount(), 5);
    view.setFiltered(true); // switched on again, the expression is still there
    EXPECT_EQ(view.recordCount(), 2);
}

// Every statement text SQLite prepares on connections opened while a StatementTrace lives.
// The SQL is the statement as written, before parameters are bound.
class StatementTrace {
public:
    StatementTrace() { sqlite3_auto_extension(reinterpret_cast<void (*)()>(&StatementTrace::attach)); }
    ~StatementTrace() { sqlite3_cancel_auto_extension(reinterpret_cast<void (*)()>(&StatementTrace::attach)); }
    StatementTrace(const StatementTrace&) = delete;
    StatementTrace& operator=(const StatementTrace&) = delete;

    static std::vector<std::string>& statements()
    {
        static std::vector<std::string> texts;
        return texts;
    }

private:
    static int attach(sqlite3* db, const char**, const void*)
    {
        sqlite3_trace_v2(db, SQLITE_TRACE_STMT, &StatementTrace::traced, nullptr);
        return SQLITE_OK;
    }
    static int traced(unsigned, void*, void* statement, void*)
    {
        if (const char* sql = sqlite3_sql(static_cast<sqlite3_stmt*>(statement)))
            statements().push_back(sql);
        return 0;
    }
};

// What the user types into a filter reaches SQLite as bound values, never as SQL text: no
// quoting slip can then turn a value into SQL.
TEST_F(FilterTest, FilterValuesAreBoundNeverWrittenIntoTheSql)
{
    database->sql().exec(R"(
        INSERT INTO Contacts (Counter, LName, FName, CategoryA) VALUES
          (41, 'Zq''Qmarker', 'Quill', 'Xylo7'), (42, 'Zq''Qmarker Two', 'Quill', NULL);
        INSERT INTO Activity (Contact, Activity, DateOf) VALUES (41, 'Vwxyz', '1999-12-31');
    )");
    StatementTrace trace;
    StatementTrace::statements().clear();
    database = Database::open(temp.path()); // a connection the trace sees
    struct Case {
        const char* table;
        const char* expression;
        std::vector<std::string> rows;
        std::vector<std::string> values; // none of which may appear in any statement
    };
    const Case cases[] = {
        { "Contacts", "LName = 'Zq''Qmarker'", { "41" }, { "Zq", "Qmarker" } },
        { "Contacts", "LName = 'Zq''Qmark*' AND CategoryA = 'Xylo7'", { "41" }, { "Zq", "Qmark", "Xylo7" } },
        { "Contacts", "Counter = 98765 OR FName = 'Quill'", { "41", "42" }, { "98765", "Quill" } },
        { "Activity", "Activity = 'Vwxyz' AND DateOf = '12/31/1999'", { "6" }, { "Vwxyz", "1999", "12/31" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.expression);
        EXPECT_EQ(filtered(c.table, c.expression), c.rows);
        bool filteredStatement = false;
        for (const std::string& sql : StatementTrace::statements()) {
            filteredStatement
                = filteredStatement || (sql.find(c.table) != std::string::npos && sql.find('?') != std::string::npos);
            for (const std::string& value : c.values)
                EXPECT_EQ(sql.find(value), std::string::npos) << value << " in: " << sql;
        }
        EXPECT_TRUE(filteredStatement) << "the trace saw no statement with parameters";
    }
}

} // namespace
} // namespace pelmora::data
