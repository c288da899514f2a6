#include "DatabaseListFixture.h"

#include "data/SqlDatabase.h"

namespace pelmora::test {
namespace {

QString q(const char* text)
{
    return QString::fromUtf8(text);
}

// The message clipboard holds counters, which only mean something in the database they came from.
class MessageClipboardSwitchTest : public DatabaseListTest {
protected:
    MessageClipboardSwitchTest()
    {
        owner = data->TBLCon.asInteger("Counter");
        data->TBLEmail.insert();
        data->TBLEmail.setString("Subject", "Cut in Sample");
        data->TBLEmail.post();
        message = data->TBLEmail.asInteger("Counter");
    }
    void cut() const { form->findChild<QPushButton*>(QStringLiteral("btnCutEmail"))->click(); }
    // The Contact of message `counter` as stored in the database file of `dir`.
    static std::int64_t storedContact(const std::filesystem::path& dir, std::int64_t counter)
    {
        data::SqlDatabase db(dir / "database.sqlite");
        return db.scalar("SELECT coalesce((SELECT \"Contact\" FROM \"EMAIL\" WHERE \"Counter\" = ?), -1)", { counter });
    }

    std::int64_t owner = 0;
    std::int64_t message = 0;
};

TEST_F(MessageClipboardSwitchTest, ASwitchGivesACutMessageBackAndPastesNothingIntoTheOtherDatabase)
{
    cut();
    ASSERT_EQ(data->TBLEmail.recordCount(), 0);
    newDatabase(q("Clients"));
    // The other database holds a message with the very counter that was cut.
    data->TBLCon.insert();
    data->TBLCon.setString("LName", "Other");
    data->TBLCon.post();
    const std::int64_t other = data->TBLCon.asInteger("Counter");
    data->currentDatabase()
        ->sql()
        .prepare("INSERT INTO \"EMAIL\" (\"Counter\", \"Contact\", \"Subject\") VALUES (?, ?, 'Clients mail')")
        .bind(1, message)
        .bind(2, other)
        .run();
    data->TBLCon.insert();
    data->TBLCon.setString("LName", "Target");
    data->TBLCon.post();
    form->findChild<QPushButton*>(QStringLiteral("btnPasteEmail"))->click();
    EXPECT_EQ(data->TBLEmail.recordCount(), 0);
    EXPECT_EQ(storedContact(home.path() / "Clients", message), other);

    ASSERT_TRUE(select(q("Sample")));
    click("btnOpen");
    EXPECT_EQ(storedContact(paths.dataDir(), message), owner);
    ASSERT_TRUE(data->TBLCon.gotoRowId(owner));
    EXPECT_EQ(data->TBLEmail.recordCount(), 1);
}

TEST_F(MessageClipboardSwitchTest, ACutNeverPastedGoesBackAtExit)
{
    cut();
    EXPECT_EQ(storedContact(paths.dataDir(), message), 0);
    form.reset();
    data.reset();
    EXPECT_EQ(storedContact(paths.dataDir(), message), owner);
}

TEST_F(MessageClipboardSwitchTest, PackKeepsTheClipboard)
{
    cut();
    command("mnuPack")->trigger();
    data->TBLCon.last();
    form->findChild<QPushButton*>(QStringLiteral("btnPasteEmail"))->click();
    EXPECT_EQ(storedContact(paths.dataDir(), message), data->TBLCon.asInteger("Counter"));
}

} // namespace
} // namespace pelmora::test
