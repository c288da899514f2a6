#include "app/ReportCommands.h"

#include "app/MainCommands.h"
#include "app/TfrmMainForm.h"
#include "reports/ReportPreview.h"
#include "reports/TfrmReportDlg.h"
#include "widgets/TDataSource.h"

#include <QAbstractButton>
#include <QAction>

namespace pelmora::app {

ReportCommands::ReportCommands(TfrmMainForm* form, data::TfrmDataModule& data, TDataSource* dsCon)
    : QObject(form)
    , m_form(form)
    , m_data(data)
    , m_dsCon(dsCon)
{
    for (const char* name : { "mnuPrint", "mnuReports" }) {
        QAction* command = form->commands()->action(QLatin1String(name));
        command->setEnabled(true);
        connect(command, &QAction::triggered, this, &ReportCommands::chooseContactReport);
    }
    const std::pair<const char*, const char*> buttons[] = { { "btnActivityReport", "activities" },
        { "btnDocumentsReport", "documents" }, { "btnEmailReport", "email" }, { "btnLinksReport", "links" } };
    for (const auto& [button, report] : buttons) {
        if (auto* b = form->findChild<QAbstractButton*>(QLatin1String(button))) {
            b->setEnabled(true);
            connect(b, &QAbstractButton::clicked, this, [this, report = report] { preview(report); });
        }
    }
}

void wireListReport(QWidget* window, const char* button, data::TfrmDataModule& data, const char* report)
{
    auto* b = window->findChild<QAbstractButton*>(QLatin1String(button));
    if (!b)
        return;
    b->setEnabled(true);
    QObject::connect(b, &QAbstractButton::clicked, window,
        [window, &data, report] { reports::previewReport(window, data, report); });
}

void ReportCommands::chooseContactReport()
{
    const std::string report = reports::TfrmReportDlg::choose(m_form);
    if (!report.empty())
        preview(report.c_str());
}

void ReportCommands::preview(const char* name)
{
    if (m_dsCon->post(m_form))
        reports::previewReport(m_form, m_data, name);
}

} // namespace pelmora::app
