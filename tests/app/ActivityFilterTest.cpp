#include "app/ActivityFilter.h"

#include <gtest/gtest.h>

namespace AF = pelmora::app::ActivityFilter;

namespace {

const QLocale us(QLocale::English, QLocale::UnitedStates);

TEST(ActivityFilterTest, RollingWindowsAreCountedInDaysFromToday)
{
    const QDate today(2027, 1, 31);
    struct Case {
        AF::DateItem item;
        const char* expected;
    };
    const Case cases[] = {
        { AF::Today, "DateOf = '1/31/2027'" },
        { AF::Tomorrow, "DateOf = '2/1/2027'" },
        { AF::ThisWeek, "(DateOf >= '1/31/2027') and  (DateOf <= '2/7/2027')" },
        { AF::NextWeek, "(DateOf >= '1/31/2027') and  (DateOf <= '2/7/2027')" },
        { AF::LastWeek, "(DateOf >= '1/24/2027') and  (DateOf <= '1/31/2027')" },
        { AF::ThisMonth, "(DateOf >= '1/16/2027') and  (DateOf <= '2/15/2027')" },
        { AF::NextMonth, "(DateOf >= '1/31/2027') and  (DateOf <= '3/2/2027')" }, // 30 days, not a calendar month
        { AF::LastMonth, "(DateOf >= '1/1/2027') and  (DateOf <= '1/31/2027')" },
        { AF::Future, "DateOf > '1/31/2027'" },
        { AF::Past, "DateOf < '1/31/2027'" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(AF::dateExpression(c.item, today, us), QLatin1String(c.expected)) << c.item;
}

TEST(ActivityFilterTest, AllAndDateRangeGiveNoRollingExpression)
{
    EXPECT_TRUE(AF::dateExpression(AF::AllDates, QDate(2027, 1, 31), us).isEmpty());
    EXPECT_TRUE(AF::dateExpression(AF::DateRange, QDate(2027, 1, 31), us).isEmpty());
    EXPECT_EQ(AF::dateRangeExpression(QStringLiteral("1/2/2027"), QStringLiteral("1/9/2027")),
        QStringLiteral("(DateOf >= '1/2/2027') and (DateOf <= '1/9/2027')"));
}

TEST(ActivityFilterTest, ExpressionDatesAlwaysCarryTheCentury)
{
    // The short form of these locales writes two-digit years; the engine must not guess 1927.
    EXPECT_EQ(AF::expressionDate(QDate(2027, 3, 4), us), QStringLiteral("3/4/2027"));
    EXPECT_EQ(AF::expressionDate(QDate(2027, 3, 4), QLocale(QLocale::English, QLocale::UnitedKingdom)),
        QStringLiteral("04/03/2027"));
    EXPECT_EQ(AF::expressionDate(QDate(2027, 3, 4), QLocale(QLocale::German, QLocale::Germany)),
        QStringLiteral("04.03.2027"));
}

TEST(ActivityFilterTest, ListsAndTheirConditions)
{
    EXPECT_EQ(AF::dateItems().size(), 12);
    EXPECT_EQ(AF::dateItems().at(AF::NextMonth), QStringLiteral("Next Month"));
    EXPECT_EQ(AF::statusItems(), (QStringList { "All", "Not Done", "Done" }));
    EXPECT_TRUE(AF::activityCondition(0, QStringLiteral("All")).isEmpty());
    EXPECT_TRUE(AF::activityCondition(-1, {}).isEmpty()); // nothing chosen after a refill
    EXPECT_EQ(AF::activityCondition(2, QStringLiteral("Call back")), QStringLiteral("Activity =\"Call back\""));
    EXPECT_EQ(
        AF::activityCondition(2, QStringLiteral("Lunch \"Joe\"")), QStringLiteral("Activity =\"Lunch \"\"Joe\"\"\""));
    EXPECT_TRUE(AF::statusCondition(0).isEmpty());
    EXPECT_EQ(AF::statusCondition(1), QStringLiteral("Done = \"False\""));
    EXPECT_EQ(AF::statusCondition(2), QStringLiteral("Done = \"True\""));
}

} // namespace
