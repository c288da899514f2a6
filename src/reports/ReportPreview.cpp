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
    : QPrintPreviewDialog(&reportPaper, parent)
    , m_report(report)
    , m_rows(std::move(rows))
{
    reportPaper.setPageLayout(reportPageLayout(report, reportPaper.pageLayout()));
    reportPaper.setDocName(QString::fromStdString(report.title));
    setObjectName(QStringLiteral("ReportPreview"));
    setWindowTitle(QString::fromStdString(report.title));
    connect(this, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* target) {
        reportErrors(this, [this, target] {
            auto reader = m_rows();
            paintReport(m_report, *reader, *target);
        });
    });
    if (auto* tools = findChild<QToolBar*>()) {
        QAction* save = tools->addAction(tr("Save as PDF"));
        save->setObjectName(QStringLiteral("actSaveAsPdf"));
        connect(save, &QAction::triggered, this, [this] { saveAsPdf(); });
    }
}

ReportPreview::~ReportPreview() = default;

bool ReportPreview::saveAsPdf()
{
    // The desktop's save dialog asks before an existing file is replaced.
    const QString file = app::prompts().saveFileName(this, tr("Save as PDF"), QString(), tr("PDF files (*.pdf)"));
    if (file.isEmpty())
        return false;
    return reportErrors(this, [this, &file] {
        auto reader = m_rows();
        writePdf(m_report, *reader, file, reportPaper.pageLayout());
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
