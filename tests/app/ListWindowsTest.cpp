#include "SampleMainForm.h"

#include "app/MainCommands.h"
#include "data/Database.h"
#include "data/SqlDatabase.h"
#include "records/TFrmActivityList.h"
#include "records/TfrmContactList.h"
#include "records/TfrmDocFull.h"
#include "records/TfrmInsertedDoc.h"
#include "widgets/TableModel.h"
#include "widgets/TDataSource.h"
#include "widgets/TDBGrid.h"
#include "widgets/TfrmFind.h"
#include "widgets/TfrmListSearch.h"
#include "widgets/TfrmMemo.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>

#include <fstream>
#include <QTest>

namespace pelmora::test {
namespace {

class ActivityListTest : public SampleMainFormTest {
protected:
    ActivityListTest()
    {
        sql(R"(
            INSERT INTO ActDesc (ActDesc) VALUES ('Call "Joe"'), ('Call*');
            INSERT INTO Activity (Contact, Activity, DateOf, Done, Detailes) VALUES
              ((SELECT min(Counter) FROM Contacts), 'Call "Joe"', date('now'), 0, 'quoted'),
              ((SELECT min(Counter) FROM Contacts), 'Call*', date('now', '+7 days'), 1, 'star'),
              ((SELECT max(Counter) FROM Contacts), 'Call back', date('now', '+8 days'), 0, 'prefix'),
              (999999, 'Call*', date('now', '-1 days'), 0, 'orphan');
        )");
        form->commands()->action(QStringLiteral("mnuActivityList"))->trigger();
        list = form->findChild<records::TFrmActivityList*>();
    }

    void sql(const std::string& text) { data->TBLCon.database()->sql().exec(text); }
    std::int64_t count(const std::string& where)
    {
        return data->TBLCon.database()->sql().scalar("SELECT count(*) FROM Activity WHERE " + where);
    }
    void choose(QComboBox* box, const QString& text)
    {
        const int index = box->findText(text);
        ASSERT_GE(index, 0) << text.toStdString();
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
    std::int64_t shown() { return list->grid()->tableModel()->rowCount(); }

    records::TFrmActivityList* list = nullptr;
};

TEST_F(ActivityListTest, ListsNarrowByWholeNamesDatesAndStatus)
{
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(list->isVisible());
    EXPECT_EQ(shown(), count("1"));
    // A name ending in * is not a prefix, and a quote in a name does not break the filter.
    choose(list->activityList(), QStringLiteral("Call*"));
    EXPECT_EQ(shown(), count("Activity = 'Call*'"));
    EXPECT_EQ(shown(), 2);
    choose(list->activityList(), QStringLiteral("Call \"Joe\""));
    EXPECT_EQ(shown(), 1);
    EXPECT_TRUE(prompts->shown.isEmpty()) << prompts->shown.join('\n').toStdString();
    // "This Week" and "Next Week" are the same days, both ends included.
    choose(list->activityList(), QStringLiteral("All"));
    choose(list->dateList(), QStringLiteral("Next Week"));
    EXPECT_EQ(shown(), count("DateOf BETWEEN date('now') AND date('now', '+7 days')"));
    choose(list->statusList(), QStringLiteral("Done"));
    EXPECT_EQ(shown(), count("DateOf BETWEEN date('now') AND date('now', '+7 days') AND Done = 1"));
    choose(list->dateList(), QStringLiteral("All"));
    choose(list->statusList(), QStringLiteral("Not Done"));
    EXPECT_EQ(shown(), count("ifnull(Done, 0) = 0"));
    // A cancelled date range leaves no date condition.
    QTimer::singleShot(0, [] { GuiTestGuard::closeModalWindows(); });
    choose(list->dateList(), QStringLiteral("Date Range"));
    EXPECT_EQ(shown(), count("ifnull(Done, 0) = 0"));
}

TEST_F(ActivityListTest, GoToContactFindsTheOwnerOrSaysSoAndKeepsTheOrder)
{
    ASSERT_NE(list, nullptr);
    data->TBLCon.setIndexName("LNameInd");
    choose(list->activityList(), QStringLiteral("Call*"));
    data::TableView& activities = data->TBLActivityList;
    ASSERT_TRUE(activities.locate({ "Detailes" }, { data::Value(std::string("orphan")) }, {}));
    const std::int64_t before = data->TBLCon.current()->rowId;
    EXPECT_FALSE(list->goToContact());
    EXPECT_TRUE(prompts->shown.join('\n').contains(QStringLiteral("No Contact was Found")));
    EXPECT_EQ(data->TBLCon.current()->rowId, before);
    EXPECT_TRUE(list->isVisible());

    ASSERT_TRUE(activities.locate({ "Detailes" }, { data::Value(std::string("star")) }, {}));
    const std::int64_t owner = activities.asInteger("Contact");
    EXPECT_TRUE(list->goToContact());
    EXPECT_FALSE(list->isVisible());
    EXPECT_EQ(data->TBLCon.asInteger("Counter"), owner);
    EXPECT_EQ(data->TBLCon.indexName(), "LNameInd");
}

TEST_F(ActivityListTest, TitlesOrderTheListByTheirColumnAndTheGridNeverStartsARecord)
{
    ASSERT_NE(list, nullptr);
    app::TDBGrid* grid = list->grid();
    app::TableModel* model = grid->tableModel();
    const int activity = model->columnOf("Activity");
    const int details = model->columnOf("Detailes");
    const int date = model->columnOf("DateOf");
    auto detailsShown = [&] {
        QStringList texts;
        for (int row = 0; row < model->rowCount(); ++row)
            texts << model->data(model->index(row, details)).toString();
        return texts.join('|').toStdString();
    };
    auto detailsBy = [&](const std::string& where, const std::string& order) {
        std::string texts;
        data::Statement& st = data->TBLCon.database()->sql().prepare(
            "SELECT ifnull(Detailes, '') FROM Activity WHERE " + where + " ORDER BY " + order + ", rowid");
        while (st.step())
            texts += (texts.empty() ? "" : "|") + data::valueToString(st.column(0));
        st.reset();
        return texts;
    };
    auto blue = [&](int column) {
        const QVariant brush = model->headerData(column, Qt::Horizontal, Qt::BackgroundRole);
        return brush.isValid() && brush.value<QBrush>().color() == QColor(Qt::blue);
    };
    // Letter case does not count in a text column; the title of the order is the blue one.
    grid->horizontalHeader()->sectionClicked(details);
    EXPECT_EQ(detailsShown(), detailsBy("1", "Detailes COLLATE NOCASE"));
    EXPECT_TRUE(blue(details));
    EXPECT_FALSE(blue(activity));
    // A new order keeps the filter; dates order by the day, not by their text as shown.
    choose(list->statusList(), QStringLiteral("Not Done"));
    grid->horizontalHeader()->sectionClicked(date);
    EXPECT_EQ(detailsShown(), detailsBy("ifnull(Done, 0) = 0", "DateOf"));
    EXPECT_TRUE(blue(date));
    EXPECT_FALSE(blue(details));

    // Past the last row and the Insert key: still the same activities, none being inserted.
    const std::int64_t rows = count("1");
    grid->setFocus();
    grid->setCurrentIndex(model->index(model->rowCount() - 1, activity));
    QTest::keyClick(grid, Qt::Key_Down);
    QTest::keyClick(grid, Qt::Key_Insert);
    QTest::keyClick(grid, Qt::Key_PageDown);
    EXPECT_FALSE(data->TBLActivityList.isEditing());
    EXPECT_EQ(count("1"), rows);
}

// The contacts' names are read from the contacts, yet their titles order the list too: by the
// name as shown, ties by the contact and then the activity; activities whose contact is gone last.
TEST_F(ActivityListTest, ContactNameTitlesOrderTheListWithTiesAndActivitiesWithoutAContact)
{
    ASSERT_NE(list, nullptr);
    sql(R"(
        INSERT INTO Contacts (LName, FName, Company) VALUES ('twin', 'Same', 'Zeta'), ('Twin', 'same', 'alpha');
        WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 200)
        INSERT INTO Activity (Contact, Activity, Detailes)
        SELECT CASE i % 4 WHEN 0 THEN NULL WHEN 1 THEN (SELECT max(Counter) FROM Contacts)
          WHEN 2 THEN (SELECT max(Counter) - 1 FROM Contacts) ELSE (SELECT min(Counter) FROM Contacts) END,
          'Bulk', 'bulk ' || i FROM n;
    )");
    list->applyFilter();
    app::TDBGrid* grid = list->grid();
    app::TableModel* model = grid->tableModel();
    auto expected = [&](const std::string& where, const std::string& order) {
        std::vector<std::int64_t> ids;
        data::Statement& st = data->TBLCon.database()->sql().prepare(
            "SELECT a.rowid FROM Activity a LEFT JOIN Contacts c ON c.Counter = a.Contact WHERE " + where
            + " ORDER BY c.Counter IS NULL, " + order + ", a.Contact, a.rowid");
        while (st.step())
            ids.push_back(st.columnInt(0));
        st.reset();
        return ids;
    };
    auto shownIds = [&] {
        for (int round = 0; round < 20 && model->canFetchMore({}); ++round)
            model->fetchMore({});
        std::vector<std::int64_t> ids;
        for (int row = 0; row < model->rowCount(); ++row)
            ids.push_back(model->rowIdAt(row));
        return ids;
    };
    data::TableView& activities = data->TBLActivityList;
    auto walkedBack = [&] {
        std::vector<std::int64_t> ids;
        activities.last();
        for (int step = 0; step < 1000 && !activities.isEmpty(); ++step) {
            ids.insert(ids.begin(), activities.current()->rowId);
            if (!activities.prior())
                break;
        }
        return ids;
    };
    const std::string byLastName = "c.LName COLLATE NOCASE, c.FName COLLATE NOCASE";
    grid->horizontalHeader()->sectionClicked(model->columnOf("LName"));
    EXPECT_EQ(model->orderField(), "LName");
    const std::vector<std::int64_t> all = expected("1", byLastName);
    ASSERT_GT(all.size(), 150u); // pages of 64 run from the contacts into those without one
    EXPECT_EQ(shownIds(), all);
    EXPECT_EQ(walkedBack(), all);
    // Moving on from a record found in the middle, and a filter kept under the new order.
    ASSERT_TRUE(activities.gotoRowId(all[100]));
    EXPECT_EQ(activities.recNo(), 101);
    ASSERT_TRUE(activities.next());
    EXPECT_EQ(activities.current()->rowId, all[101]);
    ASSERT_TRUE(activities.gotoRowId(all.back()));
    EXPECT_EQ(activities.recNo(), std::int64_t(all.size()));
    choose(list->statusList(), QStringLiteral("Not Done"));
    EXPECT_EQ(shownIds(), expected("ifnull(a.Done, 0) = 0", byLastName));
    choose(list->statusList(), QStringLiteral("All"));

    grid->horizontalHeader()->sectionClicked(model->columnOf("Company"));
    EXPECT_EQ(model->orderField(), "Company");
    EXPECT_EQ(shownIds(), expected("1", "c.Company COLLATE NOCASE"));
    grid->horizontalHeader()->sectionClicked(model->columnOf("FName"));
    EXPECT_EQ(shownIds(), expected("1", "c.FName COLLATE NOCASE, c.LName COLLATE NOCASE"));
    EXPECT_EQ(walkedBack(), expected("1", "c.FName COLLATE NOCASE, c.LName COLLATE NOCASE"));
}

TEST_F(ActivityListTest, TheGridReadsTheActivitiesAPageAtATime)
{
    ASSERT_NE(list, nullptr);
    sql("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
        "INSERT INTO Activity (Contact, Activity, Detailes) "
        "SELECT (SELECT min(Counter) FROM Contacts), 'Bulk', 'bulk ' || i FROM n");
    list->applyFilter();
    app::TDBGrid* grid = list->grid();
    app::TableModel* model = grid->tableModel();
    const std::int64_t all = count("1");
    EXPECT_LT(model->rowCount(), all); // not counted whole before the first screen
    // Scrolling to the bottom reads on, page by page, until every activity is there.
    for (int round = 0; round < 20 && model->rowCount() < all; ++round) {
        grid->scrollToBottom();
        QApplication::processEvents();
    }
    EXPECT_EQ(model->rowCount(), all);
    EXPECT_FALSE(model->canFetchMore({}));
    // A record further down than the grid has read becomes its current row all the same.
    list->applyFilter();
    ASSERT_LT(model->rowCount(), all);
    ASSERT_TRUE(data->TBLActivityList.locate({ "Detailes" }, { data::Value(std::string("bulk 290")) }, {}));
    const QModelIndex current = grid->currentIndex();
    ASSERT_TRUE(current.isValid());
    EXPECT_EQ(model->data(current.siblingAtColumn(model->columnOf("Detailes"))).toString(), QStringLiteral("bulk 290"));
}

TEST_F(ActivityListTest, PropertiesCancelDiscardsAndTheMemoWindowEditsInPlace)
{
    ASSERT_NE(list, nullptr);
    data::TableView& activities = data->TBLActivityList;
    ASSERT_TRUE(activities.locate({ "Detailes" }, { data::Value(std::string("quoted")) }, {}));
    QTimer::singleShot(0, [] {
        QWidget* editor = QApplication::activeModalWidget();
        ASSERT_TRUE(editor);
        EXPECT_EQ(editor->windowTitle(), QStringLiteral("Activity List"));
        auto* details = editor->findChild<QLineEdit*>(QStringLiteral("edtDetailes"));
        ASSERT_TRUE(details);
        EXPECT_EQ(details->text(), QStringLiteral("quoted"));
        details->selectAll();
        QTest::keyClicks(details, QStringLiteral("changed"));
        static_cast<QDialog*>(editor)->reject();
    });
    list->showProperties();
    EXPECT_EQ(count("Detailes = 'changed'"), 0);
    EXPECT_EQ(activities.asString("Detailes"), "quoted");

    // A double-click on a Notes cell opens the memo window and stays in the list.
    app::TDBGrid* grid = list->grid();
    const QModelIndex notes
        = grid->tableModel()->index(grid->tableModel()->currentRow(), grid->tableModel()->columnOf("Notes"));
    grid->scrollTo(notes);
    QTimer::singleShot(0, [] {
        auto* memo = qobject_cast<app::TfrmMemo*>(QApplication::activeModalWidget());
        ASSERT_TRUE(memo);
        memo->setText(QStringLiteral("line one\nline two"));
        memo->accept();
    });
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(notes).center());
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(notes).center());
    EXPECT_TRUE(list->isVisible());
    EXPECT_EQ(count("Notes = 'line one' || char(10) || 'line two' AND Detailes = 'quoted'"), 1);
}

TEST_F(ActivityListTest, SearchMovesByTheChosenFieldAndCancelGoesBack)
{
    ASSERT_NE(list, nullptr);
    data::TableView& activities = data->TBLActivityList;
    activities.first();
    const std::int64_t start = activities.current()->rowId;
    app::TfrmListSearch search(list->source(), { { "Activity", "Activity" }, { "Detailes", "Details" } }, list);
    search.show();
    search.fieldList()->setCurrentIndex(1);
    EXPECT_TRUE(search.searchFor(QStringLiteral("PRE")));
    EXPECT_EQ(activities.asString("Detailes"), "prefix");
    EXPECT_FALSE(search.searchFor(QStringLiteral("nothing like it")));
    search.reject();
    EXPECT_EQ(activities.current()->rowId, start);
}

class ContactListTest : public SampleMainFormTest {
protected:
    ContactListTest()
    {
        sql(R"(
            INSERT INTO category (Desc) VALUES ('Say "Hi"'), ('Red*'), ('Red');
            INSERT INTO Contacts (LName, FName, CategoryA, CategoryC, URL) VALUES
              ('Quote', 'A', 'Say "Hi"', 'Red*', 'www.example.com'),
              ('Star', 'B', 'Red', 'Red*', NULL),
              ('Plain', 'C', 'Red', 'Red', 'file:///etc/passwd'),
              ('Prefix', 'D', 'Red*', 'Redder', 'http://example.org');
        )");
        data->TBLCon.refresh();
    }

    void sql(const std::string& text) { data->TBLCon.database()->sql().exec(text); }
    std::int64_t count(const std::string& where)
    {
        return data->TBLCon.database()->sql().scalar("SELECT count(*) FROM Contacts WHERE " + where);
    }
    template <typename List> List* open(const char* command)
    {
        form->commands()->action(QLatin1String(command))->trigger();
        return form->findChild<List*>();
    }
    void choose(QComboBox* box, const QString& text)
    {
        const int index = box->findText(text);
        ASSERT_GE(index, 0) << text.toStdString();
        box->setCurrentIndex(index);
        emit box->activated(index);
    }
};

TEST_F(ContactListTest, CategoriesMatchWholeNamesAndLeavingTheListShowsAllAgain)
{
    auto* list = open<records::TfrmContactList>("mnuContactList");
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(list->isVisible());
    data::TableView& contacts = data->TBLCon;
    const std::int64_t all = count("1");
    EXPECT_EQ(contacts.recordCount(), all);
    choose(list->categoryList(2), QStringLiteral("Red*"));
    EXPECT_EQ(contacts.recordCount(), count("CategoryC = 'Red*'"));
    EXPECT_EQ(contacts.recordCount(), 2);
    choose(list->categoryList(0), QStringLiteral("Say \"Hi\""));
    EXPECT_EQ(contacts.recordCount(), 1);
    EXPECT_EQ(contacts.asString("LName"), "Quote");
    EXPECT_TRUE(prompts->shown.isEmpty()) << prompts->shown.join('\n').toStdString();

    list->deactivate();
    EXPECT_TRUE(contacts.conditions().empty());
    EXPECT_EQ(contacts.recordCount(), all);
    EXPECT_EQ(contacts.asString("LName"), "Quote"); // the contact chosen in the list stays
    list->activate();
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(list->categoryList(i)->currentIndex(), 0);
    EXPECT_EQ(list->categoryList(0)->itemText(0), QStringLiteral("All"));

    // A title with an index orders the main view by it; one without leaves the order alone.
    app::TableModel* model = list->grid()->tableModel();
    list->grid()->horizontalHeader()->sectionClicked(model->columnOf("Company"));
    EXPECT_EQ(contacts.indexName(), "CompanyInd");
    list->grid()->horizontalHeader()->sectionClicked(model->columnOf("Phone1"));
    EXPECT_EQ(contacts.indexName(), "CompanyInd");
    list->grid()->horizontalHeader()->sectionClicked(model->columnOf("LName"));
    EXPECT_EQ(contacts.indexName(), "LNameInd");
    EXPECT_EQ(model->columnCount(), 47);
    const int lname = model->columnOf("LName");
    EXPECT_EQ(model->headerData(lname, Qt::Horizontal, Qt::BackgroundRole).value<QBrush>().color(), QColor(0, 0, 255));
    EXPECT_FALSE(model->headerData(model->columnOf("Company"), Qt::Horizontal, Qt::BackgroundRole).isValid());
    list->hide();
    EXPECT_TRUE(contacts.conditions().empty());
}

// The main window's "N of M" beside the list: the number from the row the grid is on, the total
// kept through the list's own adds and deletes and read again after any other change.
TEST_F(ContactListTest, TheRecordNumberFollowsTheGridAndTheTotalFollowsEveryChange)
{
    sql("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 200) "
        "INSERT INTO Contacts (LName, FName, CategoryB) SELECT 'Many' || printf('%03d', i), 'X', "
        "CASE WHEN i % 3 = 0 THEN 'Red' END FROM n");
    data::TableView& contacts = data->TBLCon;
    contacts.setIndexName("LNameInd");
    auto* list = open<records::TfrmContactList>("mnuContactList");
    ASSERT_NE(list, nullptr);
    auto* position = form->findChild<QLabel*>(QStringLiteral("lblRecordPosition"));
    ASSERT_NE(position, nullptr);
    app::TableModel* model = list->grid()->tableModel();
    const std::int64_t all = count("1");
    EXPECT_LT(model->rowCount(), all); // the grid has not counted them
    for (int round = 0; round < 10 && model->rowCount() <= 150; ++round)
        model->fetchMore({});
    auto atPlace = [&](const std::string& where, std::int64_t offset) {
        return data->TBLCon.database()->sql().scalar("SELECT rowid FROM Contacts WHERE " + where
            + " ORDER BY LName COLLATE NOCASE, FName COLLATE NOCASE, rowid LIMIT 1 OFFSET " + std::to_string(offset));
    };
    list->grid()->setCurrentIndex(model->index(150, 0));
    EXPECT_EQ(position->text(), QStringLiteral("151 of %1").arg(all));
    EXPECT_EQ(contacts.current()->rowId, atPlace("1", 150));
    list->grid()->setCurrentIndex(model->index(149, 0));
    EXPECT_EQ(position->text(), QStringLiteral("150 of %1").arg(all));

    choose(list->categoryList(1), QStringLiteral("Red"));
    const std::int64_t red = count("CategoryB = 'Red'");
    list->grid()->setCurrentIndex(model->index(20, 0));
    EXPECT_EQ(position->text(), QStringLiteral("21 of %1").arg(red));
    EXPECT_EQ(contacts.current()->rowId, atPlace("CategoryB = 'Red'", 20));
    list->deactivate();
    EXPECT_TRUE(position->text().endsWith(QStringLiteral(" of %1").arg(all)));

    // Added and deleted through the list's view; an edit that moves the contact in the order.
    contacts.insert();
    contacts.setString("LName", "Aardvark");
    contacts.post();
    EXPECT_EQ(count("1"), all + 1);
    auto placeOf
        = [&](const std::string& name) { return count("LName IS NULL OR LName < '" + name + "' COLLATE NOCASE") + 1; };
    EXPECT_EQ(position->text(), QStringLiteral("%1 of %2").arg(placeOf("Aardvark")).arg(all + 1));
    contacts.remove();
    EXPECT_TRUE(position->text().endsWith(QStringLiteral(" of %1").arg(all)));
    ASSERT_TRUE(contacts.locate({ "LName" }, { data::Value(std::string("Many100")) }, {}));
    contacts.edit();
    contacts.setString("LName", "Many000");
    contacts.post();
    EXPECT_EQ(position->text(), QStringLiteral("%1 of %2").arg(placeOf("Many000")).arg(all));

    // Written by another connection: the next read of the list counts again.
    {
        data::SqlDatabase other(data->TBLCon.database()->sql().file());
        other.exec("DELETE FROM Contacts WHERE LName = 'Many007'");
    }
    contacts.refresh();
    EXPECT_TRUE(position->text().endsWith(QStringLiteral(" of %1").arg(all - 1)));
}

TEST_F(ContactListTest, TheUrlListKeepsTheMainFilterAndRefusesAddressesThatAreNotWeb)
{
    data::TableView& contacts = data->TBLCon;
    contacts.setFilter("LName <> 'Star'");
    contacts.setFiltered(true);
    auto* list = open<records::TfrmURLList>("mnuURLList");
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(contacts.recordCount(), count("URL IS NOT NULL AND LName <> 'Star'"));
    choose(list->categoryList(0), QStringLiteral("Red"));
    EXPECT_EQ(contacts.recordCount(), 1);
    EXPECT_EQ(contacts.asString("LName"), "Plain");
    EXPECT_EQ(list->grid()->currentIndex().column(), list->grid()->tableModel()->columnOf("URL"));

    // A file: address is refused with a message and the visit not noted.
    list->browse();
    EXPECT_TRUE(prompts->shown.join('\n').contains(QStringLiteral("not a web address")));
    EXPECT_EQ(count("LName = 'Plain' AND LastVisited IS NOT NULL"), 0);
    // Enter moves on to the next cell.
    list->grid()->setFocus();
    QTest::keyClick(list->grid(), Qt::Key_Return);
    EXPECT_EQ(list->grid()->currentIndex().column(), list->grid()->tableModel()->columnOf("SiteDesc"));

    choose(list->categoryList(0), QStringLiteral("All"));
    ASSERT_TRUE(contacts.locate({ "LName" }, { data::Value(std::string("Prefix")) }, {}));
    list->hide();
    EXPECT_EQ(contacts.filter(), "LName <> 'Star'");
    EXPECT_TRUE(contacts.filtered());
    EXPECT_TRUE(contacts.conditions().empty());
    EXPECT_EQ(contacts.asString("LName"), "Prefix");
    EXPECT_EQ(contacts.recordCount(), count("LName <> 'Star'"));
}

class DocumentsPageTest : public SampleMainFormTest {
protected:
    std::int64_t documents(const std::string& where = "1")
    {
        return data->TBLCon.database()->sql().scalar("SELECT count(*) FROM documents WHERE " + where);
    }
    std::filesystem::path write(const std::string& name, const std::string& content)
    {
        const std::filesystem::path file = home.path() / name;
        std::ofstream(file, std::ios::binary) << content;
        return file;
    }
    void click(const char* name) { form->findChild<QPushButton*>(QLatin1String(name))->click(); }
};

TEST_F(DocumentsPageTest, CancellingANewDocumentLeavesNoneAndOkKeepsItsFileFacts)
{
    const auto file = write("letter.txt", "Dear Bob");
    const std::int64_t before = documents();
    for (const bool keep : { false, true }) {
        prompts->texts.push_back(QString::fromStdString(file.string()));
        bool attachEnabled = false;
        QTimer::singleShot(0, [&attachEnabled, keep] {
            auto* editor = qobject_cast<records::TfrmInsertedDoc*>(QApplication::activeModalWidget());
            ASSERT_TRUE(editor);
            attachEnabled = editor->attachButton()->isEnabled();
            editor->attachButton()->click();
            QTest::keyClicks(editor->findChild<QLineEdit*>(QStringLiteral("edtName")), QStringLiteral("Letter"));
            if (keep)
                editor->accept();
            else
                editor->reject();
        });
        click("btnAttachDocument");
        EXPECT_TRUE(attachEnabled);
        EXPECT_EQ(documents(), before + (keep ? 1 : 0));
    }
    EXPECT_EQ(documents("Name = 'Letter' AND Size = 8 AND File = '" + file.string() + "' AND ModiDate IS NOT NULL"), 1);

    // For a stored document the file is only typed; Cancel takes back what was typed.
    bool attachEnabled = true;
    QTimer::singleShot(0, [&attachEnabled] {
        auto* editor = qobject_cast<records::TfrmInsertedDoc*>(QApplication::activeModalWidget());
        ASSERT_TRUE(editor);
        attachEnabled = editor->attachButton()->isEnabled();
        QLineEdit* name = editor->findChild<QLineEdit*>(QStringLiteral("edtName"));
        name->selectAll();
        QTest::keyClicks(name, QStringLiteral("Changed"));
        editor->reject();
    });
    click("btnDocumentProperties");
    EXPECT_FALSE(attachEnabled);
    EXPECT_EQ(documents("Name = 'Changed'"), 0);
}

TEST_F(DocumentsPageTest, DeleteWithFileSparesAFileAnotherDocumentNames)
{
    const auto file = write("shared.txt", "shared");
    const std::int64_t contact = data->TBLCon.asInteger("Counter");
    data->TBLCon.database()->sql().exec("INSERT INTO documents (Name, File, Contact) VALUES ('one', '" + file.string()
        + "', " + std::to_string(contact) + "), ('two', '" + file.string() + "', 999999)");
    data->TBLDoc.refresh();
    ASSERT_TRUE(data->TBLDoc.locate({ "Name" }, { data::Value(std::string("one")) }, {}));
    auto answerDelete = [] {
        QTimer::singleShot(0, [] {
            auto* dialog = qobject_cast<records::TfrmDelDoc*>(QApplication::activeModalWidget());
            ASSERT_TRUE(dialog);
            EXPECT_TRUE(dialog->linkOnly()->isChecked());
            dialog->linkAndFile()->setChecked(true);
            dialog->accept();
        });
    };
    // "File Can't be Deleted", then Cancel: the document stays.
    answerDelete();
    click("btnDeleteDocument");
    EXPECT_TRUE(prompts->shown.join('\n').contains(QStringLiteral("File Can't be Deleted")));
    EXPECT_EQ(documents("Name = 'one'"), 1);
    // OK: the link goes, the file another document names stays.
    prompts->answers.push_back(true);
    answerDelete();
    click("btnDeleteDocument");
    EXPECT_EQ(documents("Name = 'one'"), 0);
    EXPECT_TRUE(std::filesystem::exists(file));

    // The document list finds no contact for the other one.
    form->commands()->action(QStringLiteral("mnuDocumentList"))->trigger();
    auto* list = form->findChild<records::TfrmDocFull*>();
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(data->TBLDocFull.locate({ "Name" }, { data::Value(std::string("two")) }, {}));
    EXPECT_FALSE(list->goToContact());
    EXPECT_TRUE(prompts->shown.join('\n').contains(QStringLiteral("No Contact was Found")));
    // Now the only one naming it: deleting with the file erases it.
    answerDelete();
    list->deleteDocument();
    EXPECT_EQ(documents("Name = 'two'"), 0);
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(DocumentsPageTest, TheDocumentListOrdersByTitleFindsByAnyFieldAndGroupsTheFileFacts)
{
    data->TBLCon.database()->sql().exec("INSERT INTO documents (Name, File, Size, ModiDate, Contact) VALUES "
                                        "('beta', '/b/report.txt', 30, '2026-01-03', 999), "
                                        "('Alpha', '/a/letter.txt', 200, '2026-01-01', 999), "
                                        "('gamma', '/c/offer.txt', 1000, '2026-01-02', 999)");
    form->commands()->action(QStringLiteral("mnuDocumentList"))->trigger();
    auto* list = form->findChild<records::TfrmDocFull*>();
    ASSERT_NE(list, nullptr);
    ASSERT_TRUE(list->isVisible());
    list->refreshFromDisk();
    auto* grid = list->findChild<app::TDBGrid*>();
    app::TableModel* model = grid->tableModel();
    auto names = [&] {
        QStringList texts;
        for (int row = 0; row < model->rowCount(); ++row)
            texts << model->data(model->index(row, model->columnOf("Name"))).toString();
        return texts.join(',');
    };
    // Sizes order as numbers (30 before 200 before 1000), names without regard to case.
    grid->horizontalHeader()->sectionClicked(model->columnOf("Size"));
    EXPECT_TRUE(names().endsWith(QStringLiteral("beta,Alpha,gamma"))) << names().toStdString();
    grid->horizontalHeader()->sectionClicked(model->columnOf("ModiDate"));
    EXPECT_TRUE(names().endsWith(QStringLiteral("Alpha,gamma,beta"))) << names().toStdString();
    grid->horizontalHeader()->sectionClicked(model->columnOf("Name"));
    EXPECT_TRUE(names().contains(QStringLiteral("Alpha,beta,gamma"))) << names().toStdString();

    // Find is the locate dialog over every field: here the start of a path, any letter case.
    bool located = false;
    QTimer::singleShot(0, [&located] {
        auto* find = qobject_cast<app::TfrmFind*>(QApplication::activeModalWidget());
        ASSERT_TRUE(find);
        find->fieldList()->setCurrentIndex(find->fieldList()->findData(QStringLiteral("File")));
        find->valueEdit()->setText(QStringLiteral("/C/OFF"));
        located = find->find(false);
        find->reject();
    });
    list->findChild<QPushButton*>(QStringLiteral("btnFind"))->click();
    EXPECT_TRUE(located);
    EXPECT_EQ(data->TBLDocFull.asString("Name"), "gamma");

    // The editor shows what was read from the file in a group of its own, editable here.
    QTimer::singleShot(0, [] {
        auto* editor = qobject_cast<records::TfrmInsertedDoc*>(QApplication::activeModalWidget());
        ASSERT_TRUE(editor);
        auto* facts = editor->findChild<QGroupBox*>(QStringLiteral("grpFileInformation"));
        ASSERT_TRUE(facts);
        EXPECT_EQ(facts->title(), QStringLiteral("File Information"));
        auto* size = facts->findChild<QLineEdit*>(QStringLiteral("edtSize"));
        ASSERT_TRUE(size);
        EXPECT_EQ(size->text(), QStringLiteral("1000"));
        EXPECT_FALSE(size->isReadOnly());
        EXPECT_TRUE(facts->findChild<QLineEdit*>(QStringLiteral("edtModiDate")));
        editor->reject();
    });
    list->showProperties();
}

} // namespace
} // namespace pelmora::test
