#pragma once

#include "reportcore/ReportDescription.h"
#include "reportcore/ReportRows.h"

#include <cstdint>
#include <vector>

namespace pelmora::reportcore {

// The sizes of a page and its bands, in points. The painter and the command line's listing use
// the same figures, so both break pages at the same records.
struct PageMetrics {
    double width = 0; // the printable area
    double height = 0;
    double pageHeader = 34; // title, date and time, page number
    double labelLine = 13; // one line of column labels
    double headerRule = 6; // the space the line under the column header takes
    double detailLine = 12;
    double recordGap = 1.5;
    double titleSize = 14; // font sizes
    double textSize = 8.5;

    static constexpr double kMargin = 36; // half an inch on every side
    // The printable area of an A4 sheet with kMargin margins.
    static PageMetrics a4(Orientation orientation);
    static PageMetrics forPaper(double paperWidth, double paperHeight, Orientation orientation);
};

struct ColumnBox {
    double x = 0;
    double width = 0;
};

// Where each column of each line sits: the line's width shared out by the columns' widths.
std::vector<std::vector<ColumnBox>> columnBoxes(const ReportDescription& report, double width);
double columnHeaderHeight(const ReportDescription& report, const PageMetrics& metrics);
double recordHeight(const ReportDescription& report, const PageMetrics& metrics);
// Records on one page; at least one, however small the page.
int recordsPerPage(const ReportDescription& report, const PageMetrics& metrics);
// The pages `records` records fill; a report without records is one page of headers.
int pageCount(const ReportDescription& report, std::int64_t records, const PageMetrics& metrics);
// Where the page's record number `index` (from 0) starts, in points below the printable area's top.
double recordTop(const ReportDescription& report, const PageMetrics& metrics, int index);

// Receives the report page by page as it is laid out, so a long report is never held whole.
class ReportSink {
public:
    virtual ~ReportSink() = default;
    // A new page: the page header and the column header go at its top.
    virtual void beginPage(int number) = 0;
    // One record whose first line starts `top` points below the printable area's top.
    virtual void record(const PrintedRecord& record, double top) = 0;
    virtual void endPage() = 0;
};

struct LayoutSummary {
    int pages = 0;
    std::int64_t records = 0;
};

// Lays the records out page by page. A report without records is one page of headers.
LayoutSummary layOut(const ReportDescription& report, RowReader& rows, const PageMetrics& metrics, ReportSink& sink);
// Lays out page `number` alone, with the records that fall on it (those at positions
// (number - 1) * recordsPerPage() on): a preview lays out only the pages it shows.
void layOutPage(const ReportDescription& report, int number, const std::vector<PrintedRecord>& records,
    const PageMetrics& metrics, ReportSink& sink);

} // namespace pelmora::reportcore
