#include "DayOfAction.h"
#include "PageCommandsFixture.h"

#include "app/ActivitiesPage.h"
#include "app/UserFieldsPage.h"
#include "data/ActivityFilter.h"
#include "records/TfrmDateRange1.h"
#include "records/TfrmDefMore.h"
#include "records/TLookupListForm.h"
#include "widgets/DateText.h"
#include "widgets/TBrDateForm.h"
#include "widgets/TCustomEditAndBtn.h"
#include "widgets/TDBGrid.h"

#include <QComboBox>
#include <QLineEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using pelmora::app::TDBGrid;
using pelmora::data::TableView;
using pelmora::data::Value;
using pelmora::records::TLookupListForm;

namespace {

using PageCommandsTest = pelmora::test::PageCommandsTest;

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
                page->dateList()->setCurrentIndex(pelmora::data::ActivityFilter::DateRange);
                emit page->dateList()->activated(pelmora::data::ActivityFilter::DateRange);
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
            // always today, whatever the box holds
            EXPECT_TRUE(
                pelmora::test::isDayOfAction(picker->date(), QDate::currentDate().addDays(-1), QDate::currentDate()));
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
