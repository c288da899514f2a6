#pragma once

#include "reportcore/ReportDescription.h"
#include "reportcore/ReportRows.h"

#include <functional>
#include <memory>
#include <string>

class QPrintPreviewDialog;
class QPrinter;
class QWidget;

namespace pelmora::data {
class TfrmDataModule;
}

namespace pelmora::reports {

using RowSource = std::function<std::unique_ptr<reportcore::RowReader>()>;

// The preview window of one report on the default printer's paper, with a "Save as PDF" button
// beside the print button. The rows are read afresh whenever the preview paints.
class ReportPreview {
public:
    ReportPreview(QWidget* parent, const reportcore::ReportDescription& report, RowSource rows);
    ~ReportPreview();

    QPrintPreviewDialog& dialog() { return *m_dialog; }
    int exec();
    // Writes the report as PDF to a file the user chooses; false when cancelled or failed.
    bool saveAsPdf();

private:
    const reportcore::ReportDescription& m_report;
    RowSource m_rows;
    std::unique_ptr<QPrinter> m_printer;
    std::unique_ptr<QPrintPreviewDialog> m_dialog;
};

// The records report `name` prints: those the data module's view for it shows now, read through
// a view of their own. The detail reports follow the current contact.
RowSource viewRows(data::TfrmDataModule& module, const reportcore::ReportDescription& report);

// Posts what is being typed into the report's view (and the current contact, that the detail
// reports follow), then previews the report. A failed post is shown and nothing is printed.
void previewReport(QWidget* parent, data::TfrmDataModule& module, const std::string& name);

} // namespace pelmora::reports
