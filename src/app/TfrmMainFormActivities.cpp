// The main window's activity filter: the three lists above the activity grid and the filter
// they build on the contact's activities.
#include "app/TfrmMainForm.h"

#include "app/ActivitiesPage.h"
#include "data/ActivityFilter.h"
#include "data/TfrmDataModule.h"
#include "records/TfrmDateRange1.h"
#include "widgets/DateText.h"
#include "widgets/TDataSource.h"

#include <QApplication>
#include <QComboBox>

namespace pelmora::app {

QStringList TfrmMainForm::activityNames() const
{
    QStringList names;
    data::TableView& list = m_data->TBLActDesc;
    if (list.isOpen()) {
        const int column = list.fieldIndex("ActDesc");
        for (const data::Record& row : list.rows(0, list.recordCount()))
            names << QString::fromStdString(data::valueToString(row.values[static_cast<size_t>(column)]));
    }
    return names;
}

void TfrmMainForm::fillActivityList()
{
    m_activitiesPage->setActivityDescriptions(activityNames());
}

void TfrmMainForm::applyActivityFilter()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    data::TableView& activities = m_data->TBLActivity;
    const QString dateExpression = activityDateExpression();
    TDataSource source(activities);
    source.guarded(this, [&] {
        activities.clearConditions();
        activities.setFiltered(false);
        activities.setFilter({});
    });
    // A date the engine cannot read is reported in its words and gives no date condition; the
    // other two lists still apply.
    const bool dated = !dateExpression.isEmpty()
        && source.guarded(this, [&] { activities.setFilter(dateExpression.toStdString()); });
    source.guarded(this, [&] {
        QComboBox* activity = m_activitiesPage->activityList();
        const std::string condition
            = data::ActivityFilter::activityCondition(activity->currentIndex(), activity->currentText().toStdString());
        if (!condition.empty())
            activities.addCondition(condition);
        const std::string status
            = data::ActivityFilter::statusCondition(m_activitiesPage->statusList()->currentIndex());
        if (!status.empty())
            activities.addCondition(status);
        activities.setFiltered(dated);
        activities.applyConditions();
    });
    QApplication::restoreOverrideCursor();
}

QString TfrmMainForm::activityDateExpression()
{
    const int dateItem = m_activitiesPage->dateList()->currentIndex();
    if (dateItem != data::ActivityFilter::DateRange) {
        return QString::fromStdString(
            data::ActivityFilter::dateExpression(static_cast<data::ActivityFilter::DateItem>(qMax(0, dateItem)),
                fromQDate(QDate::currentDate()), engineDateFormat()));
    }
    if (!m_askDateRange)
        return m_dateRangeExpression; // the lists were rebuilt, not the range chosen again
    m_askDateRange = false;
    if (!m_dateRange)
        m_dateRange = new records::TfrmDateRange1(this);
    QApplication::restoreOverrideCursor(); // the user works in the dialog
    const auto range = m_dateRange->ask();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_dateRangeExpression = range ? QString::fromStdString(data::ActivityFilter::dateRangeExpression(
                                range->first.toStdString(), range->second.toStdString()))
                                  : QString();
    return m_dateRangeExpression;
}

} // namespace pelmora::app
