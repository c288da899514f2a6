#pragma once

#include "records/TDetailEditor.h"

class QComboBox;

namespace pelmora::records {

// The editor of one activity.
class TfrmActivity : public TDetailEditor {
    Q_OBJECT
public:
    explicit TfrmActivity(app::TDataSource* source = nullptr, QWidget* parent = nullptr);

    // The activity names offered, from the activity-name list.
    void setActivityNames(const QStringList& names);

signals:
    // The small button beside the activity names: the list of names is to be edited.
    void editActivityList();

private:
    QComboBox* m_activity;
};

} // namespace pelmora::records
