#pragma once

#include "data/Value.h"

#include <QDate>
#include <QLocale>
#include <QString>

namespace pelmora::app {

// Dates are stored ISO and shown, typed and written into filter expressions in the locale's
// short form. The form always carries a four-digit year, so "1/31/27" is never left for the
// engine to place in a century.
QString shortDatePattern(const QLocale& locale = QLocale());
// The same form for the table engine, which reads typed dates and filter expressions in it.
data::DateFormat engineDateFormat(const QLocale& locale = QLocale());

QString dateText(const QDate& date, const QLocale& locale = QLocale());
// The most characters a date box needs: the longest date of the locale's form, or an ISO date.
int dateTextLength(const QLocale& locale = QLocale());
// An ISO date as the user reads it; other text (a date not yet checked) is shown unchanged.
QString isoToDateText(const QString& iso, const QLocale& locale = QLocale());

QDate toQDate(const data::Date& date);
data::Date fromQDate(const QDate& date);

} // namespace pelmora::app
