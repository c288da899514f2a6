#include "MailWindowFixture.h"
#include "TestServers.h"

#include "email/TfrmEmail.h"
#include "mailstore/MailAccount.h"

#include <QLabel>
#include <QTest>
#include <QToolButton>

using namespace pelmora;
using StringList = std::vector<std::string>;

namespace {

// The inbox over a fresh Sample database: filing and import work on the database alone.
class InboxMailTest : public test::MailWindowTest {
protected:
    InboxMailTest()
    {
        inbox.activeContact = [this] { return active; };
        inbox.show();
    }
    std::int64_t ownerOf(std::int64_t message)
    {
        return scalar("SELECT Contact FROM EMAIL WHERE Counter = " + std::to_string(message));
    }
    // A contact with `address`, stored after the Sample's.
    std::int64_t addContact(const std::string& address)
    {
        data->TBLCon.insert();
        data->TBLCon.setString("LName", "Marlowe");
        data->TBLCon.setString("EMail", address);
        data->TBLCon.post();
        return data->TBLCon.current()->rowId;
    }

    email::TfrmEmail inbox { *data, settings };
    std::int64_t active = 0;
};

TEST_F(InboxMailTest, FilingBySenderIgnoresCaseAndLeavesUnmatchedRowsWhereTheyAre)
{
    const std::int64_t tessa = addContact(" Tessa@Example.COM ");
    data->TBLEmailFull.refresh();
    ASSERT_TRUE(data->TBLEmailFull.gotoRowId(plain)); // leo@example.org: nobody's
    inbox.SpeedButton19->click();
    EXPECT_TRUE(prompts->shown.last().endsWith(QStringLiteral("Could not find records with matching Email address.")));
    EXPECT_EQ(ownerOf(plain), 1);

    inbox.SpeedButton20->click();
    EXPECT_EQ(ownerOf(withFiles), tessa);
    EXPECT_EQ(ownerOf(plain), 1);
    EXPECT_EQ(ownerOf(received), contact);
    EXPECT_EQ(subjects(data->TBLEmailFull), (StringList { "Meeting" }));
    EXPECT_EQ(inbox.StatusPanel->text(), QStringLiteral("1 messages filed, 1 left in the inbox"));
}

TEST_F(InboxMailTest, FilingToTheActiveContactRefusesWhenNoneIsStored)
{
    ASSERT_TRUE(data->TBLEmailFull.gotoRowId(plain));
    inbox.SpeedButton2->click();
    EXPECT_TRUE(prompts->shown.last().endsWith(QStringLiteral("There is no contact to file the message under.")));
    EXPECT_EQ(ownerOf(plain), 1);
    active = contact;
    inbox.SpeedButton2->click();
    EXPECT_EQ(ownerOf(plain), contact);
    EXPECT_EQ(subjects(data->TBLEmailFull), (StringList { "Catalog" }));
}

TEST_F(InboxMailTest, ImportStoresEachMessageOnceAndSaysWhatIsMissing)
{
    inbox.btnImport->click(); // no import file: asks to define one, answered No
    EXPECT_TRUE(prompts->shown.last().contains(QStringLiteral("you need first to define Import file")));
    EXPECT_EQ(data->TBLEmailFull.recordCount(), 2);

    const auto mbox = home / "saved.mbox";
    test::writeFile(mbox,
        "From ann@example.com Mon Jan  1 10:00:00 2024\n"
        "From: Ann <ann@example.com>\nSubject: First\nMessage-ID: <1@example.com>\n\nHello\n"
        ">From the start\n\n"
        "From bob@example.com Mon Jan  1 11:00:00 2024\n"
        "From: Bob <bob@example.com>\nMessage-ID: <2@example.com>\n\nNo subject here\n");
    settings.defImp = 3;
    settings.defImpStr = mbox.string();
    inbox.btnImport->click();
    EXPECT_EQ(subjects(data->TBLEmailFull), (StringList { "Catalog", "Meeting", "First", "No Subject" }));
    inbox.btnImport->click();
    EXPECT_EQ(data->TBLEmailFull.recordCount(), 4);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(inbox.btnImport->isEnabled());

    settings.defImp = 2;
    inbox.btnImport->click();
    EXPECT_TRUE(prompts->shown.last().endsWith(QStringLiteral("This feature is not supported in this version.")));
    settings.defImp = 9; // not a program this version knows: as if no import file were defined
    inbox.btnImport->click();
    EXPECT_TRUE(prompts->shown.last().contains(QStringLiteral("you need first to define Import file")));
    settings.defImp = 0;
    settings.defImpStr = (home / "missing.box").string();
    inbox.btnImport->click();
    EXPECT_TRUE(prompts->shown.last().contains(QStringLiteral("File Can't be Open")));
    EXPECT_EQ(data->TBLEmailFull.recordCount(), 4);
}

// Retrieval from the real POP3 server.
class InboxRetrievalTest : public test::ServerSuite {
protected:
    static void SetUpTestSuite() { startServers("pop3"); }
    void SetUp() override
    {
        ServerSuite::SetUp();
        if (IsSkipped())
            return;
        trusted.emplace(servers().caFile());
        for (const char* box : { "new", "cur" }) {
            std::error_code ignored;
            for (const auto& entry : std::filesystem::directory_iterator(servers().maildir() / box, ignored))
                std::filesystem::remove(entry.path());
        }
    }
    static std::size_t onServer()
    {
        std::size_t count = 0;
        for (const char* box : { "new", "cur" }) {
            std::error_code ignored;
            for (const auto& entry : std::filesystem::directory_iterator(servers().maildir() / box, ignored))
                count += entry.is_regular_file();
        }
        return count;
    }
    struct Window : test::MailWindowTest {
        void TestBody() override { }
    };
    // The inbox with the test server's account.
    std::unique_ptr<email::TfrmEmail> inboxOf(Window& fixture, const std::string& password)
    {
        auto inbox = std::make_unique<email::TfrmEmail>(*fixture.data, fixture.settings);
        inbox->account = [password] {
            mailstore::MailAccount account;
            account.pop3Server = servers().server("pop3");
            account.userName = servers().user();
            account.password = password;
            account.timeOut = 20;
            return account;
        };
        inbox->show();
        return inbox;
    }
    std::optional<test::TrustedStore> trusted;
};

const char* const twoFiles
    = "From: Tessa <tessa@example.com>\nSubject: Catalog\nMIME-Version: 1.0\n"
      "Content-Type: multipart/mixed; boundary=\"b\"\n\n--b\nContent-Type: text/plain\n\nSee files\n"
      "--b\nContent-Type: text/plain; name=\"att.0\"\nContent-Disposition: attachment; "
      "filename=\"att.0\"\n\nfirst\n--b\nContent-Type: text/plain; name=\"att.0\"\n"
      "Content-Disposition: attachment; filename=\"att.0\"\n\nsecond\n--b--\n";

TEST_F(InboxRetrievalTest, RetrievesEveryMessageIntoTheInboxWithItsFiles)
{
    servers().deliver("1.M1.test", "From: Leo <leo@example.org>\nSubject: Hello\n\nHi\n");
    servers().deliver("2.M2.test", twoFiles);
    servers().deliver("3.M3.test", "From: news@example.net\n\nNo subject\n");
    Window fixture;
    auto inbox = inboxOf(fixture, servers().password());
    QStringList texts;
    QObject::connect(inbox.get(), &email::TfrmEmail::statusText, [&](const QString& text) { texts << text; });
    inbox->RetrieveButton->click();
    EXPECT_TRUE(fixture.prompts->shown.isEmpty()) << fixture.prompts->shown.join('\n').toStdString();
    EXPECT_EQ(onServer(), 0u);
    EXPECT_EQ(fixture.subjects(fixture.data->TBLEmailFull),
        (StringList { "Catalog", "Meeting", "Hello", "Catalog", "No Subject" }));
    EXPECT_TRUE(texts.contains(QStringLiteral("Retrieving message 2 of 3"))) << texts.join('|').toStdString();
    EXPECT_EQ(fixture.scalar("SELECT count(*) FROM Attach"), 4); // the fixture's two and the message's two
    EXPECT_EQ(fixture.scalar("SELECT count(DISTINCT Location) FROM Attach"), 4); // the same names, two files
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_TRUE(inbox->RetrieveButton->isEnabled());
    EXPECT_FALSE(inbox->btnStop->isEnabled());
}

TEST_F(InboxRetrievalTest, AWrongPasswordIsShownAndStoresNothing)
{
    servers().deliver("1.M1.test", "Subject: kept\n\nbody\n");
    Window fixture;
    auto inbox = inboxOf(fixture, "wrong");
    inbox->RetrieveButton->click();
    ASSERT_FALSE(fixture.prompts->shown.isEmpty());
    EXPECT_TRUE(fixture.prompts->shown.last().startsWith(QStringLiteral("Error|")));
    EXPECT_EQ(fixture.data->TBLEmailFull.recordCount(), 2);
    EXPECT_EQ(onServer(), 1u);
    EXPECT_TRUE(inbox->RetrieveButton->isEnabled());
}

TEST_F(InboxRetrievalTest, StopEndsAfterTheCurrentMessageAndLeavesTheRestOnTheServer)
{
    for (int i = 1; i <= 3; ++i)
        servers().deliver(std::to_string(i) + ".M.test", "Subject: m" + std::to_string(i) + "\n\nbody\n");
    Window fixture;
    auto inbox = inboxOf(fixture, servers().password());
    bool stopped = false;
    QObject::connect(inbox.get(), &email::TfrmEmail::statusText, [&](const QString& text) {
        if (!stopped && text.startsWith(QStringLiteral("Retrieving message 1 "))) {
            stopped = true;
            inbox->btnStop->click();
        }
    });
    inbox->RetrieveButton->click();
    EXPECT_EQ(fixture.data->TBLEmailFull.recordCount(), 3); // the fixture's two and the one being fetched
    EXPECT_EQ(onServer(), 2u);
    inbox->RetrieveButton->click(); // the next retrieval fetches the rest
    EXPECT_EQ(fixture.data->TBLEmailFull.recordCount(), 5);
    EXPECT_EQ(onServer(), 0u);
}

} // namespace
