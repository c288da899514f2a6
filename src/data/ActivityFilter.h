#pragma once

#include "data/Value.h"

#include <string>
#include <vector>

namespace pelmora::data {

// The texts that narrow a list of activities: the items of the "Activity", "Date" and "Status"
// lists above an activity grid, and the conditions and filter expressions they stand for. Shared
// by the contact's activities page, the activity list and the command line.
namespace ActivityFilter {

// Items of the "Date" list; the index is the item's position.
enum DateItem {
    AllDates,
    DateRange,
    Today,
    Tomorrow,
    ThisWeek,
    NextWeek,
    LastWeek,
    ThisMonth,
    NextMonth,
    LastMonth,
    Future,
    Past,
};

std::vector<std::string> dateItems();
std::vector<std::string> statusItems();
// The item of the "Date" list named `text` (case ignored); AllDates when none is.
DateItem dateItemNamed(const std::string& text, bool* known = nullptr);

// The filter expression of a "Date" item other than "All" and "Date Range", counted in days
// from `today`, both ends included, its dates written in `dates` (which must write the century,
// so the engine never guesses it). Empty for "All" and "Date Range".
std::string dateExpression(DateItem item, const Date& today, const DateFormat& dates);

// The "Date Range" expression from the two dates as the user typed them.
std::string dateRangeExpression(const std::string& from, const std::string& to);

// The condition of the activity name chosen at `index` ("" for the first item, "All", or none):
// the whole name, whatever quotes or asterisks it holds.
std::string activityCondition(int index, const std::string& description);
// The condition of the "Status" list (0 "All", 1 "Not Done", 2 "Done").
std::string statusCondition(int index);

} // namespace ActivityFilter

} // namespace pelmora::data
