#include "data/ActivityFilter.h"

#include "data/ExactCondition.h"
#include "data/Schema.h"

namespace pelmora::data::ActivityFilter {

namespace {

std::string between(const Date& from, const Date& to, const DateFormat& dates)
{
    // Two blanks after "and": other parts of the program match these texts as they are.
    return "(DateOf >= '" + dates.format(from) + "') and  (DateOf <= '" + dates.format(to) + "')";
}

std::string compare(const char* op, const Date& date, const DateFormat& dates)
{
    return std::string("DateOf ") + op + " '" + dates.format(date) + "'";
}

} // namespace

std::vector<std::string> dateItems()
{
    return { "All", "Date Range", "Today", "Tomorrow", "This Week", "Next Week", "Last Week", "This Month",
        "Next Month", "Last Month", "Future", "Past" };
}

std::vector<std::string> statusItems()
{
    return { "All", "Not Done", "Done" };
}

DateItem dateItemNamed(const std::string& text, bool* known)
{
    const std::vector<std::string> items = dateItems();
    for (size_t i = 0; i < items.size(); ++i) {
        if (equalsNoCase(items[i], text)) {
            if (known)
                *known = true;
            return static_cast<DateItem>(i);
        }
    }
    if (known)
        *known = false;
    return AllDates;
}

std::string dateExpression(DateItem item, const Date& today, const DateFormat& dates)
{
    switch (item) {
    case Today:
        return compare("=", today, dates);
    case Tomorrow:
        return compare("=", today.addDays(1), dates);
    case ThisWeek:
    case NextWeek: // both are the rolling week from today
        return between(today, today.addDays(7), dates);
    case LastWeek:
        return between(today.addDays(-7), today, dates);
    case ThisMonth:
        return between(today.addDays(-15), today.addDays(15), dates);
    case NextMonth:
        return between(today, today.addDays(30), dates);
    case LastMonth:
        return between(today.addDays(-30), today, dates);
    case Future:
        return compare(">", today, dates);
    case Past:
        return compare("<", today, dates);
    case AllDates:
    case DateRange:
        break;
    }
    return {};
}

std::string dateRangeExpression(const std::string& from, const std::string& to)
{
    // The typed texts are quoted like any text: a quote typed into a date box then makes the
    // engine report a bad date instead of changing the expression around it.
    auto quoted = [](const std::string& text) {
        std::string out;
        for (char c : text) {
            out += c;
            if (c == '\'')
                out += '\'';
        }
        return out;
    };
    return "(DateOf >= '" + quoted(from) + "') and (DateOf <= '" + quoted(to) + "')";
}

std::string activityCondition(int index, const std::string& description)
{
    if (index <= 0)
        return {};
    return exactCondition("Activity", description);
}

std::string statusCondition(int index)
{
    switch (index) {
    case 1:
        return "Done = \"False\"";
    case 2:
        return "Done = \"True\"";
    default:
        return {};
    }
}

} // namespace pelmora::data::ActivityFilter
