#pragma once

#include "app/GridPage.h"

class QComboBox;
class QHBoxLayout;

namespace pelmora::app {

// Page 3: the contact's activities, narrowed by the three lists of the button row.
class ActivitiesPage : public GridPage {
    Q_OBJECT
public:
    explicit ActivitiesPage(QWidget* parent = nullptr);

    // Refills the "Activity" list: "All", then the descriptions; none of them chosen, so no
    // activity condition applies until the user picks one.
    void setActivityDescriptions(const QStringList& descriptions);

    QComboBox* activityList() const { return m_activity; }
    QComboBox* dateList() const { return m_date; }
    QComboBox* statusList() const { return m_status; }

signals:
    // The user chose an item of the "Date" list (sent before filterChanged), so a "Date Range"
    // is asked for anew; a rebuild for another reason keeps the range chosen last.
    void dateChosen();
    // One of the three lists changed; the activity filter is to be rebuilt.
    void filterChanged();

private:
    QComboBox* addList(const QString& caption, const QString& name);

    QHBoxLayout* m_filters;
    QComboBox* m_activity;
    QComboBox* m_date;
    QComboBox* m_status;
};

} // namespace pelmora::app
