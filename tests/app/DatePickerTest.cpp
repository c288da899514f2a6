#include "DayOfAction.h"
#include "GuiTest.h"

#include "widgets/TBrDateForm.h"
#include "widgets/TfrmMemo.h"

#include <QCalendarWidget>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

using pelmora::app::TBrDateForm;
using pelmora::app::TfrmMemo;

namespace {

class DatePickerTest : public pelmora::test::GuiTestBase {
protected:
    void SetUp() override
    {
        pelmora::test::guiApp();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    QString title() const { return form.findChild<QLabel*>(QStringLiteral("lblMonth"))->text(); }
    void click(const char* name) { form.findChild<QToolButton*>(QLatin1String(name))->click(); }

    TBrDateForm form;
};

TEST_F(DatePickerTest, ArrowsStepMonthsKeepingTheDayOrTakingTheMonthsLast)
{
    form.setDate(QDate(2027, 1, 31));
    EXPECT_EQ(title(), QStringLiteral("January, 2027"));
    click("btnNextMonth");
    EXPECT_EQ(form.date(), QDate(2027, 2, 28));
    EXPECT_EQ(title(), QStringLiteral("February, 2027"));

    form.setDate(QDate(2028, 1, 31)); // leap year
    click("btnNextMonth");
    EXPECT_EQ(form.date(), QDate(2028, 2, 29));

    form.setDate(QDate(2027, 3, 31));
    click("btnPrevMonth");
    EXPECT_EQ(form.date(), QDate(2027, 2, 28));

    form.setDate(QDate(2027, 1, 15));
    click("btnPrevMonth");
    EXPECT_EQ(form.date(), QDate(2026, 12, 15));
    EXPECT_EQ(title(), QStringLiteral("December, 2026"));
}

TEST_F(DatePickerTest, ChoosingADayOnTheCalendarUpdatesTheTitle)
{
    form.setDate(QDate(2027, 5, 10));
    form.findChild<QCalendarWidget*>()->setSelectedDate(QDate(2027, 6, 2));
    EXPECT_EQ(title(), QStringLiteral("June, 2027"));
    EXPECT_EQ(form.date(), QDate(2027, 6, 2));
}

TEST_F(DatePickerTest, ActivatingADayClosesWithOk)
{
    form.setDate(QDate(2027, 5, 10));
    form.show();
    auto* view = form.findChild<QCalendarWidget*>()->findChild<QTableView*>();
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_EQ(form.result(), QDialog::Accepted);
}

TEST_F(DatePickerTest, PickStartsOnTodayAndReturnsNothingOnCancel)
{
    QDate seen;
    const QDate before = QDate::currentDate();
    QTimer::singleShot(0, [&seen] {
        auto* active = qobject_cast<TBrDateForm*>(QApplication::activeModalWidget());
        ASSERT_NE(active, nullptr);
        seen = active->date();
        active->reject();
    });
    EXPECT_FALSE(TBrDateForm::pick(nullptr).has_value());
    EXPECT_TRUE(pelmora::test::isDayOfAction(seen, before, QDate::currentDate()));

    QTimer::singleShot(0, [] {
        auto* active = qobject_cast<TBrDateForm*>(QApplication::activeModalWidget());
        ASSERT_NE(active, nullptr);
        active->stepForward();
        active->accept();
    });
    const QDate start = QDate::currentDate();
    const std::optional<QDate> picked = TBrDateForm::pick(nullptr);
    ASSERT_TRUE(picked.has_value());
    EXPECT_TRUE(pelmora::test::isDayOfAction(*picked, start.addMonths(1), QDate::currentDate().addMonths(1)));
}

TEST(MemoBoxTest, EditsTheWholeTextAndKeepsItOnlyOnOk)
{
    pelmora::test::guiApp();
    QTimer::singleShot(0, [] {
        auto* memo = qobject_cast<TfrmMemo*>(QApplication::activeModalWidget());
        ASSERT_NE(memo, nullptr);
        EXPECT_EQ(memo->windowTitle(), QStringLiteral("Site Description"));
        EXPECT_EQ(memo->size(), QSize(500, 350));
        EXPECT_EQ(memo->findChild<QPlainTextEdit*>()->font().pixelSize(), 12);
        memo->setText(memo->text() + QStringLiteral("\nsecond line"));
        memo->accept();
    });
    EXPECT_EQ(TfrmMemo::edit(nullptr, QStringLiteral("Site Description"), QStringLiteral("first line")),
        QStringLiteral("first line\nsecond line"));

    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    EXPECT_FALSE(TfrmMemo::edit(nullptr, QStringLiteral("Notes"), QStringLiteral("kept")).has_value());
}

} // namespace
