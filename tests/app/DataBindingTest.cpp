#include "GuiTest.h"
#include "TestSupport.h"

#include "widgets/DateText.h"
#include "widgets/FieldLink.h"
#include "widgets/TableModel.h"
#include "widgets/TDataSource.h"
#include "widgets/TDBGrid.h"
#include "data/Database.h"
#include "data/TableView.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

using pelmora::app::FieldLink;
using pelmora::app::TDataSource;
using pelmora::data::TableView;

namespace {

// A real database file with three contacts, ordered by last name, and a data source over it.
class DataBindingTest : public pelmora::test::GuiTestBase {
protected:
    DataBindingTest()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        database = pelmora::data::Database::create(dir.path());
        database->setDateFormat(pelmora::app::engineDateFormat());
        contacts.setDatabase(database);
        contacts.setIndexName("LNameInd");
        contacts.open();
        for (const char* name : { "Adams", "Baker", "Clark" }) {
            contacts.insert();
            contacts.setString("LName", name);
            contacts.setString("FName", std::string("First ") + name);
            contacts.setString("Created", "2027-01-31");
            contacts.post();
        }
        contacts.first();
        source = new TDataSource(contacts, &owner);
    }

    std::string stored(const std::string& lastName, const std::string& field)
    {
        TableView reader("reader", pelmora::data::tableDef("Contacts"));
        reader.setDatabase(database);
        reader.open();
        EXPECT_TRUE(reader.locate({ "LName" }, { pelmora::data::Value(lastName) }, {}));
        return reader.asString(field);
    }

    pelmora::test::TempDir dir;
    std::shared_ptr<pelmora::data::Database> database;
    TableView contacts { "TBLCon", pelmora::data::tableDef("Contacts") };
    QObject owner;
    TDataSource* source = nullptr;
    pelmora::test::ScriptedPrompts* prompts = pelmora::test::installScriptedPrompts();
};

TEST_F(DataBindingTest, AnEditShowsTheCurrentRecordAndStoresWhatIsTypedOnPost)
{
    QLineEdit edit;
    FieldLink::bind(&edit, source, "FName");
    EXPECT_EQ(edit.text(), QStringLiteral("First Adams"));
    EXPECT_EQ(edit.maxLength(), 20); // the field's size
    contacts.next();
    EXPECT_EQ(edit.text(), QStringLiteral("First Baker"));

    edit.selectAll();
    QTest::keyClicks(&edit, QStringLiteral("Betty"));
    EXPECT_TRUE(contacts.isEditing());
    EXPECT_EQ(stored("Baker", "FName"), "First Baker"); // nothing is written before the post
    contacts.post();
    EXPECT_EQ(stored("Baker", "FName"), "Betty");
    EXPECT_EQ(edit.text(), QStringLiteral("Betty"));
}

TEST_F(DataBindingTest, DatesShowInTheShortFormAndAreTypedInIt)
{
    QLineEdit created;
    FieldLink::bind(&created, source, "Created");
    EXPECT_EQ(created.text(), QStringLiteral("1/31/2027"));
    created.selectAll();
    QTest::keyClicks(&created, QStringLiteral("2/1/2027")); // "2", "2/", ... are no dates yet
    EXPECT_TRUE(contacts.isEditing());
    EXPECT_TRUE(source->post(nullptr));
    EXPECT_EQ(stored("Adams", "Created"), "2027-02-01");

    prompts->shown.clear();
    created.selectAll();
    QTest::keyClicks(&created, QStringLiteral("31/31/2027"));
    EXPECT_FALSE(source->post(nullptr)); // the engine's words are shown, the record stays in edit
    ASSERT_EQ(prompts->shown.size(), 1);
    EXPECT_TRUE(prompts->shown.front().contains(QStringLiteral("not a valid date")));
    EXPECT_TRUE(contacts.isEditing());
}

TEST_F(DataBindingTest, MemoAndCheckBoxFollowTheRecord)
{
    QPlainTextEdit memo;
    QCheckBox mark;
    FieldLink::bind(&memo, source, "Comments");
    FieldLink::bind(&mark, source, "Mark");
    memo.setPlainText(QStringLiteral("line one\nline two"));
    mark.click();
    contacts.post();
    EXPECT_EQ(stored("Adams", "Comments"), "line one\nline two");
    EXPECT_EQ(stored("Adams", "Mark"), "1");
    contacts.next();
    EXPECT_TRUE(memo.toPlainText().isEmpty());
    EXPECT_FALSE(mark.isChecked());
}

TEST_F(DataBindingTest, GridRowsFollowTheViewAndMovingTheRowPostsTheEdit)
{
    pelmora::app::TDBGrid grid;
    grid.setDataSource(source);
    pelmora::app::TableModel* model = grid.tableModel();
    ASSERT_EQ(model->rowCount(), 3);
    const int lastName = model->columnOf("LName");
    ASSERT_GE(lastName, 0);
    EXPECT_EQ(model->headerData(lastName, Qt::Horizontal).toString(), QStringLiteral("Last Name"));
    EXPECT_EQ(model->columnOf("Counter"), -1); // hidden
    EXPECT_EQ(grid.currentIndex().row(), 0);

    contacts.last();
    EXPECT_EQ(grid.currentIndex().row(), 2);

    contacts.edit();
    contacts.setString("FName", "Carl");
    grid.setCurrentIndex(model->index(0, lastName)); // the user picks another row
    EXPECT_FALSE(contacts.isEditing());
    EXPECT_EQ(contacts.asString("LName"), "Adams");
    EXPECT_EQ(stored("Clark", "FName"), "Carl");
}

TEST_F(DataBindingTest, ACheckBoxCellTogglesWithOneClickAndPosts)
{
    pelmora::app::TDBGrid grid;
    grid.setToggleOnClick("Mark"); // a grid asks for it; by default a click only chooses the cell
    grid.setDataSource(source);
    grid.resize(1200, 300);
    grid.show();
    const int mark = grid.tableModel()->columnOf("Mark");
    ASSERT_GE(mark, 0);
    const QModelIndex cell = grid.tableModel()->index(1, mark);
    grid.scrollTo(cell);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.visualRect(cell).center());
    EXPECT_EQ(stored("Baker", "Mark"), "1");
    EXPECT_EQ(grid.tableModel()->data(cell, Qt::CheckStateRole), Qt::Checked);
    QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.visualRect(cell).center());
    EXPECT_EQ(stored("Baker", "Mark"), "0");
}

TEST_F(DataBindingTest, AGridFollowsNewRecordsAndFilters)
{
    pelmora::app::TDBGrid grid;
    grid.setDataSource(source);
    contacts.insert();
    contacts.setString("LName", "Baxter");
    contacts.post();
    EXPECT_EQ(grid.tableModel()->rowCount(), 4);
    EXPECT_EQ(grid.currentIndex().row(), 2); // Adams, Baker, Baxter, Clark
    contacts.setFilter("LName = 'B*'");
    contacts.setFiltered(true);
    EXPECT_EQ(grid.tableModel()->rowCount(), 2);
}

} // namespace
