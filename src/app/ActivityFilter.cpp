#include "app/ActivityFilter.h"

#include "widgets/DateText.h"

#include <QCoreApplication>

namespace pelmora::app::ActivityFilter {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("ActivityFilter", text);
}

QString between(const QDate& from, const QDate& to, const QLocale& locale)
{
    // Two blanks after "and": other parts of the program match these texts as they are.
    return QStringLiteral("(DateOf >= '%1') and  (DateOf <= '%2')")
        .arg(expressionDate(from, locale), expressionDate(to, locale));
}

QString compare(const char* op, const QDate& date, const QLocale& locale)
{
    return QStringLiteral("DateOf %1 '%2'").arg(QLatin1String(op), expressionDate(date, locale));
}

} // namespace

QStringList dateItems()
{
    return { tr("All"), tr("Date Range"), tr("Today"), tr("Tomorrow"), tr("This Week"), tr("Next Week"),
        tr("Last Week"), tr("This Month"), tr("Next Month"), tr("Last Month"), tr("Future"), tr("Past") };
}

QStringList statusItems()
{
    return { tr("All"), tr("Not Done"), tr("Done") };
}

QString expressionDate(const QDate& date, const QLocale& locale)
{
    return dateText(date, locale);
}

QString dateExpression(DateItem item, const QDate& today, const QLocale& locale)
{
    switch (item) {
    case Today:
        return compare("=", today, locale);
    case Tomorrow:
        return compare("=", today.addDays(1), locale);
    case ThisWeek:
    case NextWeek: // both are the rolling week from today
        return between(today, today.addDays(7), locale);
    case LastWeek:
        return between(today.addDays(-7), today, locale);
    case ThisMonth:
        return between(today.addDays(-15), today.addDays(15), locale);
    case NextMonth:
        return between(today, today.addDays(30), locale);
    case LastMonth:
        return between(today.addDays(-30), today, locale);
    case Future:
        return compare(">", today, locale);
    case Past:
        return compare("<", today, locale);
    case AllDates:
    case DateRange:
        break;
    }
    return {};
}

QString dateRangeExpression(const QString& from, const QString& to)
{
    return QStringLiteral("(DateOf >= '%1') and (DateOf <= '%2')").arg(from, to);
}

QString activityCondition(int index, const QString& description)
{
    if (index <= 0)
        return {};
    // A quotation mark inside the name is doubled, so that the name stays one text.
    QString text = description;
    text.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QStringLiteral("Activity =\"%1\"").arg(text);
}

QString statusCondition(int index)
{
    switch (index) {
    case 1:
        return QStringLiteral("Done = \"False\"");
    case 2:
        return QStringLiteral("Done = \"True\"");
    default:
        return {};
    }
}

} // namespace pelmora::app::ActivityFilter
