#include "data/Value.h"

#include <gtest/gtest.h>

namespace pelmora::data {
namespace {

struct DateCase {
    const char* pattern;
    const char* text;
    const char* iso; // nullptr: not a date
};

TEST(DateFormat, ReadsTheShortFormAndIsoAlike)
{
    const DateCase cases[] = {
        { "M/d/yyyy", "12/31/2026", "2026-12-31" },
        { "M/d/yyyy", "1/2/26", "2026-01-02" },
        { "M/d/yyyy", "2026-03-04", "2026-03-04" },
        { "dd.MM.yyyy", "31.12.2026", "2026-12-31" },
        { "dd.MM.yyyy", "12/31/2026", nullptr },
        { "M/d/yyyy", "2/29/2025", nullptr },
        { "M/d/yyyy", "2/29/2024", "2024-02-29" },
        { "M/d/yyyy", "13/1/2026", nullptr },
        { "M/d/yyyy", "1//2026", nullptr },
        { "M/d/yyyy", "tomorrow", nullptr },
        { "M/d/yyyy", "", nullptr },
        { "M/d/yyyy", "1/2/3/4", nullptr },
        { "yyyy-MM-dd", "2026-1-5", "2026-01-05" },
        { "M/d/yyyy", "99999/1/1", nullptr },
        { "M/d/yyyy", "1/2/202", nullptr }, // a digit short, not the year 202
        { "M/d/yyyy", "1/2/5", nullptr },
        { "yyyy-MM-dd", "999-1-5", nullptr },
    };
    for (const DateCase& c : cases) {
        const auto date = DateFormat(c.pattern).parse(c.text);
        if (c.iso) {
            ASSERT_TRUE(date) << c.pattern << " " << c.text;
            EXPECT_EQ(date->iso(), c.iso) << c.pattern << " " << c.text;
        } else {
            EXPECT_FALSE(date) << c.pattern << " " << c.text;
        }
    }
}

TEST(Numbers, OnlyPlainDecimalsAreNumbers)
{
    EXPECT_EQ(parseDecimal("-12.5e2"), -1250.0);
    EXPECT_EQ(parseDecimal("7"), 7.0);
    for (const char* text : { "nan", "NaN", "inf", "-Infinity", "0x1A", "0x1p3", "1e999", "", " 1", "1,5", "12abc" })
        EXPECT_FALSE(parseDecimal(text)) << text;
}

TEST(DateFormat, WritesWhatItReads)
{
    const Date date { 2026, 3, 7 };
    EXPECT_EQ(DateFormat("M/d/yyyy").format(date), "3/7/2026");
    EXPECT_EQ(DateFormat("dd.MM.yyyy").format(date), "07.03.2026");
    EXPECT_EQ(DateFormat("dd/MM/yy").format(date), "07/03/26");
    for (const char* pattern : { "M/d/yyyy", "dd.MM.yyyy", "yyyy-MM-dd", "dd/MM/yy" })
        EXPECT_EQ(DateFormat(pattern).parse(DateFormat(pattern).format(date)), date) << pattern;
}

TEST(Date, CountsDaysAcrossMonthsAndYears)
{
    EXPECT_EQ(Date({ 2026, 1, 31 }).addDays(30).iso(), "2026-03-02"); // "Next Month" from 31 January
    EXPECT_EQ(Date({ 2024, 1, 31 }).addDays(30).iso(), "2024-03-01");
    EXPECT_EQ(Date({ 2026, 1, 1 }).addDays(-1).iso(), "2025-12-31");
    EXPECT_FALSE(Date::fromIso("2026-02-30"));
    EXPECT_FALSE(Date::fromIso("2026-2-3"));
}

} // namespace
} // namespace pelmora::data
