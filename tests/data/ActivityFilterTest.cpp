#include "data/ActivityFilter.h"

#include <gtest/gtest.h>

namespace AF = pelmora::data::ActivityFilter;
using pelmora::data::Date;
using pelmora::data::DateFormat;

namespace {

const DateFormat us("M/d/yyyy");

TEST(ActivityFilterTest, RollingWindowsAreCountedInDaysFromToday)
{
    const Date today { 2027, 1, 31 };
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
        EXPECT_EQ(AF::dateExpression(c.item, today, us), c.expected) << c.item;
    // The year turns and a leap day counts in the other date forms alike.
    EXPECT_EQ(AF::dateExpression(AF::NextWeek, Date { 2028, 2, 26 }, DateFormat("dd.MM.yyyy")),
        "(DateOf >= '26.02.2028') and  (DateOf <= '04.03.2028')");
    EXPECT_EQ(AF::dateExpression(AF::LastWeek, Date { 2027, 1, 3 }, DateFormat("yyyy-MM-dd")),
        "(DateOf >= '2026-12-27') and  (DateOf <= '2027-01-03')");
}

TEST(ActivityFilterTest, AllAndDateRangeGiveNoRollingExpression)
{
    EXPECT_TRUE(AF::dateExpression(AF::AllDates, Date { 2027, 1, 31 }, us).empty());
    EXPECT_TRUE(AF::dateExpression(AF::DateRange, Date { 2027, 1, 31 }, us).empty());
    EXPECT_EQ(AF::dateRangeExpression("1/2/2027", "1/9/2027"), "(DateOf >= '1/2/2027') and (DateOf <= '1/9/2027')");
    // A quote typed into a date box stays inside the text.
    EXPECT_EQ(AF::dateRangeExpression("1/2/2027') or (Done = 1", "x"),
        "(DateOf >= '1/2/2027'') or (Done = 1') and (DateOf <= 'x')");
}

TEST(ActivityFilterTest, ListsAndTheirConditions)
{
    EXPECT_EQ(AF::dateItems().size(), 12u);
    EXPECT_EQ(AF::dateItems().at(AF::NextMonth), "Next Month");
    EXPECT_EQ(AF::statusItems(), (std::vector<std::string> { "All", "Not Done", "Done" }));
    bool known = false;
    EXPECT_EQ(AF::dateItemNamed("next week", &known), AF::NextWeek);
    EXPECT_TRUE(known);
    EXPECT_EQ(AF::dateItemNamed("someday", &known), AF::AllDates);
    EXPECT_FALSE(known);
    EXPECT_TRUE(AF::activityCondition(0, "All").empty());
    EXPECT_TRUE(AF::activityCondition(-1, {}).empty()); // nothing chosen after a refill
    EXPECT_EQ(AF::activityCondition(2, "Call back"), "Activity ==\"Call back\"");
    EXPECT_EQ(AF::activityCondition(2, "Lunch \"Joe\""), "Activity ==\"Lunch \"\"Joe\"\"\"");
    EXPECT_TRUE(AF::statusCondition(0).empty());
    EXPECT_EQ(AF::statusCondition(1), "Done = \"False\"");
    EXPECT_EQ(AF::statusCondition(2), "Done = \"True\"");
}

} // namespace
