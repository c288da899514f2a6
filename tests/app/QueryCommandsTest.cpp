#include "SampleMainForm.h"

#include "app/GuiDataPrompts.h"
#include "app/MainCommands.h"
#include "app/TfrmFilter.h"
#include "widgets/TfrmFind.h"
#include "app/TfrmMainForm.h"
#include "app/TfrmSearch.h"
#include "app/Tfrmsort.h"
#include "data/TfrmDataModule.h"
#include "widgets/DateText.h"
#include "widgets/TDBGrid.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using pelmora::app::TfrmMainForm;

namespace {

// The query commands of the main window over a fresh Sample database. Each dialog is answered
// from a timer once it is shown modally, as a user would.
class QueryCommandsTest : public pelmora::test::SampleMainFormTest {
protected:
    QAction* command(const char* name) const { return form->commands()->action(QLatin1String(name)); }
    QLabel* counter() const { return form->findChild<QLabel*>(QStringLiteral("lblFilterCount")); }
    // The tool bar shows the counter once it lays itself out again; its action says so at once.
    bool counterShown() const { return form->findChild<QAction*>(QStringLiteral("actFilterCount"))->isVisible(); }

    // Runs `answer` on the modal dialog of type T that `name` opens.
    template <typename T> void answer(const char* name, std::function<void(T*)> respond)
    {
        bool answered = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            respond(dialog);
            answered = true;
            if (dialog->isVisible())
                dialog->reject();
        });
        command(name)->trigger();
        EXPECT_TRUE(answered);
    }
};

TEST_F(QueryCommandsTest, FilterToggleShowsTheDialogAndTheCounterAndRemovesWithoutIt)
{
    const auto all = data->TBLCon.recordCount();
    answer<pelmora::app::TfrmFilter>("mnuFilter", [](auto* dialog) { dialog->reject(); });
    EXPECT_FALSE(command("mnuFilter")->isChecked());
    EXPECT_FALSE(counterShown());

    answer<pelmora::app::TfrmFilter>("mnuFilter", [](auto* dialog) {
        dialog->setValue(QStringLiteral("LName"), QStringLiteral("Mar")); // "starts with" by default
        dialog->accept();
    });
    EXPECT_TRUE(command("mnuFilter")->isChecked());
    EXPECT_TRUE(counterShown());
    EXPECT_EQ(counter()->text(), QStringLiteral("Filter On = %1").arg(data->TBLCon.recordCount()));
    EXPECT_LT(data->TBLCon.recordCount(), all);
    data->TBLCon.first();
    for (int i = 0; i < 1000 && !data->TBLCon.eof(); ++i, data->TBLCon.next())
        EXPECT_EQ(data->TBLCon.asString("LName").rfind("Mar", 0), 0u) << data->TBLCon.asString("LName");

    command("mnuFilter")->trigger(); // no dialog this time: a dialog would wait for ever here
    EXPECT_FALSE(command("mnuFilter")->isChecked());
    EXPECT_FALSE(counterShown());
    EXPECT_EQ(data->TBLCon.recordCount(), all);
}

TEST_F(QueryCommandsTest, FilterValuesMayHoldBothQuotationMarks)
{
    const std::string company = "O'Brien \"Bros\"";
    data->TBLCon.edit();
    data->TBLCon.setString("Company", company);
    data->TBLCon.post();
    answer<pelmora::app::TfrmFilter>("mnuFilter", [](auto* dialog) {
        dialog->setValue(QStringLiteral("Company"), QStringLiteral("O'Brien \"B"));
        dialog->accept();
    });
    EXPECT_TRUE(prompts->shown.isEmpty()) << prompts->shown.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(data->TBLCon.recordCount(), 1);
    EXPECT_EQ(data->TBLCon.asString("Company"), company);
}

TEST_F(QueryCommandsTest, AValueTheEngineCannotReadKeepsTheFilterDialogOpen)
{
    bool stayedOpen = false;
    answer<pelmora::app::TfrmFilter>("mnuFilter", [&](auto* dialog) {
        dialog->setValue(QStringLiteral("Created"), QStringLiteral("31/31/31"));
        dialog->accept();
        stayedOpen = dialog->isVisible();
    });
    EXPECT_TRUE(stayedOpen);
    EXPECT_EQ(prompts->shown.size(), 1);
    EXPECT_FALSE(command("mnuFilter")->isChecked());
}

TEST_F(QueryCommandsTest, SortSwitchesTheOrderAtOnceAndCancelKeepsIt)
{
    answer<pelmora::app::Tfrmsort>("mnuSort", [](auto* dialog) {
        QComboBox* fields = dialog->fieldList();
        ASSERT_GE(fields->findText(QStringLiteral("Contact Number")), 0);
        const int company = fields->findText(QStringLiteral("Company"));
        ASSERT_GE(company, 0) << "Company should be an indexed field";
        fields->setCurrentIndex(company);
        emit fields->activated(company);
        dialog->reject();
    });
    EXPECT_EQ(data->TBLCon.indexName().empty(), false);
    data->TBLCon.first();
    const std::string first = data->TBLCon.asString("Company");
    data->TBLCon.next();
    EXPECT_LE(QString::fromStdString(first).compare(
                  QString::fromStdString(data->TBLCon.asString("Company")), Qt::CaseInsensitive),
        0);
}

TEST_F(QueryCommandsTest, FindMissSaysSoAndKeepsTheContactAndHitsMoveOn)
{
    const auto before = data->TBLCon.current()->rowId;
    answer<pelmora::app::TfrmFind>("mnuFind", [this](auto* dialog) {
        dialog->template findChild<QLineEdit*>(QStringLiteral("edtValue"))->setText(QStringLiteral("Nobody-here"));
        EXPECT_FALSE(dialog->find(false));
        EXPECT_EQ(prompts->shown.size(), 1);
        dialog->template findChild<QLineEdit*>(QStringLiteral("edtValue"))->setText(QStringLiteral("oka"));
        EXPECT_TRUE(dialog->find(false)); // start of the value, letter case ignored
    });
    EXPECT_NE(data->TBLCon.current()->rowId, before);
    EXPECT_EQ(data->TBLCon.asString("LName"), "Okafor");
}

TEST_F(QueryCommandsTest, SearchBrowsesApartAndOkMakesTheChoiceCurrent)
{
    const auto before = data->TBLCon.current()->rowId;
    data->TBLCon.last();
    const std::string wanted = data->TBLCon.asString("LName");
    data->TBLCon.gotoRowId(before);
    answer<pelmora::app::TfrmSearch>("mnuSearch", [this, before, wanted](auto* dialog) {
        EXPECT_LE(dialog->grid()->maximumHeight(), 209);
        QTest::keyClicks(dialog->searchEdit(), QString::fromStdString(wanted).toLower());
        EXPECT_EQ(data->TBLSearchCon.asString("LName"), wanted);
        EXPECT_EQ(data->TBLCon.current()->rowId, before); // the main window has not moved
        dialog->accept();
    });
    EXPECT_EQ(data->TBLCon.asString("LName"), wanted);
}

TEST_F(QueryCommandsTest, SearchArrowKeysMoveTheGridFromTheEditAndEnterChooses)
{
    data->TBLCon.last();
    const std::string lastName = data->TBLCon.asString("LName");
    data->TBLCon.prior();
    const std::string neighbour = data->TBLCon.asString("LName");
    data->TBLCon.first();
    answer<pelmora::app::TfrmSearch>("mnuSearch", [this, lastName, neighbour](auto* dialog) {
        dialog->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(dialog));
        dialog->searchEdit()->setFocus();
        QTest::keyClicks(dialog->searchEdit(), QString::fromStdString(lastName));
        ASSERT_EQ(data->TBLSearchCon.asString("LName"), lastName);
        QTest::keyClick(dialog->searchEdit(), Qt::Key_Up);
        EXPECT_EQ(data->TBLSearchCon.asString("LName"), neighbour);
        EXPECT_TRUE(dialog->searchEdit()->hasFocus());
        QTest::keyClick(dialog->searchEdit(), Qt::Key_Return);
        EXPECT_FALSE(dialog->isVisible());
    });
    EXPECT_EQ(data->TBLCon.asString("LName"), neighbour);
}

} // namespace
