#pragma once

#include <QWidget>

#include <memory>

class QComboBox;
class QPushButton;

namespace pelmora::data {
class TfrmDataModule;
}

namespace pelmora::app {
class TDBGrid;
class TDataSource;
} // namespace pelmora::app

namespace pelmora::records {

class TfrmDateRange1;

// "Activity List": the activities of every contact in one grid, narrowed by name, date and
// status. The grid edits in place but never starts a record: an activity belongs to a contact,
// and this list is tied to none.
class TFrmActivityList : public QWidget {
    Q_OBJECT
public:
    // `contactSource` is the main window's contact source (posted before a jump to a contact);
    // it may be null.
    TFrmActivityList(data::TfrmDataModule& data, app::TDataSource* contactSource, QWidget* parent = nullptr);
    ~TFrmActivityList() override;

    app::TDBGrid* grid() const { return m_grid; }
    app::TDataSource* source() const { return m_source; }
    QComboBox* activityList() const { return m_activity; }
    QComboBox* dateList() const { return m_date; }
    QComboBox* statusList() const { return m_status; }
    TfrmDateRange1* dateRangeDialog();

    // Rebuilds the filter from the three lists; the "Date Range" item asks for its dates.
    void applyFilter();
    // Reads the activities and their names anew, as each activation of the window does.
    void refreshFromDisk();

    void showProperties();
    // Makes the activity's contact the main window's current one and hides the list; false (after
    // "No Contact was Found") when the contact is not in the main window's view.
    bool goToContact();
    void deleteActivity();
    void search();

signals:
    // The contact of an activity became the main window's current one.
    void contactShown();

protected:
    void changeEvent(QEvent* event) override;

private:
    void fillActivityNames();
    void pickDate(const QString& field);

    data::TfrmDataModule& m_data;
    app::TDataSource* m_contacts;
    app::TDataSource* m_source;
    app::TDBGrid* m_grid;
    QComboBox* m_activity;
    QComboBox* m_date;
    QComboBox* m_status;
    TfrmDateRange1* m_dateRange = nullptr;
};

} // namespace pelmora::records
