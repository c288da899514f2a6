#include "reports/ReportPainter.h"

#include "base/Error.h"
#include "widgets/DateText.h"

#include <QFileInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLocale>
#include <QPagedPaintDevice>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

#include <memory>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace pelmora::reports {

using namespace reportcore;

namespace {

const QColor kNavy(0, 0, 128);

QFont arial(double points, bool bold = false)
{
    QFont font(QStringLiteral("Arial"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(points);
    font.setBold(bold);
    return font;
}

// Every page's content grows a buffer of some hundred kilobytes that is freed once the page is
// written. The C library would give that memory back to the system and fault it in again for the
// next page, which took a quarter of the time of a long report; keeping it costs a few megabytes.
void keepPageBuffers()
{
#if defined(__GLIBC__)
    static const bool kept = [] {
        mallopt(M_MMAP_THRESHOLD, 64 << 20);
        mallopt(M_TRIM_THRESHOLD, 128 << 20);
        return true;
    }();
    (void)kept;
#endif
}

// How many characters of `text` go on a line `room` wide: up to the last space that fits, or as
// many characters as fit when no space does (a long address or word), at least one.
qsizetype wrapPoint(const QString& text, const QFontMetricsF& metrics, double room)
{
    qsizetype low = 1, high = text.size();
    while (low < high) {
        const qsizetype middle = (low + high + 1) / 2;
        if (metrics.horizontalAdvance(text.left(middle)) <= room)
            low = middle;
        else
            high = middle - 1;
    }
    const qsizetype space = text.lastIndexOf(QLatin1Char(' '), low);
    return space > 0 ? space + 1 : low;
}

} // namespace

QString printedStamp(const QDateTime& when, const QLocale& locale)
{
    return app::dateText(when.date(), locale) + QLatin1Char(' ') + locale.toString(when.time(), QLocale::ShortFormat);
}

ReportPainter::ReportPainter(const ReportDescription& report, QPagedPaintDevice& device, QPainter& painter)
    : ReportPainter(report, device, painter,
        QSizeF(device.width() * 72.0 / device.logicalDpiX(), device.height() * 72.0 / device.logicalDpiX()))
{
    m_pages = &device;
}

ReportPainter::ReportPainter(
    const ReportDescription& report, QPaintDevice& device, QPainter& painter, const QSizeF& area)
    : m_report(report)
    , m_device(device)
    , m_painter(painter)
{
    m_scale = device.logicalDpiX() / 72.0;
    m_metrics = PageMetrics::forPaper(0, 0, report.orientation);
    m_metrics.width = area.width();
    m_metrics.height = area.height();
    m_boxes = columnBoxes(report, m_metrics.width);
    m_title = arial(m_metrics.titleSize);
    m_label = arial(m_metrics.textSize, true);
    m_text = arial(m_metrics.textSize);
    m_labelMetrics.emplace(m_label, &device);
    m_textMetrics.emplace(m_text, &device);
    setPrinted(QDateTime::currentDateTime());
}

void ReportPainter::setPrinted(const QDateTime& when)
{
    m_printed = printedStamp(when);
}

void ReportPainter::beginPage(int number)
{
    if (number > 1 && m_pages)
        m_pages->newPage();
    paintPageHeader(number);
    paintColumnHeader();
}

void ReportPainter::paintPageHeader(int number)
{
    m_font = nullptr;
    m_painter.setPen(kNavy);
    m_painter.setFont(m_title);
    const QRectF band(0, 0, px(m_metrics.width), px(m_metrics.pageHeader - 6));
    m_painter.drawText(band, Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(m_report.title));
    m_painter.setFont(m_text);
    const QRectF upper(0, 0, band.width(), band.height() / 2);
    const QRectF lower(0, band.height() / 2, band.width(), band.height() / 2);
    m_painter.drawText(upper, Qt::AlignRight | Qt::AlignVCenter, m_printed);
    m_painter.drawText(lower, Qt::AlignRight | Qt::AlignVCenter, QStringLiteral("Page #%1").arg(number));
}

void ReportPainter::paintColumnHeader()
{
    m_painter.setPen(Qt::black);
    double top = m_metrics.pageHeader;
    for (size_t l = 0; l < m_report.lines.size(); ++l) {
        const auto& line = m_report.lines[l];
        for (size_t c = 0; c < line.size(); ++c)
            paintCell(QString::fromStdString(line[c].label), m_boxes[l][c], top, m_label);
        top += m_metrics.labelLine;
    }
    // Screen pixels are three quarters of a point.
    const double rule = m_report.headerRuleWidth * 0.75;
    const double y = top + m_metrics.headerRule / 2;
    m_painter.setPen(QPen(Qt::black, px(rule)));
    m_painter.drawLine(QPointF(0, px(y)), QPointF(px(m_metrics.width), px(y)));
}

void ReportPainter::record(const PrintedRecord& record, double top)
{
    m_painter.setPen(Qt::black);
    for (size_t l = 0; l < record.size() && l < m_boxes.size(); ++l) {
        for (size_t c = 0; c < record[l].size() && c < m_boxes[l].size(); ++c) {
            if (!record[l][c].empty())
                paintCell(QString::fromStdString(record[l][c]), m_boxes[l][c], top + l * m_metrics.detailLine, m_text);
        }
    }
    if (m_report.ruleUnderRecord) {
        const double y = top + m_report.lines.size() * m_metrics.detailLine + m_metrics.recordGap;
        m_painter.setPen(QPen(Qt::gray, px(0.5)));
        m_painter.drawLine(QPointF(0, px(y)), QPointF(px(m_metrics.width), px(y)));
    }
}

void ReportPainter::paintCell(const QString& text, const ColumnBox& box, double top, const QFont& font)
{
    const QFontMetricsF& metrics = &font == &m_label ? *m_labelMetrics : *m_textMetrics;
    const double room = px(box.width - 3);
    const double wide = metrics.horizontalAdvance(text);
    if (wide <= room || room <= 0) {
        // Most values fit: drawn at a baseline, without the text layout a rectangle would need.
        if (m_font != &font) {
            m_painter.setFont(font);
            m_font = &font;
        }
        m_painter.drawText(QPointF(px(box.x), baseline(metrics, top)), text);
        return;
    }
    // A value wider than its column is set smaller before anything is cut, so that what is
    // printed can be read whole wherever it can be made to fit.
    // Text does not narrow exactly in proportion to its size, so the size is found again from
    // what the smaller one measures, a few times at most.
    const double smallest = font.pointSizeF() * 0.6;
    QFont fitted = font;
    QFontMetricsF smaller = metrics;
    double width = wide;
    for (int tries = 0; tries < 4 && width > room && fitted.pointSizeF() > smallest; ++tries) {
        fitted.setPointSizeF(std::max(smallest, fitted.pointSizeF() * room / width * 0.995));
        smaller = QFontMetricsF(fitted, &m_device);
        width = smaller.horizontalAdvance(text);
    }
    m_font = nullptr;
    if (width > room) {
        fitted.setPointSizeF(smallest);
        const QFontMetricsF least(fitted, &m_device);
        m_painter.setFont(fitted);
        if (paintTwoLines(text, box.x, top, least, room))
            return;
        smaller = least;
    }
    m_painter.setFont(fitted);
    m_painter.drawText(QPointF(px(box.x), baseline(smaller, top)), smaller.elidedText(text, Qt::ElideRight, room));
}

bool ReportPainter::paintTwoLines(const QString& text, double x, double top, const QFontMetricsF& metrics, double room)
{
    // The smallest size leaves room for a second line within the band's line; only a value too
    // long even for two lines loses its end.
    const double line = metrics.height();
    const double band = px(m_metrics.detailLine);
    if (2 * line > band)
        return false;
    const qsizetype split = wrapPoint(text, metrics, room);
    const QString first = text.left(split).trimmed();
    const QString second = metrics.elidedText(text.mid(split).trimmed(), Qt::ElideRight, room);
    const double y = px(top) + (band - 2 * line) / 2 + metrics.ascent();
    m_painter.drawText(QPointF(px(x), y), first);
    m_painter.drawText(QPointF(px(x), y + line), second);
    return true;
}

double ReportPainter::baseline(const QFontMetricsF& metrics, double top) const
{
    // Centred on the line as the row's height allows.
    return px(top) + (px(m_metrics.detailLine) - metrics.height()) / 2 + metrics.ascent();
}

int paintReport(const ReportDescription& report, RowReader& rows, QPagedPaintDevice& device)
{
    keepPageBuffers();
    QPainter painter;
    if (!painter.begin(&device))
        throw Error("The report cannot be printed: the printer could not be started");
    ReportPainter sink(report, device, painter);
    const LayoutSummary summary = layOut(report, rows, sink.metrics(), sink);
    painter.end();
    return summary.pages;
}

QPageLayout reportPageLayout(const ReportDescription& report, const QPageLayout& paper)
{
    const double margin = PageMetrics::kMargin;
    return QPageLayout(paper.pageSize(),
        report.orientation == Orientation::Landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
        QMarginsF(margin, margin, margin, margin), QPageLayout::Point);
}

void writePdf(const ReportDescription& report, RowReader& rows, const QString& file, const QPageLayout& layout)
{
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        throw Error("Cannot write " + file.toStdString() + ": " + out.errorString().toStdString());
    {
        QPdfWriter writer(&out);
        writer.setTitle(QString::fromStdString(report.title));
        writer.setCreator(QStringLiteral("Pelmora"));
        writer.setPageLayout(layout);
        paintReport(report, rows, writer);
    }
    if (!out.commit())
        throw Error("Cannot write " + file.toStdString() + ": " + out.errorString().toStdString());
}

void exportPdfHeadless(const ReportDescription& report, RowReader& rows, const std::filesystem::path& file)
{
    std::unique_ptr<QGuiApplication> application;
    if (!QGuiApplication::instance()) {
        // Painting a PDF needs fonts, not a screen.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "pelmora";
        static char* argv[] = { name, nullptr };
        application = std::make_unique<QGuiApplication>(argc, argv);
    }
    const QPageLayout a4(QPageSize(QPageSize::A4), QPageLayout::Portrait, {});
    writePdf(report, rows, QString::fromStdString(file.string()), reportPageLayout(report, a4));
}

} // namespace pelmora::reports
