#include "exchange/ContactStore.h"

#include "data/Database.h"
#include "data/DataError.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace pelmora;
using namespace pelmora::exchange;

class ContactStoreTest : public ::testing::Test {
protected:
    void SetUp() override { database = data::Database::create(temp.path()); }
    data::SqlDatabase& db() { return database->sql(); }

    test::TempDir temp;
    std::shared_ptr<data::Database> database;
};

TEST_F(ContactStoreTest, InsertsReadsAndMatches)
{
    ContactCard card;
    card.fields = { { "LName", "Doe" }, { "FName", "Jane" }, { "Company", "Acme" }, { "EMail", "Jane@Example.com" },
        { "Date2", "2021-03-04" } };
    card.unmapped = { "BDAY: 1970-01-02", "TEL;TYPE=pager: 999" };
    card.uid = "uid-7";
    data::Transaction transaction(db());
    const std::int64_t counter = insertContact(db(), card);
    transaction.commit();

    const ContactCard read = readContact(db(), counter);
    EXPECT_EQ(read.fields.at("LName"), "Doe");
    EXPECT_EQ(read.fields.at("EMail"), "Jane@Example.com");
    EXPECT_EQ(read.fields.at("Date2"), "2021-03-04");
    EXPECT_TRUE(read.fields.count("Created"));
    EXPECT_EQ(read.unmapped, card.unmapped);
    EXPECT_EQ(read.uid, "uid-7");

    ContactCard byMail;
    byMail.fields = { { "EMail", "jane@EXAMPLE.com" } };
    EXPECT_EQ(findMatchingContact(db(), byMail), counter);
    ContactCard byName;
    byName.fields
        = { { "LName", "doe" }, { "FName", "JANE" }, { "Company", "acme" }, { "EMail", "other@example.com" } };
    EXPECT_EQ(findMatchingContact(db(), byName), counter);
    byName.fields["Company"] = "Other Co";
    EXPECT_FALSE(findMatchingContact(db(), byName));
    EXPECT_THROW(readContact(db(), counter + 100), data::EDatabaseError);
}

TEST_F(ContactStoreTest, UpdateKeepsOtherFieldsAndMergesTheNote)
{
    ContactCard card;
    card.fields = { { "LName", "Roe" }, { "City", "Oslo" } };
    card.unmapped = { "BDAY: 1970-01-02" };
    const std::int64_t counter = insertContact(db(), card);

    ContactCard update;
    update.fields = { { "LName", "Roe" }, { "Phone1", "123" } };
    update.unmapped = { "BDAY: 1970-01-02", "NICKNAME: Ro" };
    update.uid = "u-2";
    updateContact(db(), counter, update);
    const ContactCard read = readContact(db(), counter);
    EXPECT_EQ(read.fields.at("City"), "Oslo");
    EXPECT_EQ(read.fields.at("Phone1"), "123");
    EXPECT_EQ(read.unmapped, (std::vector<std::string> { "BDAY: 1970-01-02", "NICKNAME: Ro" }));
    EXPECT_EQ(read.uid, "u-2");
    EXPECT_EQ(db().scalar("SELECT count(*) FROM notes WHERE Contact = ?", { counter }), 1);
}

// A sync's card is the whole contact: its lines replace the note's (the UID stays when the card
// has none), where an import's card only adds to them.
TEST_F(ContactStoreTest, ReplacingTheNoteLinesDropsThoseTheCardNoLongerHas)
{
    ContactCard card;
    card.fields = { { "LName", "Roe" } };
    card.unmapped = { "X-SHOE-SIZE: 42", "NICKNAME: Ro" };
    card.uid = "u-1";
    const std::int64_t counter = insertContact(db(), card);

    ContactCard update;
    update.fields = { { "LName", "Roe" } };
    update.unmapped = { "NICKNAME: Roey" };
    updateContact(db(), counter, update, NoteLines::Replace);
    ContactCard read = readContact(db(), counter);
    EXPECT_EQ(read.unmapped, (std::vector<std::string> { "NICKNAME: Roey" }));
    EXPECT_EQ(read.uid, "u-1");

    update.unmapped.clear();
    updateContact(db(), counter, update, NoteLines::Replace);
    read = readContact(db(), counter);
    EXPECT_TRUE(read.unmapped.empty());
    EXPECT_EQ(read.uid, "u-1");

    update.unmapped = { "X-A: 1", "X-A: 1" }; // a card may repeat a property
    updateContact(db(), counter, update, NoteLines::Replace);
    EXPECT_EQ(readContact(db(), counter).unmapped, update.unmapped);
    update.unmapped = { "X-B: 2" };
    updateContact(db(), counter, update, NoteLines::Add);
    EXPECT_EQ(readContact(db(), counter).unmapped, (std::vector<std::string> { "X-A: 1", "X-A: 1", "X-B: 2" }));
}
