#include "DayOfAction.h"
#include "PageCommandsFixture.h"

#include "app/MainCommands.h"
#include "data/DatabaseFiles.h"
#include "email/TSMTPForm.h"
#include "records/TfrmPeople.h"
#include "widgets/TableModel.h"
#include "widgets/TCustomEditAndBtn.h"
#include "widgets/TfrmFind.h"

#include <QAction>
#include <QComboBox>
#include <QDesktopServices>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QUrl>

using pelmora::data::TableView;
using pelmora::data::Value;

namespace {

// The E-mail page's message clipboard and find, and the Links page's web commands.
class EmailCommandsTest : public pelmora::test::PageCommandsTest {
protected:
    EmailCommandsTest()
    {
        first = contacts().asInteger("Counter");
        addMessage("Spring order", "Alice Smith");
        addMessage("Invoice 17", "bob Jones");
        contacts().next();
        second = contacts().asInteger("Counter");
        contacts().first();
    }
    TableView& contacts() const { return data->TBLCon; }
    TableView& messages() const { return data->TBLEmail; }
    void addMessage(const char* subject, const char* sender) const
    {
        messages().insert();
        messages().setString("Subject", subject);
        messages().setString("SenderName", sender);
        messages().setString("Body", std::string("Dear ") + sender);
        messages().post();
    }
    // The subjects of the current contact's messages.
    std::vector<std::string> subjects() const
    {
        std::vector<std::string> found;
        const int column = messages().fieldIndex("Subject");
        for (const auto& row : messages().rows(0, messages().recordCount()))
            found.push_back(pelmora::data::valueToString(row.values[static_cast<size_t>(column)]));
        return found;
    }
    // Opens the send window by `command` and returns the address it was given; the window is
    // closed unsent.
    QString sendTo(const std::function<void()>& command)
    {
        QString to;
        inModal<pelmora::email::TSMTPForm>(command, [&](pelmora::email::TSMTPForm* window) {
            EXPECT_EQ(window->windowTitle(), QStringLiteral("Send E-mail"));
            to = window->ToEdit->text();
            window->close();
        });
        return to;
    }
    void goTo(std::int64_t counter) const { ASSERT_TRUE(contacts().gotoRowId(counter)); }

    std::int64_t first = 0;
    std::int64_t second = 0;
};

TEST_F(EmailCommandsTest, CutMovesAMessageToAnotherContactAndCopyAddsASecondOne)
{
    ASSERT_TRUE(messages().locate({ "Subject" }, { Value(std::string("Invoice 17")) }, {}));
    button("btnCutEmail")->click();
    EXPECT_EQ(subjects(), std::vector<std::string> { "Spring order" });
    goTo(second);
    button("btnPasteEmail")->click();
    EXPECT_EQ(subjects(), std::vector<std::string> { "Invoice 17" });
    EXPECT_EQ(messages().asString("Subject"), "Invoice 17"); // the pasted message is current

    button("btnCopyEmail")->click();
    goTo(first);
    button("btnPasteEmail")->click();
    EXPECT_EQ(subjects(), (std::vector<std::string> { "Spring order", "Invoice 17" }));
    goTo(second);
    EXPECT_EQ(subjects(), std::vector<std::string> { "Invoice 17" });
    button("btnPasteEmail")->click(); // the clipboard is empty after a paste
    EXPECT_EQ(subjects(), std::vector<std::string> { "Invoice 17" });
    EXPECT_TRUE(prompts->shown.isEmpty()) << errors().toStdString();
}

TEST_F(EmailCommandsTest, PastingOntoANewContactStoresTheContactFirst)
{
    ASSERT_TRUE(messages().locate({ "Subject" }, { Value(std::string("Spring order")) }, {}));
    button("btnCutEmail")->click();
    form->commands()->action(QStringLiteral("mnuNewRecord"))->trigger();
    QTest::keyClicks(form->findChild<QLineEdit*>(QStringLiteral("edtLName")), QStringLiteral("Newcomer"));
    ASSERT_EQ(contacts().state(), pelmora::data::ViewState::Insert);
    button("btnPasteEmail")->click();
    EXPECT_EQ(contacts().state(), pelmora::data::ViewState::Browse);
    EXPECT_EQ(contacts().asString("LName"), "Newcomer");
    EXPECT_EQ(subjects(), std::vector<std::string> { "Spring order" }); // filed under the new contact
    EXPECT_EQ(messages().asInteger("Contact"), contacts().asInteger("Counter"));
}

TEST_F(EmailCommandsTest, TheBodyPaneFollowsTheMessageUnderTheCursor)
{
    auto* body = form->findChild<QPlainTextEdit*>(QStringLiteral("memBody"));
    messages().first();
    EXPECT_EQ(body->toPlainText(), QString::fromStdString("Dear " + messages().asString("SenderName")));
    messages().next();
    EXPECT_EQ(body->toPlainText(), QString::fromStdString("Dear " + messages().asString("SenderName")));
    goTo(second);
    EXPECT_TRUE(body->toPlainText().isEmpty());
}

// The Body of the messages stored under `subject`, read from the database file itself.
std::vector<std::string> storedBodies(const std::filesystem::path& dataDir, const std::string& subject)
{
    pelmora::data::Connection db = pelmora::data::openConnection(dataDir / "database.sqlite", SQLITE_OPEN_READONLY);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db.get(), "SELECT coalesce(Body, '') FROM EMAIL WHERE Subject = ?", -1, &statement, nullptr);
    sqlite3_bind_text(statement, 1, subject.c_str(), -1, SQLITE_TRANSIENT);
    std::vector<std::string> bodies;
    while (sqlite3_step(statement) == SQLITE_ROW)
        bodies.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
    sqlite3_finalize(statement);
    return bodies;
}

TEST_F(EmailCommandsTest, TheBodyPaneEditsTheMessageAndTakesNothingWithoutOne)
{
    auto* body = form->findChild<QPlainTextEdit*>(QStringLiteral("memBody"));
    auto* grid = form->findChild<pelmora::app::TDBGrid*>(QStringLiteral("grdEmail"));
    QTabWidget* pages = form->pageControl();
    for (int i = 0; i < pages->count(); ++i)
        if (pages->widget(i)->isAncestorOf(body))
            pages->setCurrentIndex(i);
    QApplication::processEvents();
    ASSERT_TRUE(body->isVisible());
    messages().first();
    const std::string subject = messages().asString("Subject");
    const std::string before = messages().asString("Body");

    // Esc takes the typing back, and nothing reaches the file.
    body->setFocus();
    body->moveCursor(QTextCursor::End);
    QTest::keyClicks(body, QStringLiteral(" (draft)"));
    EXPECT_TRUE(messages().isEditing());
    QTest::keyClick(body, Qt::Key_Escape);
    EXPECT_EQ(body->toPlainText(), QString::fromStdString(before));

    // Moving to another message posts the edit, as in the grid.
    body->moveCursor(QTextCursor::End);
    QTest::keyClicks(body, QStringLiteral(","));
    QTest::keyClick(body, Qt::Key_Return);
    QTest::keyClicks(body, QStringLiteral("thanks"));
    grid->setCurrentIndex(grid->model()->index(1, 0));
    EXPECT_FALSE(messages().isEditing());
    EXPECT_NE(messages().asString("Subject"), subject);
    EXPECT_EQ(storedBodies(paths.dataDir(), subject), std::vector<std::string> { before + ",\nthanks" });

    // A contact without messages: typing adds no message.
    goTo(second);
    ASSERT_TRUE(messages().isEmpty());
    body->setFocus();
    QTest::keyClicks(body, QStringLiteral("stray"));
    EXPECT_TRUE(messages().isEmpty());
    EXPECT_FALSE(messages().isEditing());
    EXPECT_TRUE(body->toPlainText().isEmpty());
    goTo(first);
    EXPECT_EQ(subjects().size(), 2u);
    EXPECT_TRUE(storedBodies(paths.dataDir(), "").empty());
    EXPECT_TRUE(prompts->shown.isEmpty()) << errors().toStdString();
}

TEST_F(EmailCommandsTest, FindStartsOnTheSenderMatchesTheStartInAnyCaseAndSaysWhenNothingMatches)
{
    messages().first();
    inModal<pelmora::app::TfrmFind>("btnFindEmail", [&](pelmora::app::TfrmFind* find) {
        EXPECT_EQ(find->fieldList()->currentText(), QStringLiteral("From/To Name"));
        QTest::keyClicks(find->valueEdit(), QStringLiteral("BOB"));
        find->findChild<QPushButton*>(QStringLiteral("btnFindFirst"))->click();
        EXPECT_EQ(messages().asString("Subject"), "Invoice 17");
        find->valueEdit()->setText(QStringLiteral("Jones")); // not at the start
        find->findChild<QPushButton*>(QStringLiteral("btnFindFirst"))->click();
        find->reject();
    });
    EXPECT_EQ(messages().asString("Subject"), "Invoice 17"); // a miss leaves the message current
    ASSERT_EQ(prompts->shown.size(), 1);
    EXPECT_EQ(prompts->shown.front(), QStringLiteral("Locate Field Value|No message holds \"Jones\" in From/To Name."));
}

TEST_F(EmailCommandsTest, ContactEntryPointsAddressTheContactAndNoteTheDay)
{
    contacts().edit();
    contacts().setString("EMail", "ann@example.org");
    contacts().setString("LastContact", "2001-02-03");
    contacts().post();
    const std::string before = pelmora::data::Date::today().iso();
    auto* box = form->findChild<pelmora::comms::TCustomEditAndBtn*>(QStringLiteral("edtEMail"));
    EXPECT_EQ(sendTo([&] { box->button()->click(); }), QStringLiteral("ann@example.org"));
    EXPECT_TRUE(
        pelmora::test::isDayOfAction(contacts().asString("LastContact"), before, pelmora::data::Date::today().iso()));

    // The address cell of the e-mail grid writes to the contact, not to the message's sender.
    form->showPage(pelmora::app::TfrmMainForm::EmailTab);
    auto* grid = form->findChild<pelmora::app::TDBGrid*>(QStringLiteral("grdEmail"));
    const QModelIndex cell = grid->model()->index(0, grid->tableModel()->columnOf("SenderEmail"));
    grid->setCurrentIndex(cell);
    EXPECT_EQ(sendTo([&] {
        QTest::mouseClick(
            grid->viewport(), Qt::LeftButton, {}, pelmora::app::TDBGrid::buttonRect(grid->visualRect(cell)).center());
    }),
        QStringLiteral("ann@example.org"));
    EXPECT_EQ(subjects().size(), 2u); // closed unsent: no row was added
    EXPECT_TRUE(prompts->shown.isEmpty()) << errors().toStdString();
}

TEST_F(EmailCommandsTest, PersonEntryPointsAddressThePersonAndLeaveTheContactsDay)
{
    TableView& people = data->TBLPeople;
    for (int i = 0; i < 50 && people.isEmpty() && !contacts().eof(); ++i)
        contacts().next();
    ASSERT_FALSE(people.isEmpty()) << "a Sample contact has people";
    contacts().edit();
    contacts().setString("EMail", "office@example.org");
    contacts().setString("LastContact", "2001-02-03");
    contacts().post();
    people.edit();
    people.setString("EMail", "person@example.org");
    people.post();
    form->showPage(pelmora::app::TfrmMainForm::ContactsTab);
    EXPECT_EQ(sendTo([&] { button("btnPersonEmail")->click(); }), QStringLiteral("person@example.org"));
    auto* grid = form->findChild<pelmora::app::TDBGrid*>(QStringLiteral("grdPeople"));
    const QModelIndex cell = grid->model()->index(grid->currentIndex().row(), grid->tableModel()->columnOf("EMail"));
    EXPECT_EQ(sendTo([&] {
        QTest::mouseClick(
            grid->viewport(), Qt::LeftButton, {}, pelmora::app::TDBGrid::buttonRect(grid->visualRect(cell)).center());
    }),
        QStringLiteral("person@example.org"));

    // The person editor writes to the address it shows, typed or stored.
    inModal<pelmora::records::TfrmPeople>("btnPersonProperties", [&](pelmora::records::TfrmPeople* editor) {
        auto* box = editor->findChild<pelmora::comms::TCustomEditAndBtn*>(QStringLiteral("edtEMail"));
        ASSERT_NE(box, nullptr);
        box->setText(QStringLiteral("typed@example.org"));
        EXPECT_EQ(sendTo([&] { box->button()->click(); }), QStringLiteral("typed@example.org"));
        editor->reject();
    });
    EXPECT_EQ(people.asString("EMail"), "person@example.org"); // the editor was cancelled
    EXPECT_EQ(contacts().asString("LastContact"), "2001-02-03");
    EXPECT_TRUE(prompts->shown.isEmpty()) << errors().toStdString();
}

// Catches the addresses handed to the desktop, so no browser starts during the tests.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    UrlCatcher()
    {
        for (const char* scheme : { "http", "https" })
            QDesktopServices::setUrlHandler(QLatin1String(scheme), this, "open");
    }
    ~UrlCatcher() override
    {
        for (const char* scheme : { "http", "https" })
            QDesktopServices::unsetUrlHandler(QLatin1String(scheme));
    }
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

TEST_F(EmailCommandsTest, GoToWebPageOpensTheLinkAndNotesTheVisit)
{
    UrlCatcher urls;
    TableView& links = data->TBLLinks;
    for (int i = 0; i < 50 && links.isEmpty() && !contacts().eof(); ++i)
        contacts().next();
    ASSERT_FALSE(links.isEmpty()) << "some Sample contact has a link";
    std::string before = pelmora::data::Date::today().iso();
    button("btnGoToLink")->click();
    EXPECT_TRUE(pelmora::test::isDayOfAction(links.asString("LastAccess"), before, pelmora::data::Date::today().iso()));
    EXPECT_FALSE(links.isEditing());

    // The URL cell's button notes the visit on the contact as well (Ctrl+Enter on the cell).
    form->showPage(pelmora::app::TfrmMainForm::LinksTab);
    auto* grid = form->findChild<pelmora::app::TDBGrid*>(QStringLiteral("grdLinks"));
    grid->setCurrentIndex(grid->model()->index(grid->currentIndex().row(), 1));
    before = pelmora::data::Date::today().iso();
    QTest::keyClick(grid, Qt::Key_Return, Qt::ControlModifier);
    EXPECT_TRUE(
        pelmora::test::isDayOfAction(contacts().asString("LastVisited"), before, pelmora::data::Date::today().iso()));
    EXPECT_FALSE(contacts().isEditing());
    ASSERT_EQ(urls.opened.size(), 2);
    EXPECT_EQ(urls.opened.back(), QUrl::fromUserInput(QString::fromStdString(links.asString("URL"))));
}

} // namespace

#include "EmailCommandsTest.moc"
