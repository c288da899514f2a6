#include "sync/ContactSyncWindow.h"
#include "../app/GuiTest.h"

#include "carddav/Account.h"
#include "carddav/Client.h"
#include "carddav/SyncState.h"
#include "CardDavServers.h"
#include "data/Database.h"
#include "data/DataPrompts.h"
#include "data/SqlDatabase.h"
#include "data/TfrmDataModule.h"
#include "TestServers.h"
#include "TestSupport.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace pelmora;
using pelmora::sync::ContactSyncWindow;

namespace {

// The window shows the stored account, the last result and each conflict by the server's name
// for it, how the two sides of the chosen one differ, and never the password in clear. A
// contact deleted here since can only be brought back.
TEST(ContactSyncWindowTest, ShowsTheAccountTheLastSyncAndTheConflicts)
{
    test::guiApp();
    test::TempDir dir;
    auto db = data::Database::create(dir.path());
    carddav::Account account;
    account.server = "https://dav.example.org/";
    account.user = "ann";
    account.password = "secret";
    account.book = "https://dav.example.org/ann/contacts/";
    account.bookName = "Contacts";
    account.save(dir / "pelmora.ini");
    {
        carddav::SyncState state(db->sql());
        state.setValue("LastSync", "2026-12-08T10:00:00Z");
        state.setValue("LastResult", "sent 1, received 2, deleted here 0, deleted there 0, conflicts 1");
        db->sql().exec("INSERT INTO Contacts (LName, FName, EMail, JobTitle) "
                       "VALUES ('Baker', 'Bob', 'bob@example.org', 'Baker')");
        carddav::SyncItem item;
        item.href = "/ann/contacts/bob.vcf";
        item.contact = db->sql().scalar("SELECT MAX(Counter) FROM Contacts");
        item.etag = "\"1\"";
        item.theirs = "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Baker;Bob;;;\r\nFN:Bob Baker\r\n"
                      "EMAIL:bob@example.org\r\nTITLE:Head baker\r\nEND:VCARD\r\n";
        item.theirsEtag = "\"2\"";
        state.save(item);
    }

    ContactSyncWindow window(dir / "pelmora.ini", db->sql());
    window.show();
    QApplication::processEvents();
    EXPECT_EQ(window.ServerEdit->text(), "https://dav.example.org/");
    EXPECT_EQ(window.PasswordEdit->echoMode(), QLineEdit::Password);
    EXPECT_EQ(window.BookCombo->currentText(), "Contacts");
    EXPECT_TRUE(window.LastSyncLabel->text().contains("conflicts 1"));
    ASSERT_EQ(window.ConflictList->count(), 1);
    EXPECT_EQ(window.ConflictList->item(0)->text(), "Bob Baker <bob@example.org>");
    EXPECT_FALSE(window.KeepMineBtn->isEnabled()) << "nothing chosen yet";
    EXPECT_FALSE(window.ConflictDetailLabel->isVisible());
    window.ConflictList->setCurrentRow(0);
    EXPECT_TRUE(window.KeepMineBtn->isEnabled());
    EXPECT_TRUE(window.SyncBtn->isEnabled());
    EXPECT_TRUE(window.ConflictDetailLabel->isVisible());
    EXPECT_EQ(
        window.ConflictDetailLabel->text(), "Job Title: here \u201CBaker\u201D, on the server \u201CHead baker\u201D");
    EXPECT_FALSE(window.ProgressBar->isVisible()) << "no sync runs";
    if (const char* out = std::getenv("PELMORA_SCREENSHOT"))
        window.grab().save(QString::fromLocal8Bit(out));

    db->sql().exec("DELETE FROM Contacts WHERE EMail = 'bob@example.org'");
    window.refresh();
    window.ConflictList->setCurrentRow(0);
    EXPECT_FALSE(window.KeepMineBtn->isEnabled()) << "there is nothing of ours to keep";
    EXPECT_TRUE(window.TakeTheirsBtn->isEnabled());
    EXPECT_TRUE(window.ConflictDetailLabel->text().startsWith("Deleted here since"))
        << window.ConflictDetailLabel->text().toStdString();
}

// A server that takes the connection and never answers: while the window asks it for its
// address books, it goes on answering the user and says what it waits for; then it says the
// server did not answer, and nothing is stored.
TEST(ContactSyncWindowTest, FindingTheBooksOfASilentServerKeepsTheWindowAlive)
{
    test::guiApp();
    test::ScriptedPrompts* prompts = test::installScriptedPrompts();
    test::TempDir dir;
    auto db = data::Database::create(dir.path());
    test::writeFile(dir / "pelmora.ini", "[CardDAV]\nTimeOut=2\n");
    // Listening, never accepting: the system takes the connection and nobody ever reads it.
    const int silent = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(silent, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(silent, 4), 0);
    socklen_t length = sizeof address;
    ::getsockname(silent, reinterpret_cast<sockaddr*>(&address), &length);
    ContactSyncWindow window(dir / "pelmora.ini", db->sql());
    window.show();
    window.ServerEdit->setText(QStringLiteral("http://127.0.0.1:%1/").arg(ntohs(address.sin_port)));
    window.UserEdit->setText(QStringLiteral("ann"));
    window.PasswordEdit->setText(QStringLiteral("secret"));
    int ticks = 0;
    bool waitingShown = false, accountLocked = false;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] {
        ++ticks;
        waitingShown = waitingShown || window.ProgressLabel->text().contains(QLatin1String("finding"));
        accountLocked = accountLocked || (!window.ServerEdit->isEnabled() && !window.SyncBtn->isEnabled());
    });
    ticker.start(20);
    window.FindBooksBtn->click();
    EXPECT_GE(ticks, 20) << "the window stood still while the server was asked";
    EXPECT_TRUE(waitingShown);
    EXPECT_TRUE(accountLocked);
    ASSERT_EQ(prompts->shown.size(), 1);
    EXPECT_TRUE(prompts->shown.front().contains("did not answer in time")) << prompts->shown.front().toStdString();
    EXPECT_TRUE(window.ServerEdit->isEnabled());
    EXPECT_FALSE(window.ProgressBar->isVisible());
    EXPECT_EQ(window.BookCombo->count(), 0);
    EXPECT_EQ(test::readFile(dir / "pelmora.ini"), "[CardDAV]\nTimeOut=2\n");
    ::close(silent);
}

// Syncs started from the window against Radicale, a few hundred contacts at a time, so that a
// sync lasts long enough to be watched, stopped and cut off.
class ContactSyncWindowServerTest : public ::testing::Test {
protected:
    static constexpr int kContacts = 120;

    static void SetUpTestSuite()
    {
        test::guiApp();
        s_servers = std::make_unique<test::TestServers>("carddav");
    }
    static void TearDownTestSuite() { s_servers.reset(); }

    void SetUp() override
    {
        if (!s_servers->available())
            PELMORA_SKIP_OR_FAIL("the address-book servers could not be started here");
        m_prompts = test::installScriptedPrompts();
        m_db = data::Database::create(m_dir.path() / "db");
        m_client = std::make_unique<carddav::CardDavClient>(test::connectionTo(*s_servers));
        const std::string server = test::serverUrl(*s_servers, { "radicale", false });
        // A new, empty address book for each test beside the one the server offers: no test waits
        // for the cards of another to be deleted one by one.
        std::string home = m_client->discover(server).front().url;
        home.erase(home.rfind('/', home.size() - 2) + 1);
        static int made = 0;
        const std::string fresh = home + "window-test-" + std::to_string(++made) + "/";
        const carddav::HttpResponse created = m_client->session().request("MKCOL", fresh,
            "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<D:mkcol xmlns:D=\"DAV:\" "
            "xmlns:C=\"urn:ietf:params:xml:ns:carddav\"><D:set><D:prop><D:resourcetype><D:collection/>"
            "<C:addressbook/></D:resourcetype></D:prop></D:set></D:mkcol>",
            { { "Content-Type", "application/xml; charset=utf-8" } });
        ASSERT_EQ(created.status, 201) << created.body;
        carddav::AddressBook book;
        for (const carddav::AddressBook& found : m_client->discover(server))
            if (found.url == fresh)
                book = found;
        ASSERT_EQ(book.url, fresh);
        m_book = book.url;
        carddav::Account account;
        account.server = server;
        account.user = s_servers->user();
        account.password = s_servers->password();
        account.book = book.url;
        account.bookName = book.name;
        account.syncCollection = book.syncCollection;
        account.timeOut = 20;
        account.save(ini());
    }
    void TearDown() override
    {
        if (m_prompts) {
            EXPECT_TRUE(m_prompts->shown.isEmpty()) << m_prompts->shown.join(QLatin1Char('\n')).toStdString();
        }
    }

    std::filesystem::path ini() const { return m_dir / "pelmora.ini"; }
    data::SqlDatabase& sql() { return m_db->sql(); }

    void addContacts(int count)
    {
        data::Transaction t(sql());
        for (int i = 0; i < count; ++i)
            sql()
                .prepare("INSERT INTO Contacts (LName, FName, EMail) VALUES (?, ?, ?)")
                .bind(1, "Person" + std::to_string(i))
                .bind(2, std::string("Pat"))
                .bind(3, "p" + std::to_string(i) + "@example.org")
                .run();
        t.commit();
    }
    std::size_t cardsThere() { return m_client->listCards(m_book).size(); }
    std::int64_t contactsHere() { return sql().scalar("SELECT COUNT(*) FROM Contacts"); }

    // Turns the event loop until `done` holds, `ms` at most.
    static bool waitUntil(const std::function<bool()>& done, int ms)
    {
        QElapsedTimer clock;
        clock.start();
        while (!done() && clock.elapsed() < ms)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        return done();
    }
    // A whole sync, as "Sync now" runs it; false when it did not end in time.
    static bool syncToTheEnd(ContactSyncWindow& window)
    {
        window.SyncBtn->click();
        return waitUntil([&] { return !window.isSyncing(); }, 45000);
    }

    test::TempDir m_dir;
    test::ScriptedPrompts* m_prompts = nullptr;
    std::shared_ptr<data::Database> m_db;
    std::unique_ptr<carddav::CardDavClient> m_client;
    std::string m_book;
    static std::unique_ptr<test::TestServers> s_servers;
};

std::unique_ptr<test::TestServers> ContactSyncWindowServerTest::s_servers;

// While a sync runs, the window goes on answering, shows the progress and offers Stop in place of
// "Sync now"; Stop ends it early, and the next sync finishes the work.
TEST_F(ContactSyncWindowServerTest, StaysResponsiveAndStopsEarlyAndTheNextSyncFinishes)
{
    addContacts(kContacts);
    ContactSyncWindow window(ini(), sql());
    QStringList status;
    int changed = 0;
    QObject::connect(&window, &ContactSyncWindow::statusText, [&](const QString& text) { status << text; });
    QObject::connect(&window, &ContactSyncWindow::contactsChanged, [&] { ++changed; });
    window.show();
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(10);

    window.SyncBtn->click();
    ASSERT_TRUE(window.isSyncing());
    EXPECT_EQ(window.SyncBtn->text(), "&Stop");
    EXPECT_FALSE(window.ServerEdit->isEnabled());
    EXPECT_FALSE(window.BookCombo->isEnabled());
    EXPECT_FALSE(window.ConflictList->isEnabled());
    EXPECT_FALSE(window.TakeTheirsBtn->isEnabled());
    EXPECT_TRUE(window.ProgressBar->isVisible());
    ASSERT_TRUE(waitUntil(
        [&] { return !window.isSyncing() || !status.filter("Contact sync: sending 25 of").isEmpty(); }, 45000));
    ASSERT_TRUE(window.isSyncing()) << "the sync ended before it could be stopped";
    EXPECT_GE(ticks, 5) << "the event loop stood still while the sync ran";
    EXPECT_TRUE(window.ProgressLabel->text().startsWith("Contact sync: sending"))
        << window.ProgressLabel->text().toStdString();
    if (const char* out = std::getenv("PELMORA_SCREENSHOT_RUNNING"))
        window.grab().save(QString::fromLocal8Bit(out));

    window.SyncBtn->click();
    ASSERT_TRUE(waitUntil([&] { return !window.isSyncing(); }, 20000));
    EXPECT_TRUE(window.LastSyncLabel->text().contains("stopped after")) << window.LastSyncLabel->text().toStdString();
    EXPECT_GT(cardsThere(), 0u);
    EXPECT_LT(cardsThere(), std::size_t(kContacts)) << "Stop did not end the sync early";
    EXPECT_EQ(changed, 1);
    EXPECT_EQ(window.SyncBtn->text(), "Sync &now");
    EXPECT_TRUE(window.ServerEdit->isEnabled());
    EXPECT_FALSE(window.ProgressBar->isVisible());

    ASSERT_TRUE(syncToTheEnd(window));
    EXPECT_EQ(cardsThere(), std::size_t(kContacts));
    EXPECT_EQ(contactsHere(), kContacts);
    ASSERT_TRUE(syncToTheEnd(window));
    EXPECT_TRUE(
        window.LastSyncLabel->text().endsWith("sent 0, received 0, deleted here 0, deleted there 0, conflicts 0"))
        << window.LastSyncLabel->text().toStdString();
    if (const char* out = std::getenv("PELMORA_SCREENSHOT"))
        window.grab().save(QString::fromLocal8Bit(out));
}

// Closing the window, or destroying it, while a sync runs stops the sync and waits for it; what
// was done stays recorded and the next sync finishes the work without doubling anyone.
TEST_F(ContactSyncWindowServerTest, ClosingTheWindowMidSyncStopsTheSyncCleanly)
{
    addContacts(kContacts);
    {
        ContactSyncWindow window(ini(), sql());
        int changed = 0;
        QObject::connect(&window, &ContactSyncWindow::contactsChanged, [&] { ++changed; });
        window.show();
        window.SyncBtn->click();
        ASSERT_TRUE(waitUntil(
            [&] { return !window.isSyncing() || window.ProgressLabel->text().contains("sending 25 of"); }, 45000));
        ASSERT_TRUE(window.isSyncing());
        QElapsedTimer clock;
        clock.start();
        window.close();
        EXPECT_FALSE(window.isSyncing());
        EXPECT_LT(clock.elapsed(), 5000);
        EXPECT_FALSE(window.isVisible());
        EXPECT_EQ(changed, 1) << "the main window reloads what the sync changed before it stopped";
    }
    {
        // Destroyed with the request for the server's changes still in flight.
        auto window = std::make_unique<ContactSyncWindow>(ini(), sql());
        QStringList status;
        QObject::connect(window.get(), &ContactSyncWindow::statusText, [&](const QString& text) { status << text; });
        window->show();
        window->SyncBtn->click();
        ASSERT_TRUE(waitUntil([&] { return status.size() > 1; }, 10000));
        window.reset();
    }
    ContactSyncWindow window(ini(), sql());
    window.show();
    ASSERT_TRUE(syncToTheEnd(window));
    EXPECT_EQ(cardsThere(), std::size_t(kContacts));
    EXPECT_EQ(contactsHere(), kContacts);
    ASSERT_TRUE(syncToTheEnd(window));
    EXPECT_TRUE(window.LastSyncLabel->text().contains("sent 0, received 0"))
        << window.LastSyncLabel->text().toStdString();
}

// With the data module given, a contact deleted on the server goes here as the data module
// deletes one, with its activities, though the sync runs on a thread and connection of its own.
TEST_F(ContactSyncWindowServerTest, AContactDeletedThereTakesWhatIsFiledUnderIt)
{
    data::DefaultPrompts prompts;
    data::TfrmDataModule module(prompts, m_dir / "data", m_dir / "attach");
    module.openDatabase(m_dir / "db");
    addContacts(2);
    const std::int64_t ann = sql().scalar("SELECT MIN(Counter) FROM Contacts");
    sql().prepare("INSERT INTO Activity (Activity, Contact) VALUES ('Call back', ?)").bind(1, ann).run();

    ContactSyncWindow window(ini(), sql());
    window.useDataModule(module);
    window.show();
    ASSERT_TRUE(syncToTheEnd(window));
    ASSERT_EQ(cardsThere(), 2u);
    carddav::SyncState state(sql());
    const std::optional<carddav::SyncItem> item = state.itemOfContact(ann);
    ASSERT_TRUE(item);
    ASSERT_TRUE(m_client->remove(carddav::resolveUrl(m_book, item->href), {}).done);

    ASSERT_TRUE(syncToTheEnd(window));
    EXPECT_TRUE(window.LastSyncLabel->text().contains("deleted here 1")) << window.LastSyncLabel->text().toStdString();
    EXPECT_EQ(contactsHere(), 1);
    EXPECT_EQ(sql().scalar("SELECT COUNT(*) FROM Activity WHERE Contact = ?", { ann }), 0);
}

// A password mistyped in the window and tried with "Sync now" is refused with the server's
// answer, shown in the window, and stored nowhere: the saved account and the contacts stay as
// they were, and the right password is stored once a sync has gone through with it.
TEST_F(ContactSyncWindowServerTest, AMistypedPasswordIsNotStored)
{
    addContacts(2);
    const std::string stored = test::readFile(ini());
    ContactSyncWindow window(ini(), sql());
    window.show();
    window.PasswordEdit->setText(QStringLiteral("mistyped"));
    ASSERT_TRUE(syncToTheEnd(window));
    ASSERT_EQ(m_prompts->shown.size(), 1);
    EXPECT_TRUE(m_prompts->shown.front().contains("refused the user name or password"));
    m_prompts->shown.clear();
    EXPECT_TRUE(window.LastSyncLabel->text().contains("refused the user name or password"))
        << window.LastSyncLabel->text().toStdString();
    EXPECT_EQ(test::readFile(ini()), stored);
    EXPECT_EQ(cardsThere(), 0u);
    EXPECT_EQ(carddav::SyncState(sql()).items().size(), 0u);

    window.PasswordEdit->setText(QString::fromStdString(s_servers->password()));
    window.UserEdit->setText(QString::fromStdString(s_servers->user()));
    ASSERT_TRUE(syncToTheEnd(window));
    EXPECT_FALSE(window.LastSyncLabel->text().contains("refused")) << window.LastSyncLabel->text().toStdString();
    EXPECT_EQ(cardsThere(), 2u);
    EXPECT_EQ(carddav::Account::load(ini()).password, s_servers->password());
}

} // namespace
