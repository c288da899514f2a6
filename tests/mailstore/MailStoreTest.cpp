#include "mailstore/MailAccount.h"
#include "mailstore/Outbox.h"
#include "mailstore/StoredMessage.h"

#include "base/Error.h"
#include "data/Database.h"
#include "data/SqlDatabase.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace pelmora::mailstore;
using pelmora::test::TempDir;
using pelmora::test::writeFile;

namespace {

class MailStoreTest : public ::testing::Test {
protected:
    TempDir dir;
    std::shared_ptr<pelmora::data::Database> db = pelmora::data::Database::create(dir.path());

    std::int64_t rows(const char* table) { return db->sql().scalar(std::string("SELECT COUNT(*) FROM ") + table); }
    Outbox outbox()
    {
        MailAccount account;
        account.address = "me@here.test";
        account.name = "Me";
        return Outbox(*db, account);
    }
};

} // namespace

TEST_F(MailStoreTest, StoresAndReadsAMessageWithItsAttachmentRows)
{
    MailStore store(*db);
    StoredMessage message;
    message.contact = 7;
    message.subject = "Grüße";
    message.senderEmail = "ann@x.test";
    message.toEmail = "ann@x.test";
    message.body = "line one\nline two";
    message.queue = true;
    message.attachments = { "/tmp/b.txt", "/tmp/a.bin" };
    const auto counter = store.insert(message);

    StoredMessage read = store.load(counter);
    EXPECT_EQ(read.subject, "Grüße");
    EXPECT_EQ(read.body, "line one\nline two");
    EXPECT_EQ(read.attachments, message.attachments); // in the order given
    EXPECT_TRUE(read.queue);
    EXPECT_EQ(read.status, kOutgoing);
    EXPECT_EQ(read.dateCreated, pelmora::data::Date::today());
    EXPECT_FALSE(read.number.has_value());
    EXPECT_EQ(db->sql().scalar("SELECT AttachNum FROM EMAIL WHERE Counter = ?", { counter }), 2);

    message.contact = 8;
    const auto other = store.insert(message);
    EXPECT_EQ(store.queued(), (std::vector<std::int64_t> { counter, other }));
    EXPECT_EQ(store.queued(8), (std::vector<std::int64_t> { other }));
    store.markSent(counter);
    EXPECT_EQ(store.queued(), (std::vector<std::int64_t> { other }));
    EXPECT_EQ(store.load(counter).dateCreated, message.dateCreated);
    EXPECT_THROW(store.load(9999), pelmora::Error);
}

TEST_F(MailStoreTest, AnythingThatCannotBeStoredWritesNothing)
{
    MailStore store(*db);
    StoredMessage message;
    message.subject = "ok";
    message.attachments = { "/short", "/" + std::string(5000, 'x') };
    EXPECT_THROW(store.insert(message), pelmora::Error);

    // A file that cannot be read is found before the row is written, not after.
    Outbox box = outbox();
    writeFile(dir / "present.txt", "here");
    Draft draft;
    draft.to = "ann@x.test";
    draft.attachments = { dir / "present.txt", dir / "missing.txt" };
    EXPECT_THROW(box.store(draft), pelmora::Error);

    // A line break in an address would let it carry commands of its own.
    draft.attachments.clear();
    for (const char* to : { "ann@x.test\r\nRCPT TO:<evil@x.test>", "a@x.test\n" }) {
        draft.to = to;
        EXPECT_THROW(box.store(draft), pelmora::Error) << to;
    }
    draft.to = "ann@x.test";
    draft.cc = "bob@x.test; eve@x.test\r\nDATA";
    EXPECT_THROW(box.store(draft), pelmora::Error);
    EXPECT_EQ(rows("EMAIL"), 0);
    EXPECT_EQ(rows("Attach"), 0);
}

TEST_F(MailStoreTest, ADraftIsStoredQueuedWithItsCcAndDefaultSubject)
{
    Outbox box = outbox();
    writeFile(dir / "a.txt", "A");
    Draft draft { 5, "ann@x.test", " bob@x.test ,carl@x.test;; dora@x.test ", "", "body", { dir / "a.txt" } };
    const auto counter = box.store(draft);
    StoredMessage row = box.mailStore().load(counter);
    EXPECT_TRUE(row.queue);
    EXPECT_EQ(row.subject, "No Subject");
    EXPECT_EQ(row.senderName, "Me");
    EXPECT_EQ(row.contact, 5);
    EXPECT_EQ(row.remark, "Cc: bob@x.test, carl@x.test, dora@x.test");

    pelmora::mail::TmsMessage message = box.compose(row);
    ASSERT_EQ(message.CC.Count(), 3);
    EXPECT_EQ(message.CC.Items(2).Address.str(), "dora@x.test");
    EXPECT_EQ(message.Recipients.Items(0).Address.str(), "ann@x.test");
    ASSERT_EQ(message.Attachments.Count(), 1);
    EXPECT_EQ(message.Attachments.Items(0).Stream, "A");
    EXPECT_EQ(message.Sender.Address.str(), "me@here.test");
}

TEST(MailAccountTest, StoredChoicesOutsideTheirListsAreClamped)
{
    EXPECT_EQ(clampedCharSet(2), pelmora::mail::csUTF8);
    EXPECT_EQ(clampedCharSet(17), pelmora::mail::csUTF8);
    EXPECT_EQ(clampedCharSet(-3), pelmora::mail::csUSASCII);
    EXPECT_EQ(clampedEncoding(9), pelmora::mail::meUU);
    EXPECT_EQ(splitAddresses(""), std::vector<std::string> {});
    EXPECT_EQ(splitAddresses(" ; , "), std::vector<std::string> {});
    EXPECT_EQ(ccFromRemark("a note of the user"), "");
}
