#include "exchange/ContactMerge.h"

#include "data/Database.h"
#include "data/DataError.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <fstream>

namespace pelmora::exchange {
namespace {

using data::Value;

class ContactMergeTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        database = data::Database::create(temp.path());
        keep = addContact({ { "LName", "Quill" }, { "FName", "Pat" }, { "EMail", "pat@example.org" },
            { "Phone1", "212 555 1234" }, { "Comments", "met at the fair" } });
        other = addContact({ { "LName", "Quill" }, { "FName", "Patricia" }, { "Company", "Alpha" },
            { "City", "Springfield" }, { "Comments", "prefers mail" }, { "Phone1", "212 555 1234" } });
        bystander = addContact({ { "LName", "Wren" } });
        // Details of both contacts, and of a third that must stay where it is.
        for (std::int64_t contact : { keep, other, bystander }) {
            insert("Activity", { { "Activity", "Call" }, { "Contact", contact } });
            insert("notes", { { "Subject", "note" }, { "Contact", contact } });
            insert("People", { { "LastName", "Assistant" }, { "Contact", contact } });
            insert("documents", { { "Name", "contract" }, { "File", "/tmp/contract.pdf" }, { "Contact", contact } });
            insert("Links", { { "Title", "home page" }, { "Contact", contact } });
        }
        attachmentFile = temp / "attached.txt";
        std::ofstream(attachmentFile) << "kept";
        const std::int64_t message
            = insert("EMAIL", { { "Subject", "hello" }, { "AttachNum", 1 }, { "Contact", other } });
        insert("Attach", { { "EmailNum", message }, { "Location", attachmentFile.string() } });
        insert("EMAIL", { { "Subject", "inbox" }, { "Contact", 1 } });
    }

    std::int64_t insert(const std::string& table, const std::vector<std::pair<std::string, Value>>& values)
    {
        std::string names, marks;
        std::vector<Value> bound;
        for (const auto& [name, value] : values) {
            names += (names.empty() ? "\"" : ", \"") + name + "\"";
            marks += marks.empty() ? "?" : ", ?";
            bound.push_back(value);
        }
        sql().prepare("INSERT INTO \"" + table + "\" (" + names + ") VALUES (" + marks + ")").bindAll(bound).run();
        return sql().lastInsertRowId();
    }
    std::int64_t addContact(const std::vector<std::pair<std::string, Value>>& values)
    {
        return insert("Contacts", values);
    }
    data::SqlDatabase& sql() { return database->sql(); }
    std::int64_t count(const std::string& table, std::int64_t contact)
    {
        return sql().scalar("SELECT count(*) FROM \"" + table + "\" WHERE \"Contact\" = ?", { contact });
    }
    std::string field(std::int64_t contact, const std::string& name)
    {
        data::Statement& st = sql().prepare("SELECT \"" + name + "\" FROM \"Contacts\" WHERE \"Counter\" = ?");
        st.bind(1, contact);
        std::string text = st.step() ? data::valueToString(st.column(0)) : "<gone>";
        st.reset();
        return text;
    }

    test::TempDir temp;
    std::shared_ptr<data::Database> database;
    std::int64_t keep = 0, other = 0, bystander = 0;
    std::filesystem::path attachmentFile;
};

TEST_F(ContactMergeTest, KeepsEveryDetailRecordAndTheChosenFields)
{
    const auto plan = planMerge(sql(), keep, other, { { "fname", MergeSide::Other } });
    auto side = [&](const std::string& name) {
        for (const MergeField& f : plan) {
            if (f.name == name)
                return f.side;
        }
        ADD_FAILURE() << name;
        return MergeSide::Keep;
    };
    EXPECT_EQ(side("FName"), MergeSide::Other); // chosen
    EXPECT_EQ(side("Company"), MergeSide::Other); // blank on the kept contact
    EXPECT_EQ(side("Comments"), MergeSide::Keep); // both filled: the kept one's by default
    EXPECT_EQ(side("Zip"), MergeSide::Keep); // blank on both
    EXPECT_EQ(field(keep, "FName"), "Pat"); // planning changes nothing

    const MergeResult result = mergeContacts(sql(), keep, other, { { "fname", MergeSide::Other } });
    EXPECT_EQ(field(keep, "FName"), "Patricia");
    EXPECT_EQ(field(keep, "Company"), "Alpha");
    EXPECT_EQ(field(keep, "City"), "Springfield");
    EXPECT_EQ(field(keep, "Comments"), "met at the fair");
    EXPECT_EQ(field(other, "LName"), "<gone>");
    EXPECT_EQ(result.taken, (std::vector<std::string> { "FName", "Company", "City" }));

    for (const std::string& table : contactDetailTables()) {
        EXPECT_EQ(count(table, other), 0) << table;
        EXPECT_EQ(count(table, bystander), table == "EMAIL" ? 0 : 1) << table;
    }
    for (const char* table : { "Activity", "People", "documents", "Links" })
        EXPECT_EQ(count(table, keep), 2) << table;
    EXPECT_EQ(result.moved.at("EMAIL"), 1);
    EXPECT_EQ(count("EMAIL", keep), 1);
    EXPECT_EQ(count("EMAIL", 1), 1); // the inbox is nobody's to take
    // The message's attachment row and its file stay with the message.
    EXPECT_EQ(sql().scalar("SELECT count(*) FROM Attach JOIN EMAIL ON Attach.EmailNum = EMAIL.Counter "
                           "WHERE EMAIL.Contact = ?",
                  { keep }),
        1);
    EXPECT_TRUE(std::filesystem::exists(attachmentFile));

    // What the merged contact does not hold of the other is in a note, not lost.
    ASSERT_TRUE(result.noteAdded);
    EXPECT_EQ(count("notes", keep), 3);
    data::Statement& st = sql().prepare("SELECT Subject, Memo FROM notes WHERE Contact = ? ORDER BY Counter DESC");
    st.bind(1, keep);
    ASSERT_TRUE(st.step());
    EXPECT_EQ(data::valueToString(st.column(0)), "Merged from Quill, Patricia - Alpha");
    EXPECT_EQ(data::valueToString(st.column(1)), "Comments: prefers mail\n");
    st.reset();
}

TEST_F(ContactMergeTest, AFailureHalfWayLeavesBothContactsAsTheyWere)
{
    // Each trigger stops the merge at another step: moving the messages (after the other details
    // have moved) and deleting the other contact (after everything else).
    const std::vector<std::string> failures = {
        "CREATE TRIGGER stop BEFORE UPDATE OF Contact ON EMAIL BEGIN SELECT RAISE(ABORT, 'disk full'); END",
        "CREATE TRIGGER stop BEFORE DELETE ON Contacts BEGIN SELECT RAISE(ABORT, 'disk full'); END",
    };
    for (const std::string& failure : failures) {
        sql().exec(failure);
        EXPECT_THROW(mergeContacts(sql(), keep, other, { { "LName", MergeSide::Other } }), data::EDatabaseError);
        sql().exec("DROP TRIGGER stop");
        EXPECT_EQ(sql().savepointDepth(), 0);
        EXPECT_EQ(field(keep, "Company"), "");
        EXPECT_EQ(field(other, "FName"), "Patricia");
        for (const std::string& table : contactDetailTables()) {
            EXPECT_EQ(count(table, keep), table == "EMAIL" ? 0 : 1) << table;
            EXPECT_EQ(count(table, other), 1) << table;
        }
    }
    // And the merge still works afterwards.
    mergeContacts(sql(), keep, other);
    EXPECT_EQ(count("Activity", keep), 2);
}

TEST_F(ContactMergeTest, RefusesWhatCannotBeMerged)
{
    EXPECT_THROW(mergeContacts(sql(), keep, keep), data::EDatabaseError);
    EXPECT_THROW(mergeContacts(sql(), keep, 999), data::EDatabaseError);
    EXPECT_THROW(mergeContacts(sql(), 999, other), data::EDatabaseError);
    EXPECT_THROW(mergeContacts(sql(), keep, other, { { "Counter", MergeSide::Other } }), data::EDatabaseError);
    EXPECT_THROW(mergeContacts(sql(), keep, other, { { "Nope", MergeSide::Other } }), data::EDatabaseError);
    EXPECT_EQ(field(other, "FName"), "Patricia");
    EXPECT_EQ(count("Activity", other), 1);
}

} // namespace
} // namespace pelmora::exchange
