#include "PageCommandsFixture.h"

#include "app/ActivitiesPage.h"
#include "widgets/TfrmFind.h"
#include "data/SqlDatabase.h"
#include "records/TfrmActivity.h"
#include "records/TfrmDefActivity.h"
#include "widgets/TableModel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using pelmora::data::TableView;
using pelmora::records::TfrmActivity;

namespace {

// Records changed through the editors and grids of the pages: only what the user meant is stored.
class RecordEditingTest : public pelmora::test::PageCommandsTest {
protected:
    RecordEditingTest() { contact = data->TBLCon.asInteger("Counter"); }
    TableView& activities() const { return data->TBLActivity; }
    std::int64_t addActivity(const char* details, bool done = false) const
    {
        data->currentDatabase()
            ->sql()
            .prepare("INSERT INTO \"Activity\" (\"Contact\", \"Activity\", \"Detailes\", \"Done\", \"DateOf\")"
                     " VALUES (?, 'Call', ?, ?, ?)")
            .bind(1, contact)
            .bind(2, std::string(details))
            .bind(3, std::int64_t(done))
            .bind(4, pelmora::data::Date::today().iso())
            .run();
        const std::int64_t counter = data->currentDatabase()->sql().lastInsertRowId();
        activities().refresh();
        return counter;
    }
    std::string storedDetails(std::int64_t counter) const
    {
        pelmora::data::Statement& read
            = data->currentDatabase()->sql().prepare("SELECT \"Detailes\" FROM \"Activity\" WHERE rowid = ?");
        read.bind(1, counter);
        const std::string text = read.step() ? pelmora::data::valueToString(read.column(0)) : "(gone)";
        read.reset(); // no read transaction is left open
        return text;
    }
    QLineEdit* details(TfrmActivity* editor) const
    {
        return editor->findChild<QLineEdit*>(QStringLiteral("edtDetailes"));
    }
    // "Edit Activity List" inside `editor`, closed again at once.
    void editActivityList(TfrmActivity* editor)
    {
        inModal<pelmora::records::TfrmDefActivity>(
            [editor] { editor->findChild<QToolButton*>(QStringLiteral("btnEditActivityList"))->click(); },
            [](pelmora::records::TfrmDefActivity* list) { list->accept(); });
    }
    void chooseStatus(int item) const
    {
        QComboBox* status = form->activitiesPage()->statusList();
        status->setCurrentIndex(item);
        emit status->activated(item);
    }

    std::int64_t contact = 0;
};

TEST_F(RecordEditingTest, EditingTheActivityListInsideTheEditorLeavesItsRecordAlone)
{
    // A new activity cancelled after the list was edited is not stored.
    const auto before = activities().recordCount();
    inModal<TfrmActivity>("btnAddActivity", [&](TfrmActivity* editor) {
        editActivityList(editor);
        editor->reject();
    });
    QCoreApplication::processEvents();
    EXPECT_EQ(activities().recordCount(), before);
    EXPECT_EQ(data->currentDatabase()->sql().scalar("SELECT count(*) FROM \"Activity\" WHERE \"Detailes\" IS NULL"
                                                    " AND \"Contact\" = ?",
                  { contact }),
        0);

    // With "Not Done" chosen, the editor keeps the activity it was opened on, even one the user
    // has just ticked off; the filter follows once the editor has closed.
    const std::int64_t renew = addActivity("Renew the service contract");
    const std::int64_t other = addActivity("Send the brochure");
    chooseStatus(1);
    ASSERT_TRUE(activities().gotoRowId(renew));
    inModal<TfrmActivity>("btnActivityProperties", [&](TfrmActivity* editor) {
        editor->findChild<QCheckBox*>(QStringLiteral("chkDone"))->click();
        editActivityList(editor);
        EXPECT_EQ(details(editor)->text(), QStringLiteral("Renew the service contract"));
        details(editor)->selectAll();
        QTest::keyClicks(details(editor), QStringLiteral("Renewed"));
        editor->accept();
    });
    QCoreApplication::processEvents();
    EXPECT_FALSE(activities().gotoRowId(renew)); // done now, so the filter hides it
    EXPECT_EQ(storedDetails(other), "Send the brochure");
    EXPECT_EQ(storedDetails(renew), "Renewed");
    EXPECT_TRUE(errors().isEmpty()) << errors().toStdString();
}

TEST_F(RecordEditingTest, CancelInAPropertiesEditorDiscardsTheEdit)
{
    const std::int64_t call = addActivity("Call the bank");
    addActivity("Write to the bank");
    ASSERT_TRUE(activities().gotoRowId(call));
    inModal<TfrmActivity>("btnActivityProperties", [&](TfrmActivity* editor) {
        details(editor)->selectAll();
        QTest::keyClicks(details(editor), QStringLiteral("Changed my mind"));
        editor->findChild<QCheckBox*>(QStringLiteral("chkDone"))->click();
        editor->reject();
    });
    EXPECT_FALSE(activities().isEditing());
    EXPECT_EQ(activities().asString("Detailes"), "Call the bank");
    activities().next(); // a move used to post what Cancel left in the buffer
    EXPECT_EQ(storedDetails(call), "Call the bank");
    ASSERT_TRUE(activities().gotoRowId(call));
    EXPECT_FALSE(activities().asBoolean("Done"));
}

TEST_F(RecordEditingTest, OnlyTheActivityGridFlipsALogicalCellOnOneClick)
{
    // A received message: one click on its "Queued" cell does not queue it, a deliberate edit does.
    data->TBLEmail.insert();
    data->TBLEmail.setString("Subject", "Received");
    data->TBLEmail.post();
    form->showPage(pelmora::app::TfrmMainForm::EmailTab);
    auto* mail = form->findChild<pelmora::app::TDBGrid*>(QStringLiteral("grdEmail"));
    QCoreApplication::processEvents();
    int queue = -1;
    for (int c = 0; c < mail->model()->columnCount(); ++c)
        if (mail->tableModel()->field(c).name == "Queue")
            queue = c;
    ASSERT_GE(queue, 0);
    const QModelIndex queued = mail->model()->index(0, queue);
    QTest::mouseClick(mail->viewport(), Qt::LeftButton, {}, mail->visualRect(queued).center());
    EXPECT_FALSE(data->TBLEmail.asBoolean("Queue"));
    EXPECT_FALSE(data->TBLEmail.isEditing());
    QTest::keyClick(mail, Qt::Key_Space);
    EXPECT_TRUE(data->TBLEmail.asBoolean("Queue"));
    EXPECT_FALSE(data->TBLEmail.isEditing());
    QTest::mouseDClick(mail->viewport(), Qt::LeftButton, {}, mail->visualRect(queued).center());
    EXPECT_FALSE(data->TBLEmail.asBoolean("Queue"));

    const std::int64_t task = addActivity("Tick me off");
    form->showPage(pelmora::app::TfrmMainForm::ActivitiesTab);
    auto* grid = form->findChild<pelmora::app::TDBGrid*>(QStringLiteral("grdActivity"));
    QCoreApplication::processEvents();
    ASSERT_TRUE(activities().gotoRowId(task));
    const QModelIndex done = grid->model()->index(static_cast<int>(activities().recNo()) - 1, 3);
    ASSERT_EQ(grid->tableModel()->field(3).name, "Done");
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(done).center());
    EXPECT_TRUE(activities().asBoolean("Done"));
    EXPECT_FALSE(activities().isEditing());
}

TEST_F(RecordEditingTest, FindReadsADateAsTheWindowsShowIt)
{
    const std::int64_t other = data->TBLCon.asInteger("Counter");
    data->TBLCon.last();
    const std::int64_t target = data->TBLCon.asInteger("Counter");
    ASSERT_NE(other, target);
    data->TBLCon.edit();
    data->TBLCon.setString("Created", "1999-01-20");
    data->TBLCon.post();
    data->TBLCon.first();
    pelmora::app::TfrmFind find(form->dsCon(), form.get());
    find.fieldList()->setCurrentText(QStringLiteral("Created"));
    find.valueEdit()->setText(QStringLiteral("1/20/1999"));
    EXPECT_TRUE(find.find(false)) << errors().toStdString();
    EXPECT_EQ(data->TBLCon.asInteger("Counter"), target);

    // Text that is no date says so in the edits' words instead of "No contact holds".
    find.valueEdit()->setText(QStringLiteral("20th"));
    EXPECT_FALSE(find.find(false));
    ASSERT_EQ(prompts->shown.size(), 1);
    EXPECT_TRUE(prompts->shown.front().startsWith(
        QStringLiteral("Locate Field Value|'20th' is not a valid date; dates look like ")))
        << prompts->shown.front().toStdString();
    EXPECT_TRUE(prompts->shown.front().endsWith(QStringLiteral(" (Created)"))) << prompts->shown.front().toStdString();
    EXPECT_EQ(data->TBLCon.asInteger("Counter"), target);
}

} // namespace
