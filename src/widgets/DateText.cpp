#include "widgets/DateText.h"

namespace pelmora::app {

QString shortDatePattern(const QLocale& locale)
{
    QString pattern = locale.dateFormat(QLocale::ShortFormat);
    // A month written as a word ("2 Apr 2026") cannot be typed back reliably; ISO can.
    if (pattern.contains(QLatin1String("MMM")))
        return QStringLiteral("yyyy-MM-dd");
    if (!pattern.contains(QLatin1String("yyyy")))
        pattern.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    return pattern;
}

data::DateFormat engineDateFormat(const QLocale& locale)
{
    return data::DateFormat(shortDatePattern(locale).toStdString());
}

QString dateText(const QDate& date, const QLocale& locale)
{
    return locale.toString(date, shortDatePattern(locale));
}

int dateTextLength(const QLocale& locale)
{
    int longest = 10; // "yyyy-MM-dd" is read in every locale
    // Two-digit days and months, and every month in case the form names it.
    for (int month = 1; month <= 12; ++month)
        longest = qMax(longest, int(dateText(QDate(2026, month, 28), locale).size()));
    return longest;
}

QString isoToDateText(const QString& iso, const QLocale& locale)
{
    const QDate date = QDate::fromString(iso, Qt::ISODate);
    return date.isValid() ? dateText(date, locale) : iso;
}

QDate toQDate(const data::Date& date)
{
    return QDate(date.year, date.month, date.day);
}

data::Date fromQDate(const QDate& date)
{
    return data::Date { date.year(), date.month(), date.day() };
}

} // namespace pelmora::app
