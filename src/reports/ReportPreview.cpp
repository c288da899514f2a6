#include "reports/ReportPreview.h"

#include "data/TfrmDataModule.h"
#include "reports/ReportPainter.h"
#include "widgets/Prompts.h"

#include <QAction>
#include <QPrinter>
#include <QPrintPreviewDialog>
#include <QToolBar>

namespace pelmora::reports {

using namespace reportcore;

namespace {

// Runs `work`, showing what went wrong instead of letting it reach the event loop.
bool reportErrors(QWidget* parent, const std::function<void()>& work)
{
    try {
        work();
        return true;
    } catch (const std::exception& error) {
        app::prompts().showError(parent, QObject::tr("Reports"), QString::fromStdString(error.what()));
        return false;
    }
}

} // namespace

ReportPreview::ReportPreview(QWidget* parent, const ReportDescription& report, RowSource rows)
    : m_report(report)
    , m_rows(std::move(rows))
    , m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution))
{
    m_printer->setPageLayout(reportPageLayout(report, m_printer->pageLayout()));
    m_printer->setDocName(QString::fromStdString(report.title));
    m_dialog = std::make_unique<QPrintPreviewDialog>(m_printer.get(), parent);
    m_dialog->setObjectName(QStringLiteral("ReportPreview"));
    m_dialog->setWindowTitle(QString::fromStdString(report.title));
    QObject::connect(m_dialog.get(), &QPrintPreviewDialog::paintRequested, m_dialog.get(), [this](QPrinter* printer) {
        reportErrors(m_dialog.get(), [this, printer] {
            auto reader = m_rows();
            paintReport(m_report, *reader, *printer);
        });
    });
    if (auto* tools = m_dialog->findChild<QToolBar*>()) {
        QAction* save = tools->addAction(QObject::tr("Save as PDF"));
        save->setObjectName(QStringLiteral("actSaveAsPdf"));
        QObject::connect(save, &QAction::triggered, m_dialog.get(), [this] { saveAsPdf(); });
    }
}

ReportPreview::~ReportPreview() = default;

int ReportPreview::exec()
{
    return m_dialog->exec();
}

bool ReportPreview::saveAsPdf()
{
    // The desktop's save dialog asks before an existing file is replaced.
    const QString file = app::prompts().saveFileName(
        m_dialog.get(), QObject::tr("Save as PDF"), QString(), QObject::tr("PDF files (*.pdf)"));
    if (file.isEmpty())
        return false;
    return reportErrors(m_dialog.get(), [this, &file] {
        auto reader = m_rows();
        writePdf(m_report, *reader, file, m_printer->pageLayout());
    });
}

RowSource viewRows(data::TfrmDataModule& module, const ReportDescription& report)
{
    data::TableView* shown = module.view(report.view);
    std::optional<std::int64_t> contact;
    if (followsCurrentContact(report.source))
        contact = module.TBLCon.isEmpty() ? 0 : module.TBLCon.asInteger("Counter");
    return [&report, shown, contact] { return std::make_unique<ViewRowReader>(report, *shown, contact); };
}

void previewReport(QWidget* parent, data::TfrmDataModule& module, const std::string& name)
{
    const ReportDescription* report = findReport(name);
    if (!report || !module.view(report->view))
        return;
    data::TableView* shown = module.view(report->view);
    const bool posted = reportErrors(parent, [&module, report, shown] {
        if (followsCurrentContact(report->source) && module.TBLCon.isEditing())
            module.TBLCon.post();
        if (shown->isEditing())
            shown->post();
    });
    if (!posted)
        return;
    ReportPreview preview(parent, *report, viewRows(module, *report));
    preview.exec();
}

} // namespace pelmora::reports
