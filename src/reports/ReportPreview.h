#pragma once

#include "reportcore/ReportDescription.h"
#include "reportcore/ReportRows.h"

#include <functional>
#include <memory>
#include <string>

#include <QPrinter>
#include <QPrintPreviewDialog>

namespace pelmora::data {
class TfrmDataModule;
}

namespace pelmora::reports {

using RowSource = std::function<std::unique_ptr<reportcore::RowReader>()>;

// The printer a preview paints on; a base of its own, so that it exists before the dialog does.
struct PreviewPrinter {
    QPrinter reportPaper { QPrinter::HighResolution };
};

// The preview window of one report on the default printer's paper, with a "Save as PDF" button
// beside the print button. The rows are read afresh whenever the preview paints.
class ReportPreview : private PreviewPrinter, public QPrintPreviewDialog {
public:
    ReportPreview(QWidget* parent, const reportcore::ReportDescription& report, RowSource rows);
    ~ReportPreview() override;

    QPrinter& reportPrinter() { return reportPaper; }
    // Writes the report as PDF to a file the user chooses; false when cancelled or failed.
    bool saveAsPdf();

private:
    const reportcore::ReportDescription& m_report;
    RowSource m_rows;
};

// The records report `name` prints: those the data module's view for it shows now, read through
// a view of their own. The detail reports follow the current contact.
RowSource viewRows(data::TfrmDataModule& module, const reportcore::ReportDescription& report);

// Posts what is being typed into the report's view (and the current contact, that the detail
// reports follow), then previews the report. A failed post is shown and nothing is printed.
void previewReport(QWidget* parent, data::TfrmDataModule& module, const std::string& name);

} // namespace pelmora::reports
