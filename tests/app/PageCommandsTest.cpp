#include "PageCommandsFixture.h"

#include "app/ActivitiesPage.h"
#include "app/ActivityFilter.h"
#include "app/TableModel.h"
#include "app/TBrDateForm.h"
#include "app/TDBGrid.h"
#include "app/TfrmFind.h"
#include "app/UserFieldsPage.h"
#include "comms/TCustomEditAndBtn.h"
#include "comms/Telephony.h"
#include "records/TfrmDateRange1.h"
#include "records/TfrmDefMore.h"
#include "records/TLookupListForm.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using pelmora::app::TDBGrid;
using pelmora::data::TableView;
using pelmora::data::Value;
using pelmora::data::ViewState;
using pelmora::records::TLookupListForm;

namespace {

using PageCommandsTest = pelmora::test::PageCommandsTest;

// --- lookup lists

TEST_F(PageCommandsTest, ANewEntryLeftEmptyIsDroppedOnLeavingTheGridAndOnOk)
{
    TableView& categories = data->TBLCategory;
    const auto before = categories.recordCount();
    inModal<TLookupListForm>("btnEditCategoryA", [&](TLookupListForm* window) {
        window->addEntry();
        EXPECT_EQ(categories.state(), ViewState::Insert);
        EXPECT_EQ(window->grid()->model()->rowCount(), before + 1); // the new row shows in place
        EXPECT_EQ(QApplication::focusWidget(), newEntryEditor(window));
        window->deleteButton()->setFocus(); // the user leaves the grid without typing
        EXPECT_EQ(categories.state(), ViewState::Browse);
        EXPECT_EQ(window->grid()->model()->rowCount(), before);
        window->addEntry();
        window->accept();
    });
    EXPECT_EQ(categories.state(), ViewState::Browse);
    EXPECT_EQ(categories.recordCount(), before);
    EXPECT_TRUE(prompts->shown.isEmpty()) << errors().toStdString();
}

TEST_F(PageCommandsTest, EntriesTypedInPlaceAreStoredOnTabAndOnOk)
{
    TableView& departments = data->TBLDepart;
    const auto before = departments.recordCount();
    inModal<TLookupListForm>("btnEditDepartment", [&](TLookupListForm* window) {
        window->addEntry();
        QLineEdit* editor = newEntryEditor(window);
        QTest::keyClicks(editor, QStringLiteral("Logistics"));
        QTest::keyClick(editor, Qt::Key_Tab); // on to the next cell: the entry is stored
        EXPECT_EQ(departments.recordCount(), before + 1);
        window->addEntry();
        QTest::keyClicks(newEntryEditor(window), QStringLiteral("Zoning"));
        window->accept(); // with the cell still open
    });
    EXPECT_EQ(departments.recordCount(), before + 2);
    for (const char* entry : { "Logistics", "Zoning" })
        EXPECT_TRUE(departments.locate({ "Description" }, { Value(std::string(entry)) }, {})) << entry;
    EXPECT_GE(form->findChild<QComboBox*>(QStringLiteral("cmbDepartment"))->findText(QStringLiteral("Zoning")), 0);
}

TEST_F(PageCommandsTest, AnEntryIsCutAtTheFieldSizeAndOneTheEngineRefusesStaysInEdit)
{
    TableView& titles = data->TBLJobTitle;
    const auto before = titles.recordCount();
    // The table refuses every new row, as a full or locked file would.
    data->currentDatabase()
        ->sql()
        .prepare("CREATE TRIGGER refuse BEFORE INSERT ON jobTitle BEGIN SELECT RAISE(ABORT, 'disk full'); END")
        .run();
    inModal<TLookupListForm>("btnEditJobTitle", [&](TLookupListForm* window) {
        window->addEntry();
        QTest::keyClicks(newEntryEditor(window), QString(60, QLatin1Char('x')));
        window->accept();
        ASSERT_EQ(prompts->shown.size(), 1);
        EXPECT_TRUE(prompts->shown.front().contains(QStringLiteral("disk full"))) << errors().toStdString();
        EXPECT_EQ(titles.state(), ViewState::Insert); // kept to be mended, the window still open
        EXPECT_EQ(titles.asString("Description"), std::string(50, 'x'));
        window->reject(); // Cancel drops the entry that cannot be stored
    });
    EXPECT_EQ(titles.state(), ViewState::Browse);
    EXPECT_EQ(titles.recordCount(), before);
}

TEST_F(PageCommandsTest, DeleteAsksTheListsQuestionAndCtrlDelTheGridsOwn)
{
    const auto categories = data->TBLCategory.recordCount();
    inModal<TLookupListForm>("btnEditCategoryB", [&](TLookupListForm* window) {
        window->deleteEntry(); // answered No
        window->grid()->setFocus();
        prompts->answers = { true };
        QTest::keyClick(window->grid(), Qt::Key_Delete, Qt::ControlModifier);
        window->accept();
    });
    ASSERT_EQ(prompts->shown.size(), 2);
    EXPECT_EQ(prompts->shown[0], QStringLiteral("Categories|Do You Want to Delete the Item ?"));
    EXPECT_EQ(prompts->shown[1], QStringLiteral("Categories|Delete record?"));
    EXPECT_EQ(data->TBLCategory.recordCount(), categories - 1);

    const auto activities = data->TBLActDesc.recordCount();
    inModal<TLookupListForm>("btnEditActivityList", [&](TLookupListForm* window) {
        window->deleteEntry();
        window->accept();
    });
    EXPECT_EQ(prompts->shown.back(), QStringLiteral("Activities|Do You Want to Delete the Record ?"));
    EXPECT_EQ(data->TBLActDesc.recordCount(), activities);
}

TEST_F(PageCommandsTest, RenamingAnActivityRefillsTheFilterListWithNothingChosen)
{
    auto* list = form->activitiesPage()->activityList();
    list->setCurrentIndex(1);
    const QString old = list->itemText(1);
    inModal<TLookupListForm>("btnEditActivityList", [&](TLookupListForm* window) {
        QLineEdit* editor = cellEditor(window->grid(), 0, 0);
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("Lunch"));
        window->accept();
    });
    EXPECT_EQ(list->itemText(0), QStringLiteral("All"));
    EXPECT_GE(list->findText(QStringLiteral("Lunch")), 1);
    EXPECT_EQ(list->findText(old), -1);
    EXPECT_EQ(list->currentIndex(), -1);
    EXPECT_TRUE(data->TBLActivity.conditions().empty());
}

TEST_F(PageCommandsTest, ThePriorityCellOffersItsLettersAndTheActivityCellTheNames)
{
    auto* grid = form->findChild<TDBGrid*>(QStringLiteral("grdActivity"));
    for (int i = 0; i < 50 && data->TBLActivity.isEmpty() && !data->TBLCon.eof(); ++i)
        data->TBLCon.next();
    ASSERT_GT(grid->model()->rowCount(), 0);
    const int priority = grid->tableModel()->columnOf("Priority");
    grid->setCurrentIndex(grid->model()->index(0, priority));
    grid->edit(grid->currentIndex());
    auto* letters = qobject_cast<QComboBox*>(grid->indexWidget(grid->currentIndex()));
    ASSERT_NE(letters, nullptr);
    EXPECT_EQ(letters->count(), 4);
    EXPECT_EQ(letters->itemText(2), QStringLiteral("C"));
    letters->setCurrentIndex(2);
    grid->commitEditing();
    EXPECT_EQ(data->TBLActivity.asString("Priority"), "C");

    grid->setCurrentIndex(grid->model()->index(0, grid->tableModel()->columnOf("Activity")));
    grid->edit(grid->currentIndex());
    auto* names = qobject_cast<QComboBox*>(grid->indexWidget(grid->currentIndex()));
    ASSERT_NE(names, nullptr);
    EXPECT_EQ(names->count(), data->TBLActDesc.recordCount());
}

TEST_F(PageCommandsTest, AnActivityNameWithQuotationMarksFiltersTheGrid)
{
    const QString name = QStringLiteral("Lunch \"Joe's\"");
    inModal<TLookupListForm>("btnEditActivityList", [&](TLookupListForm* window) {
        window->addEntry();
        QTest::keyClicks(newEntryEditor(window), name);
        window->accept();
    });
    for (int i = 0; i < 50 && data->TBLActivity.isEmpty() && !data->TBLCon.eof(); ++i)
        data->TBLCon.next();
    TableView& activities = data->TBLActivity;
    ASSERT_FALSE(activities.isEmpty());
    activities.edit();
    activities.setString("Activity", name.toStdString());
    activities.post();
    auto* list = form->activitiesPage()->activityList();
    list->setCurrentIndex(list->findText(name));
    emit list->activated(list->currentIndex());
    EXPECT_TRUE(prompts->shown.isEmpty()) << errors().toStdString();
    EXPECT_EQ(activities.recordCount(), 1);
    EXPECT_EQ(activities.asString("Activity"), name.toStdString());
}

TEST_F(PageCommandsTest, CellButtonsDialThePersonAndPickTheActivitysDay)
{
    for (int i = 0; i < 50 && (data->TBLPeople.isEmpty() || data->TBLActivity.isEmpty()) && !data->TBLCon.eof(); ++i)
        data->TBLCon.next();
    ASSERT_FALSE(data->TBLPeople.isEmpty() || data->TBLActivity.isEmpty()) << "a Sample contact has both";
    std::vector<QString> dialed;
    pelmora::comms::setCallHandler(
        [&dialed](const pelmora::comms::CallRequest& call) { dialed.push_back(call.destination); });
    form->showPage(pelmora::app::TfrmMainForm::ContactsTab);
    auto* people = form->findChild<TDBGrid*>(QStringLiteral("grdPeople"));
    const QModelIndex phone
        = people->model()->index(people->currentIndex().row(), people->tableModel()->columnOf("Phone"));
    QTest::mouseClick(people->viewport(), Qt::LeftButton, {}, TDBGrid::buttonRect(people->visualRect(phone)).center());
    pelmora::comms::setCallHandler({});
    ASSERT_EQ(dialed.size(), 1u);
    EXPECT_EQ(dialed.front(), QString::fromStdString(data->TBLPeople.asString("Phone")));

    form->showPage(pelmora::app::TfrmMainForm::ActivitiesTab);
    auto* activities = form->findChild<TDBGrid*>(QStringLiteral("grdActivity"));
    const QModelIndex when = activities->model()->index(activities->currentIndex().row(), 1);
    const QDate picked(2027, 3, 31);
    QTimer::singleShot(0, [&] {
        auto* picker = qobject_cast<pelmora::app::TBrDateForm*>(QApplication::activeModalWidget());
        ASSERT_NE(picker, nullptr);
        picker->setDate(picked);
        picker->accept();
    });
    QTest::mouseClick(
        activities->viewport(), Qt::LeftButton, {}, TDBGrid::buttonRect(activities->visualRect(when)).center());
    EXPECT_TRUE(data->TBLActivity.isEditing()); // stored when the user leaves the row
    EXPECT_EQ(data->TBLActivity.asString("DateOf"), "2027-03-31");
}

TEST_F(PageCommandsTest, EveryPageOffersNewRecordDeleteRecordAndSearchOnItsShortcutMenu)
{
    QTabWidget* pages = form->pageControl();
    for (int i = 0; i < pages->count(); ++i) {
        QStringList texts;
        for (QAction* action : pages->widget(i)->actions())
            texts << action->text().remove(QLatin1Char('&'));
        EXPECT_EQ(texts, (QStringList { "New Record", "Delete Record", "Search" })) << i;
        EXPECT_EQ(pages->widget(i)->contextMenuPolicy(), Qt::ActionsContextMenu);
    }
}

// --- user field names

class DefineUserFieldsTest : public PageCommandsTest {
protected:
    // Types `name` as the label of `field` (empty: clears it) in the open window.
    static void typeName(pelmora::records::TfrmDefMore* window, const QString& field, const QString& name)
    {
        QAbstractItemModel* model = window->grid()->model();
        for (int row = 0; row < model->rowCount(); ++row) {
            if (model->index(row, 0).data().toString() != field)
                continue;
            QLineEdit* editor = cellEditor(window->grid(), row, 1);
            editor->selectAll();
            if (name.isEmpty())
                QTest::keyClick(editor, Qt::Key_Delete);
            else
                QTest::keyClicks(editor, name);
            return;
        }
        ADD_FAILURE() << "no row for " << field.toStdString();
    }
    std::string storedName(const char* field)
    {
        TableView& names = data->TBLMoreName;
        names.open();
        const bool found = names.locate({ "RealName" }, { Value(std::string(field)) }, {});
        const std::string name = found ? names.asString("NikName") : "(no row)";
        names.close();
        return name;
    }
    QString caption(const char* field) const { return form->userFieldsPage()->caption(QLatin1String(field)); }
    void define(const std::function<void(pelmora::records::TfrmDefMore*)>& respond)
    {
        inModal<pelmora::records::TfrmDefMore>("btnDefine", respond);
        EXPECT_FALSE(data->TBLMoreName.isOpen()) << "the names are closed again";
    }
};

TEST_F(DefineUserFieldsTest, OkNamesTheCaptionsAndAClearedNameKeepsItsCaptionUntilTheNextStart)
{
    EXPECT_FALSE(data->TBLMoreName.isOpen());
    EXPECT_EQ(caption("User1"), QStringLiteral("Spouse/Assistant")); // named in the Sample, applied at start
    EXPECT_EQ(caption("Date2"), QStringLiteral("Date 2"));
    define([](auto* window) {
        EXPECT_FALSE(window->grid()->model()->index(0, 0).flags() & Qt::ItemIsEditable); // the field's own name
        typeName(window, QStringLiteral("Date2"), QStringLiteral("Anniversary"));
        window->accept();
    });
    EXPECT_EQ(caption("Date2"), QStringLiteral("Anniversary"));
    EXPECT_EQ(storedName("Date2"), "Anniversary");

    define([](auto* window) {
        typeName(window, QStringLiteral("Date2"), {});
        window->accept();
    });
    EXPECT_EQ(storedName("Date2"), "");
    EXPECT_EQ(caption("Date2"), QStringLiteral("Anniversary"));
    EXPECT_TRUE(prompts->shown.isEmpty()) << errors().toStdString();
}

TEST_F(DefineUserFieldsTest, TabGoesFromNameToNamePastTheFieldColumn)
{
    define([](auto* window) {
        typeName(window, QStringLiteral("Date2"), QStringLiteral("Anniversary"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        const QModelIndex next = window->grid()->currentIndex();
        EXPECT_EQ(next.column(), 1);
        EXPECT_EQ(next.siblingAtColumn(0).data().toString(), QStringLiteral("Date3"));
        auto* editor = qobject_cast<QLineEdit*>(window->grid()->indexWidget(next));
        ASSERT_NE(editor, nullptr);
        QTest::keyClicks(editor, QStringLiteral("Graduation"));
        window->accept();
    });
    EXPECT_EQ(storedName("Date2"), "Anniversary");
    EXPECT_EQ(storedName("Date3"), "Graduation");
}

TEST_F(DefineUserFieldsTest, CancelStoresNothingAndKeepsTheCaptions)
{
    define([](auto* window) {
        typeName(window, QStringLiteral("User1"), QStringLiteral("Shoe size"));
        window->reject();
    });
    EXPECT_EQ(caption("User1"), QStringLiteral("Spouse/Assistant"));
    EXPECT_EQ(storedName("User1"), "Spouse/Assistant");
}

// --- the "Date Range" item of the activity filter

class DateRangeTest : public PageCommandsTest {
protected:
    DateRangeTest()
    {
        // A contact of the Sample with activities on at least two different days.
        for (int i = 0; i < 50 && data->TBLActivity.recordCount() < 2 && !data->TBLCon.eof(); ++i)
            data->TBLCon.next();
    }
    int shown() const { return grid()->model()->rowCount(); }
    TDBGrid* grid() const { return form->findChild<TDBGrid*>(QStringLiteral("grdActivity")); }
    void chooseDateRange(const std::function<void(pelmora::records::TfrmDateRange1*)>& respond)
    {
        auto* page = form->activitiesPage();
        inModal<pelmora::records::TfrmDateRange1>(
            [page] {
                page->dateList()->setCurrentIndex(pelmora::app::ActivityFilter::DateRange);
                emit page->dateList()->activated(pelmora::app::ActivityFilter::DateRange);
            },
            respond);
    }
};

TEST_F(DateRangeTest, OkFiltersByTheTypedDatesCancelAndABadDateGiveNoDateCondition)
{
    const int all = shown();
    ASSERT_GE(all, 2);
    const QString day = grid()->model()->index(0, 1).data().toString(); // "When", as the locale writes it
    chooseDateRange([&](auto* window) {
        window->fromDate()->setText(day);
        window->toDate()->setText(day);
        window->accept();
    });
    EXPECT_GE(shown(), 1);
    EXPECT_LT(shown(), all);
    for (int row = 0; row < shown(); ++row)
        EXPECT_EQ(grid()->model()->index(row, 1).data().toString(), day);
    const int inRange = shown();

    // Editing the activity names rebuilds the filter with the same range, without asking again.
    int asked = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&asked] {
        if (auto* again = qobject_cast<pelmora::records::TfrmDateRange1*>(QApplication::activeModalWidget())) {
            ++asked;
            again->reject();
        }
    });
    watch.start(10);
    inModal<TLookupListForm>("btnEditActivityList", [](TLookupListForm* window) { window->accept(); });
    watch.stop();
    EXPECT_EQ(asked, 0);
    EXPECT_EQ(shown(), inRange);

    chooseDateRange([](auto* window) { window->reject(); });
    EXPECT_EQ(shown(), all);
    EXPECT_TRUE(prompts->shown.isEmpty()) << errors().toStdString();

    form->activitiesPage()->statusList()->setCurrentIndex(2); // "Done" still applies with a bad date
    chooseDateRange([](auto* window) {
        window->fromDate()->setText(QStringLiteral("13/45/2026"));
        window->accept();
    });
    ASSERT_EQ(prompts->shown.size(), 1);
    EXPECT_TRUE(prompts->shown.front().contains(QStringLiteral("13/45/2026"))) << errors().toStdString();
    EXPECT_EQ(data->TBLActivity.conditions().size(), 1u);
    EXPECT_FALSE(data->TBLActivity.filtered());
}

TEST_F(DateRangeTest, TheDateButtonsWriteThePickedDayInTheShortForm)
{
    const QDate picked(2027, 1, 31);
    chooseDateRange([&](auto* window) {
        QTimer::singleShot(0, [&] {
            auto* picker = qobject_cast<pelmora::app::TBrDateForm*>(QApplication::activeModalWidget());
            ASSERT_NE(picker, nullptr);
            EXPECT_EQ(picker->date(), QDate::currentDate()); // always today, whatever the box holds
            picker->setDate(picked);
            picker->accept();
        });
        window->toDate()->button()->click();
        EXPECT_EQ(window->toDate()->text(), pelmora::app::dateText(picked));
        EXPECT_EQ(window->toDate()->edit()->selectedText(), window->toDate()->text());
        window->reject();
    });
}

} // namespace
