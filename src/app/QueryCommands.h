#pragma once

#include <QObject>

class QAction;
class QLabel;

namespace pelmora::data {
class TfrmDataModule;
}

namespace pelmora::app {

class TDataSource;
class TfrmFilter;
class TfrmMainForm;

// The commands that narrow and order the contacts: the filter toggle with its counter beside
// the tool bar, and the search, find and sort dialogs.
class QueryCommands : public QObject {
    Q_OBJECT
public:
    QueryCommands(TfrmMainForm* form, data::TfrmDataModule& data, TDataSource* dsCon);

    bool filterOn() const;
    // Turns the contact filter on from the filter dialog, or off when it is on.
    void toggleFilter();
    // Removes the contact filter if one is on (the database list does this before its commands).
    void removeFilter();
    // The contacts' current order in words ("Last Name", "Contact Number").
    QString orderName() const;

private:
    void showState();

    TfrmMainForm* m_form;
    data::TfrmDataModule& m_data;
    TDataSource* m_dsCon;
    TfrmFilter* m_filter;
    QLabel* m_counter;
    QAction* m_counterAction;
};

} // namespace pelmora::app
