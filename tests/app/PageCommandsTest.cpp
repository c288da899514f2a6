#include "PageCommandsFixture.h"

#include "app/ActivitiesPage.h"
#include "widgets/TableModel.h"
#include "widgets/TBrDateForm.h"
#include "widgets/TDBGrid.h"
#include "comms/Telephony.h"
#include "records/TLookupListForm.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

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

} // namespace
