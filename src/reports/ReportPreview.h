#pragma once

#include "reportcore/ReportDescription.h"
#include "reportcore/ReportLayout.h"
#include "reportcore/ReportRows.h"

#include <functional>
#include <memory>
#include <string>

#include <QDateTime>
#include <QDialog>
#include <QPrinter>

class QComboBox;
class QLabel;
class QSpinBox;

namespace pelmora::data {
class TfrmDataModule;
}

namespace pelmora::reports {

using RowSource = std::function<std::unique_ptr<reportcore::RowReader>()>;

class PageView;

// The preview window of one report on the default printer's paper, from which it is printed or
// saved as PDF. Only the pages in sight are read and painted, so the first page of a report of
// thousands of pages shows at once; the whole report is read afresh for printing and export.
class ReportPreview : public QDialog {
    Q_OBJECT
public:
    ReportPreview(QWidget* parent, const reportcore::ReportDescription& report, RowSource rows);
    ~ReportPreview() override;

    QPrinter& reportPrinter() { return m_printer; }
    int pageCount() const { return m_pages; }
    int currentPage() const;
    // Scrolls page `number` (from 1) to the top of the view.
    void showPage(int number);
    // Pixels per point on the screen; setting it leaves the fit-to-width and whole-page modes.
    double zoom() const;
    void setZoom(double pixelsPerPoint);
    // How many pages have been painted since the preview opened (each page painted once while
    // it stays in sight).
    int paintedPages() const { return m_painted; }
    // Page `number` as an image of `pixelsPerPoint` pixels per point (times `ratio` for screens
    // of more device pixels than pixels).
    QImage pageImage(int number, double pixelsPerPoint, qreal ratio = 1);

    // Writes the report as PDF to a file the user chooses; false when cancelled or failed.
    bool saveAsPdf();
    // Prints the report on a printer the user chooses; false when cancelled or failed.
    bool print();

private:
    void buildTools();
    void pageShown(int number);
    // Reads every record again and paints them through `paint`, showing how far it is; false
    // when it failed (the error is shown) or the user cancelled it.
    bool paintAll(const QString& doing, const std::function<void(reportcore::RowReader&)>& paint);

    const reportcore::ReportDescription& m_report;
    RowSource m_rows;
    std::unique_ptr<reportcore::RowReader> m_reader; // the preview's own, read by position
    QPrinter m_printer { QPrinter::HighResolution };
    reportcore::PageMetrics m_metrics;
    QSizeF m_paper; // the sheet and the printable area on it, in points
    QRectF m_area;
    QDateTime m_printed; // the same date and time in the header of every page
    std::int64_t m_records = 0;
    int m_perPage = 1;
    int m_pages = 1;
    int m_painted = 0;
    PageView* m_view = nullptr;
    QSpinBox* m_page = nullptr;
    QLabel* m_of = nullptr;
    QComboBox* m_zoom = nullptr;
};

// The records report `name` prints: those the data module's view for it shows now, read through
// a view of their own. The detail reports follow the current contact.
RowSource viewRows(data::TfrmDataModule& module, const reportcore::ReportDescription& report);

// Posts what is being typed into the report's view (and the current contact, that the detail
// reports follow), then previews the report. A failed post is shown and nothing is printed.
void previewReport(QWidget* parent, data::TfrmDataModule& module, const std::string& name);

} // namespace pelmora::reports
