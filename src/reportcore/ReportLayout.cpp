#include "reportcore/ReportLayout.h"

#include <algorithm>
#include <utility>

namespace pelmora::reportcore {

PageMetrics PageMetrics::forPaper(double paperWidth, double paperHeight, Orientation orientation)
{
    if (orientation == Orientation::Landscape)
        std::swap(paperWidth, paperHeight);
    PageMetrics metrics;
    metrics.width = paperWidth - 2 * kMargin;
    metrics.height = paperHeight - 2 * kMargin;
    return metrics;
}

PageMetrics PageMetrics::a4(Orientation orientation)
{
    return forPaper(595.276, 841.89, orientation);
}

std::vector<std::vector<ColumnBox>> columnBoxes(const ReportDescription& report, double width)
{
    std::vector<std::vector<ColumnBox>> boxes;
    for (const auto& line : report.lines) {
        int total = 0;
        for (const ReportColumn& column : line)
            total += std::max(1, column.width);
        auto& out = boxes.emplace_back();
        double x = 0;
        for (const ReportColumn& column : line) {
            const double w = width * std::max(1, column.width) / std::max(1, total);
            out.push_back({ x, w });
            x += w;
        }
    }
    return boxes;
}

double columnHeaderHeight(const ReportDescription& report, const PageMetrics& metrics)
{
    return double(report.lines.size()) * metrics.labelLine + metrics.headerRule;
}

double recordHeight(const ReportDescription& report, const PageMetrics& metrics)
{
    return double(report.lines.size()) * metrics.detailLine + metrics.recordGap * (report.ruleUnderRecord ? 3 : 1);
}

int recordsPerPage(const ReportDescription& report, const PageMetrics& metrics)
{
    const double room = metrics.height - metrics.pageHeader - columnHeaderHeight(report, metrics);
    return std::max(1, int(room / recordHeight(report, metrics)));
}

int pageCount(const ReportDescription& report, std::int64_t records, const PageMetrics& metrics)
{
    const std::int64_t perPage = recordsPerPage(report, metrics);
    return int(std::max<std::int64_t>(1, (records + perPage - 1) / perPage));
}

double recordTop(const ReportDescription& report, const PageMetrics& metrics, int index)
{
    return metrics.pageHeader + columnHeaderHeight(report, metrics) + index * recordHeight(report, metrics);
}

void layOutPage(const ReportDescription& report, int number, const std::vector<PrintedRecord>& records,
    const PageMetrics& metrics, ReportSink& sink)
{
    sink.beginPage(number);
    const int perPage = recordsPerPage(report, metrics);
    for (int i = 0; i < perPage && size_t(i) < records.size(); ++i)
        sink.record(records[size_t(i)], recordTop(report, metrics, i));
    sink.endPage();
}

LayoutSummary layOut(const ReportDescription& report, RowReader& rows, const PageMetrics& metrics, ReportSink& sink)
{
    LayoutSummary summary;
    const int perPage = recordsPerPage(report, metrics);
    PrintedRecord record;
    int onPage = perPage; // full: the first record opens the first page
    while (rows.next(record)) {
        if (onPage == perPage) {
            if (summary.pages > 0)
                sink.endPage();
            sink.beginPage(++summary.pages);
            onPage = 0;
        }
        sink.record(record, recordTop(report, metrics, onPage));
        ++onPage;
        ++summary.records;
    }
    if (summary.pages == 0)
        sink.beginPage(++summary.pages);
    sink.endPage();
    return summary;
}

} // namespace pelmora::reportcore
