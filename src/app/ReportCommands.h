#pragma once

#include <QObject>

class QWidget;

namespace pelmora::data {
class TfrmDataModule;
}

namespace pelmora::app {

class TDataSource;
class TfrmMainForm;

// Turns on the report button `button` of a list window and previews report `report` from it.
void wireListReport(QWidget* window, const char* button, data::TfrmDataModule& data, const char* report);

// The main window's report commands: "&Print", "&Reports" and "Generate a Report" choose one of
// the two contact reports; the Activities, Documents, E-mail and Links pages print their own.
class ReportCommands : public QObject {
    Q_OBJECT
public:
    ReportCommands(TfrmMainForm* form, data::TfrmDataModule& data, TDataSource* dsCon);

    void chooseContactReport();
    // Posts what is typed on the main window, then previews report `name` over its records.
    void preview(const char* name);

private:
    TfrmMainForm* m_form;
    data::TfrmDataModule& m_data;
    TDataSource* m_dsCon;
};

} // namespace pelmora::app
