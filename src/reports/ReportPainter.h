#pragma once

#include "reportcore/ReportLayout.h"

#include <QDateTime>
#include <QFont>
#include <QFontMetricsF>
#include <QLocale>

#include <filesystem>
#include <optional>

#include <vector>

class QPainter;
class QPaintDevice;
class QSizeF;
class QPagedPaintDevice;
class QPageLayout;
class QString;

namespace pelmora::reports {

// Paints a report's pages onto a printer or PDF writer as the layout hands them over: a page is
// finished before the next record is read, so a long report is never held in memory.
class ReportPainter : public reportcore::ReportSink {
public:
    // `painter` is active on `device`, whose page layout says the paper and orientation.
    ReportPainter(const reportcore::ReportDescription& report, QPagedPaintDevice& device, QPainter& painter);
    // Paints single pages onto an image of one page: `painter`'s origin is the top left corner
    // of the printable area, `area` its size in points, and `device` is what fonts are measured
    // on (its resolution says how many pixels a point takes).
    ReportPainter(
        const reportcore::ReportDescription& report, QPaintDevice& device, QPainter& painter, const QSizeF& area);

    const reportcore::PageMetrics& metrics() const { return m_metrics; }
    // The date and time in the page header; the moment the painter was made unless set.
    void setPrinted(const QDateTime& when);
    void beginPage(int number) override;
    void record(const reportcore::PrintedRecord& record, double top) override;
    void endPage() override { }

private:
    double px(double points) const { return points * m_scale; }
    void paintPageHeader(int number);
    void paintColumnHeader();
    // `font` is m_label or m_text.
    void paintCell(const QString& text, const reportcore::ColumnBox& box, double top, const QFont& font);
    double baseline(const QFontMetricsF& metrics, double top) const;
    // A value too wide for its column even at the smallest size, on two lines of that size when
    // the line is tall enough for them; false when it is not.
    bool paintTwoLines(const QString& text, double x, double top, const QFontMetricsF& metrics, double room);

    const reportcore::ReportDescription& m_report;
    QPaintDevice& m_device;
    QPagedPaintDevice* m_pages = nullptr; // turned over for each new page; none for single pages
    QPainter& m_painter;
    reportcore::PageMetrics m_metrics;
    std::vector<std::vector<reportcore::ColumnBox>> m_boxes;
    double m_scale = 1; // device pixels per point
    QFont m_title, m_label, m_text;
    std::optional<QFontMetricsF> m_labelMetrics, m_textMetrics; // measured on the device
    const QFont* m_font = nullptr; // the painter's font, when it is one of the above
    QString m_printed; // the date and time in the page header, the same on every page
};

// The date and time a report was printed, as its page header shows them: the date as every date
// of the report (the desktop's short date with the whole year), then the time.
QString printedStamp(const QDateTime& when, const QLocale& locale = QLocale());

// Lays out and paints a whole report onto `device`; the number of pages.
int paintReport(const reportcore::ReportDescription& report, reportcore::RowReader& rows, QPagedPaintDevice& device);

// Writes the report as a PDF file with `layout` (paper, orientation, margins). It is written
// under a temporary name and renamed, so a failed export leaves no half file and the old file,
// if any, stays until the new one is complete. Throws Error with the reason.
void writePdf(const reportcore::ReportDescription& report, reportcore::RowReader& rows, const QString& file,
    const QPageLayout& layout);
// The page layout of a report on the given paper: its orientation and half-inch margins.
QPageLayout reportPageLayout(const reportcore::ReportDescription& report, const QPageLayout& paper);

// The command line's PDF export: A4 paper, as its --json listing, without a display.
void exportPdfHeadless(
    const reportcore::ReportDescription& report, reportcore::RowReader& rows, const std::filesystem::path& file);

} // namespace pelmora::reports
