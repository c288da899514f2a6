#include "DayOfAction.h"
#include "SampleMainForm.h"

#include "records/TfrmActivity.h"
#include "records/TfrmLinks.h"
#include "records/TfrmNotes.h"
#include "records/TLookupListForm.h"

#include "app/ActivitiesPage.h"
#include "app/GuiDataPrompts.h"
#include "app/MainCommands.h"
#include "app/MainPage.h"
#include "app/TfrmMainForm.h"
#include "comms/Telephony.h"
#include "data/TfrmDataModule.h"
#include "widgets/DateText.h"
#include "widgets/TCustomEditAndBtn.h"
#include "widgets/TDataSource.h"
#include "widgets/TDBGrid.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDesktopServices>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

using pelmora::app::TfrmMainForm;
using pelmora::data::TableView;

namespace {

// The main window over a fresh Sample database, driven as a user would.
class MainFormDataTest : public pelmora::test::SampleMainFormTest {
protected:
    ~MainFormDataTest() override
    {
        form.reset();
        pelmora::comms::setCallHandler({});
    }

    template <typename T> T* control(const char* name) const
    {
        T* found = form->findChild<T*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    QLineEdit* edit(const char* name) const { return control<QLineEdit>(name); }
    void trigger(const char* name) const { form->commands()->action(QLatin1String(name))->trigger(); }
    TableView& contacts() const { return data->TBLCon; }
};

TEST_F(MainFormDataTest, ShowsTheFirstContactWithItsPositionAndHeaderLine)
{
    ASSERT_TRUE(contacts().isOpen());
    const auto count = contacts().recordCount();
    ASSERT_GT(count, 1);
    EXPECT_EQ(edit("edtCompany")->text(), QString::fromStdString(contacts().asString("Company")));
    EXPECT_EQ(control<QLabel>("lblRecordPosition")->text(), QStringLiteral("1 of %1").arg(count));
    EXPECT_EQ(edit("edtDetailes")->text(), QString::fromStdString(contacts().asString("Detailes")));
    trigger("mnuNextRecord");
    EXPECT_EQ(control<QLabel>("lblRecordPosition")->text(), QStringLiteral("2 of %1").arg(count));
    trigger("mnuLastRecord");
    EXPECT_EQ(control<QLabel>("lblRecordPosition")->text(), QStringLiteral("%1 of %1").arg(count));
}

TEST_F(MainFormDataTest, AddingFromAnotherPageShowsMainWithTodayAndTheCursorInFirstName)
{
    form->showPage(TfrmMainForm::LinksTab);
    QApplication::setActiveWindow(form.get());
    const QDate day = QDate::currentDate();
    trigger("mnuNewRecord");
    EXPECT_EQ(form->pageControl()->currentIndex(), TfrmMainForm::MainTab);
    EXPECT_EQ(contacts().state(), pelmora::data::ViewState::Insert);
    EXPECT_TRUE(pelmora::test::isDayOfAction(control<pelmora::comms::TCustomEditAndBtn>("edtCreated")->text(),
        pelmora::app::dateText(day), pelmora::app::dateText(QDate::currentDate())));
    EXPECT_TRUE(edit("edtFName")->text().isEmpty());
    EXPECT_EQ(QApplication::focusWidget(), edit("edtFName"));
}

TEST_F(MainFormDataTest, SwitchingPagesPostsTheChangedContact)
{
    const auto counter = contacts().asInteger("Counter");
    QTest::keyClicks(edit("edtCountry"), QStringLiteral("X"));
    ASSERT_TRUE(contacts().isEditing());
    form->showPage(TfrmMainForm::EmailTab);
    EXPECT_FALSE(contacts().isEditing());
    contacts().refresh();
    ASSERT_TRUE(contacts().gotoRowId(counter));
    EXPECT_TRUE(QString::fromStdString(contacts().asString("Country")).endsWith(QLatin1Char('X')));
}

TEST_F(MainFormDataTest, ChoosingAKnownCityFillsZipAndState)
{
    trigger("mnuNewRecord");
    QComboBox* city = control<QComboBox>("cmbCity");
    ASSERT_GT(city->count(), 0);
    const QString chosen = city->itemText(city->count() / 2);
    ASSERT_TRUE(data->TBLZip.locate({ "CITY" }, { pelmora::data::Value(chosen.toStdString()) }, {}));
    const QString zip = QString::fromStdString(data->TBLZip.asString("ZIP"));
    const QString state = QString::fromStdString(data->TBLZip.asString("STATE"));
    data->TBLZip.first(); // the look-up must find the row itself
    city->setCurrentIndex(city->count() / 2);
    emit city->textActivated(city->currentText());
    EXPECT_EQ(edit("edtZip")->text(), zip);
    EXPECT_EQ(edit("edtState")->text(), state);

    QTest::keyClicks(edit("edtZip"), QStringLiteral("-1"));
    city->lineEdit()->selectAll();
    QTest::keyClicks(city->lineEdit(), QStringLiteral("Nowhere"));
    EXPECT_EQ(edit("edtZip")->text(), zip + QStringLiteral("-1")); // an unknown city changes nothing else
}

TEST_F(MainFormDataTest, DeletingAsksAndNoKeepsTheContact)
{
    const auto count = contacts().recordCount();
    prompts->answers = { false };
    trigger("mnuDeleteRecord");
    EXPECT_EQ(contacts().recordCount(), count);
    ASSERT_EQ(prompts->shown.size(), 1);
    EXPECT_TRUE(prompts->shown.front().startsWith(QStringLiteral("Pelmora|Do You Want to Delete the Record ?\n")));
    prompts->answers = { true };
    control<QToolButton>("btnDeleteRecord")->click();
    EXPECT_TRUE(prompts->shown.back().startsWith(QStringLiteral("Pelmora|Delete record?\n")));
    EXPECT_EQ(contacts().recordCount(), count - 1);
}

TEST_F(MainFormDataTest, TypingIntoAnEmptyDatabaseStartsAContactInsteadOfRefusingEachKey)
{
    while (!contacts().isEmpty()) {
        prompts->answers = { true };
        trigger("mnuDeleteRecord");
    }
    prompts->shown.clear();
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    edit("edtCompany")->setFocus();
    QTest::keyClicks(edit("edtCompany"), QStringLiteral("Zed Ltd"));
    EXPECT_TRUE(prompts->shown.isEmpty()) << prompts->shown.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(edit("edtCompany")->hasFocus()); // the new contact does not pull the cursor away
    trigger("mnuNextRecord"); // moving posts
    ASSERT_EQ(contacts().recordCount(), 1);
    EXPECT_EQ(contacts().asString("Company"), "Zed Ltd");
    EXPECT_FALSE(contacts().asString("Created").empty());
}

TEST_F(MainFormDataTest, DialButtonsDialTheStoredNumber)
{
    std::vector<QString> dialed;
    pelmora::comms::setCallHandler(
        [&dialed](const pelmora::comms::CallRequest& call) { dialed.push_back(call.destination); });
    const QString stored = QString::fromStdString(contacts().asString("Phone1"));
    QTest::keyClicks(edit("edtCountry"), QStringLiteral("!")); // an unrelated edit in progress
    control<pelmora::comms::TCustomEditAndBtn>("edtPhone1")->button()->click();
    ASSERT_EQ(dialed.size(), 1u);
    EXPECT_EQ(dialed.front(), stored);
}

TEST_F(MainFormDataTest, ClosingWithAHalfTypedNewContactAsksAndYesPostsItAndWritesTheIni)
{
    const auto count = contacts().recordCount();
    trigger("mnuNewRecord");
    QTest::keyClicks(edit("edtLName"), QStringLiteral("Zyzzyva"));
    prompts->answers = { true };
    form->close();
    EXPECT_EQ(prompts->shown, QStringList { QStringLiteral("Pelmora|Save the changes to Zyzzyva?") });
    EXPECT_EQ(contacts().recordCount(), count + 1);
    EXPECT_TRUE(std::filesystem::exists(paths.iniFile()));
}

TEST_F(MainFormDataTest, ActivityStatusFilterNarrowsTheGrid)
{
    auto* page = form->activitiesPage();
    auto* grid = control<pelmora::app::TDBGrid>("grdActivity");
    EXPECT_GT(page->activityList()->count(), 1); // "All" and the descriptions of the Sample
    const int all = grid->model()->rowCount();
    page->statusList()->setCurrentIndex(2); // "Done"
    emit page->filterChanged();
    const int done = grid->model()->rowCount();
    page->statusList()->setCurrentIndex(1); // "Not Done"
    emit page->filterChanged();
    EXPECT_EQ(done + grid->model()->rowCount(), all);
    EXPECT_TRUE(prompts->shown.isEmpty()) << prompts->shown.join(QLatin1Char('\n')).toStdString();
}

} // namespace

namespace {

// The cell in which the user types the entry that "Add" started.
QLineEdit* newEntryEditor(pelmora::records::TLookupListForm* window)
{
    return qobject_cast<QLineEdit*>(window->grid()->indexWidget(window->grid()->currentIndex()));
}

// Answers the modal list window that the button `name` opens with `respond`, then OK.
void inListWindow(QWidget* form, const char* name, std::function<void(pelmora::records::TLookupListForm*)> respond)
{
    bool answered = false;
    QTimer::singleShot(0, [&] {
        auto* window = qobject_cast<pelmora::records::TLookupListForm*>(QApplication::activeModalWidget());
        ASSERT_NE(window, nullptr);
        respond(window);
        answered = true;
        window->accept();
    });
    form->findChild<QAbstractButton*>(QLatin1String(name))->click();
    EXPECT_TRUE(answered);
}

TEST_F(MainFormDataTest, CategoryListAddsTypedEntriesDropsEmptyOnesAndDeletesWithoutTouchingContacts)
{
    const auto before = data->TBLCategory.recordCount();
    const std::string used = contacts().asString("CategoryA");
    ASSERT_FALSE(used.empty());
    inListWindow(form.get(), "btnEditCategoryA", [](auto* window) {
        window->addEntry();
        QTest::keyClicks(newEntryEditor(window), QStringLiteral("Prospect"));
        window->addEntry(); // left empty: dropped on OK
    });
    EXPECT_EQ(data->TBLCategory.recordCount(), before + 1);
    EXPECT_GE(control<QComboBox>("cmbCategoryB")->findText(QStringLiteral("Prospect")), 0);

    ASSERT_TRUE(data->TBLCategory.locate({ "Desc" }, { pelmora::data::Value(used) }, {}));
    prompts->answers = { true };
    inListWindow(form.get(), "btnEditCategoryC", [](auto* window) { window->deleteEntry(); });
    EXPECT_EQ(prompts->shown.back(), QStringLiteral("Categories|Do You Want to Delete the Item ?"));
    EXPECT_EQ(data->TBLCategory.recordCount(), before);
    EXPECT_EQ(contacts().asString("CategoryA"), used);
}

TEST_F(MainFormDataTest, EditingTheActivityListRefillsTheFilterListWithNothingChosen)
{
    auto* list = form->activitiesPage()->activityList();
    list->setCurrentIndex(1);
    inListWindow(form.get(), "btnEditActivityList", [](auto* window) {
        window->addEntry();
        QTest::keyClicks(newEntryEditor(window), QStringLiteral("Lunch"));
    });
    EXPECT_GE(list->findText(QStringLiteral("Lunch")), 1);
    EXPECT_EQ(list->itemText(0), QStringLiteral("All"));
    EXPECT_EQ(list->currentIndex(), -1);
    EXPECT_TRUE(data->TBLActivity.conditions().empty());
}

} // namespace

namespace {

// Catches the addresses handed to the desktop, so no browser starts during the tests.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    UrlCatcher() { QDesktopServices::setUrlHandler(QStringLiteral("http"), this, "open"); }
    ~UrlCatcher() override { QDesktopServices::unsetUrlHandler(QStringLiteral("http")); }
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

// Answers the modal editor opened by clicking `name` with `respond` (which closes it).
template <typename Editor> void inEditor(QWidget* form, const char* name, std::function<void(Editor*)> respond)
{
    bool answered = false;
    QTimer::singleShot(0, [&] {
        auto* editor = qobject_cast<Editor*>(QApplication::activeModalWidget());
        ASSERT_NE(editor, nullptr);
        respond(editor);
        answered = true;
    });
    form->findChild<QPushButton*>(QLatin1String(name))->click();
    EXPECT_TRUE(answered);
}

TEST_F(MainFormDataTest, ANewActivityCancelledInItsEditorLeavesNoRecord)
{
    const std::string day = pelmora::data::Date::today().iso();
    const auto before = data->TBLActivity.recordCount();
    inEditor<pelmora::records::TfrmActivity>(form.get(), "btnAddActivity", [](auto* editor) {
        QTest::keyClicks(editor->template findChild<QLineEdit*>(QStringLiteral("edtDetailes")), QStringLiteral("x"));
        editor->reject();
    });
    EXPECT_EQ(data->TBLActivity.recordCount(), before);
    EXPECT_FALSE(data->TBLActivity.isEditing());
    EXPECT_TRUE(prompts->shown.isEmpty()) << prompts->shown.join(QLatin1Char('\n')).toStdString();

    inEditor<pelmora::records::TfrmActivity>(form.get(), "btnAddActivity", [](auto* editor) {
        QTest::keyClicks(
            editor->template findChild<QLineEdit*>(QStringLiteral("edtDetailes")), QStringLiteral("Call back"));
        editor->accept();
    });
    EXPECT_EQ(data->TBLActivity.recordCount(), before + 1);
    EXPECT_TRUE(pelmora::test::isDayOfAction(
        data->TBLActivity.asString("DateCreated"), day, pelmora::data::Date::today().iso()));
}

TEST_F(MainFormDataTest, ANewLinkWhosePageWasVisitedStaysStoredAfterCancel)
{
    const std::string day = pelmora::data::Date::today().iso();
    UrlCatcher urls;
    const auto before = data->TBLLinks.recordCount();
    inEditor<pelmora::records::TfrmLinks>(form.get(), "btnAddLink", [](auto* editor) {
        auto* url = editor->template findChild<pelmora::comms::TCustomEditAndBtn*>(QStringLiteral("edtURL"));
        QTest::keyClicks(url->edit(), QStringLiteral("http://example.org/"));
        url->button()->click();
        editor->reject();
    });
    EXPECT_EQ(data->TBLLinks.recordCount(), before + 1);
    EXPECT_TRUE(
        pelmora::test::isDayOfAction(data->TBLLinks.asString("LastAccess"), day, pelmora::data::Date::today().iso()));
    ASSERT_EQ(urls.opened.size(), 1);
    EXPECT_EQ(urls.opened.front(), QUrl(QStringLiteral("http://example.org/")));
}

TEST_F(MainFormDataTest, PropertiesOkPostsTheEditedNote)
{
    for (int i = 0; i < 50 && data->TBLNotes.isEmpty() && !contacts().eof(); ++i)
        contacts().next();
    ASSERT_FALSE(data->TBLNotes.isEmpty()) << "some Sample contact has a note";
    inEditor<pelmora::records::TfrmNotes>(form.get(), "btnNoteProperties", [](auto* editor) {
        auto* subject = editor->template findChild<QLineEdit*>(QStringLiteral("edtSubject"));
        subject->selectAll();
        QTest::keyClicks(subject, QStringLiteral("Renamed"));
        editor->accept();
    });
    EXPECT_FALSE(data->TBLNotes.isEditing());
    EXPECT_EQ(data->TBLNotes.asString("Subject"), "Renamed");
}

} // namespace

#include "MainFormDataTest.moc"
