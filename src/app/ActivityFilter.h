#pragma once

#include <QDate>
#include <QLocale>
#include <QString>
#include <QStringList>

namespace pelmora::app {

// The texts that narrow the contact's activities: the items of the three lists above the
// activity grid, and the conditions and filter expressions they stand for.
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

QStringList dateItems();
QStringList statusItems();

// A date as filter expressions write it: the locale's short form, but always with a four-digit
// year, so that the engine never has to guess the century of "1/31/27".
QString expressionDate(const QDate& date, const QLocale& locale = QLocale());

// The filter expression of a "Date" item other than "All" and "Date Range", counted in days
// from `today`, both ends included. Empty for "All" and "Date Range".
QString dateExpression(DateItem item, const QDate& today, const QLocale& locale = QLocale());

// The "Date Range" expression from the two dates as the user typed them.
QString dateRangeExpression(const QString& from, const QString& to);

// The condition of an activity description ("" when the first item, "All", is chosen) and of
// the "Status" list (0 "All", 1 "Not Done", 2 "Done").
QString activityCondition(int index, const QString& description);
QString statusCondition(int index);

} // namespace ActivityFilter

} // namespace pelmora::app
