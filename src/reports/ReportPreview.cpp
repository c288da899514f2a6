#include "reports/ReportPreview.h"

#include "data/TfrmDataModule.h"
#include "reports/ReportPainter.h"
#include "widgets/Prompts.h"

#include <QAbstractScrollArea>
#include <QAction>
#include <QComboBox>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPrintDialog>
#include <QProgressDialog>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStyle>
#include <QToolBar>
#include <QVBoxLayout>
#include <QWheelEvent>

#include <algorithm>
#include <climits>
#include <cmath>
#include <deque>
#include <iterator>
#include <map>

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

constexpr double kMinZoom = 0.1; // pixels per point
constexpr double kMaxZoom = 4;
const int kZoomSteps[] = { 25, 50, 75, 100, 125, 150, 200, 300 }; // per cent of the paper's real size

} // namespace

// The pages one under the other on a grey ground. A page is painted when it first comes into
// sight and kept while it is one of the last few painted, so scrolling back is free and a report
// of thousands of pages costs no more than the pages looked at.
class PageView : public QAbstractScrollArea {
public:
    enum class Fit { None, Width, Page };
    using Render = std::function<QImage(int number, double zoom, qreal ratio)>;

    PageView(QWidget* parent, QSizeF paper, int pages, Render render)
        : QAbstractScrollArea(parent)
        , m_paper(paper)
        , m_pages(pages)
        , m_render(std::move(render))
    {
        setObjectName(QStringLiteral("PageView"));
        // Always shown, so that fitting the width does not take the bar's room and refit.
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        viewport()->setBackgroundRole(QPalette::Dark);
        viewport()->setAutoFillBackground(true);
        verticalScrollBar()->setSingleStep(24);
        horizontalScrollBar()->setSingleStep(24);
    }

    std::function<void(int)> pageShown;
    std::function<void(int)> zoomStep; // Ctrl and the wheel: one step in (1) or out (-1)

    double zoom() const { return m_zoom; }
    Fit fit() const { return m_fit; }
    void setFit(Fit fit)
    {
        m_fit = fit;
        applyZoom(fittedZoom());
    }
    void setZoom(double zoom)
    {
        m_fit = Fit::None;
        applyZoom(zoom);
    }
    int currentPage() const
    {
        const double at = verticalScrollBar()->value() + viewport()->height() / 3.0;
        return std::clamp(int(at / slot()) + 1, 1, m_pages);
    }
    void showPage(int number)
    {
        number = std::clamp(number, 1, m_pages);
        verticalScrollBar()->setValue(int(std::lround((number - 1) * slot())));
        viewport()->update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(viewport());
        const double top = verticalScrollBar()->value();
        const QSizeF page = m_paper * m_zoom;
        const double left
            = std::max<double>(kGap, (viewport()->width() - page.width()) / 2) - horizontalScrollBar()->value();
        for (int i = std::max(0, int(top / slot())); i < m_pages; ++i) {
            const double y = kGap + i * slot() - top;
            if (y >= viewport()->height())
                break;
            const QRectF sheet(left, y, page.width(), page.height());
            painter.fillRect(sheet.translated(3, 3), QColor(0, 0, 0, 90)); // its shadow
            painter.drawImage(sheet.topLeft(), image(i + 1));
        }
    }
    void resizeEvent(QResizeEvent* event) override
    {
        QAbstractScrollArea::resizeEvent(event);
        if (m_fit != Fit::None)
            applyZoom(fittedZoom());
        else
            updateBars();
    }
    void keyPressEvent(QKeyEvent* event) override
    {
        if (event->key() == Qt::Key_Home)
            showPage(1);
        else if (event->key() == Qt::Key_End)
            showPage(m_pages);
        else
            QAbstractScrollArea::keyPressEvent(event);
    }
    void wheelEvent(QWheelEvent* event) override
    {
        if (event->modifiers() & Qt::ControlModifier && zoomStep && event->angleDelta().y() != 0) {
            zoomStep(event->angleDelta().y() > 0 ? 1 : -1);
            event->accept();
            return;
        }
        QAbstractScrollArea::wheelEvent(event);
    }
    void scrollContentsBy(int, int) override
    {
        viewport()->update();
        if (pageShown)
            pageShown(currentPage());
    }

private:
    static constexpr double kGap = 12; // pixels between and around the pages

    double slot() const { return m_paper.height() * m_zoom + kGap; }
    double fittedZoom() const
    {
        const double width = (viewport()->width() - 2 * kGap) / m_paper.width();
        if (m_fit == Fit::Width)
            return width;
        return std::min(width, (viewport()->height() - 2 * kGap) / m_paper.height());
    }
    void applyZoom(double zoom)
    {
        zoom = std::clamp(zoom, kMinZoom, kMaxZoom);
        const int page = currentPage();
        if (zoom != m_zoom) {
            m_zoom = zoom;
            m_images.clear();
            m_recent.clear();
            m_bytes = 0;
        }
        updateBars();
        showPage(page);
    }
    void updateBars()
    {
        const QSize view = viewport()->size();
        // The last page can come to the top like any other, whether or not it fills the view.
        const double height = m_pages * slot() + kGap;
        verticalScrollBar()->setRange(0, int(std::max({ 0.0, height - view.height(), (m_pages - 1) * slot() })));
        verticalScrollBar()->setPageStep(view.height());
        const double width = m_paper.width() * m_zoom + 2 * kGap;
        horizontalScrollBar()->setRange(0, int(std::max(0.0, width - view.width())));
        horizontalScrollBar()->setPageStep(view.width());
    }
    const QImage& image(int number)
    {
        auto found = m_images.find(number);
        if (found != m_images.end())
            return found->second;
        QImage painted = m_render(number, m_zoom, devicePixelRatioF());
        // At a high zoom a page takes tens of megabytes: fewer are kept then, never fewer than
        // the two or three a view can show at once.
        while (!m_recent.empty()
            && (m_recent.size() >= kKept || (m_recent.size() >= 3 && m_bytes + painted.sizeInBytes() > kBudget))) {
            m_bytes -= m_images[m_recent.front()].sizeInBytes();
            m_images.erase(m_recent.front());
            m_recent.pop_front();
        }
        m_recent.push_back(number);
        m_bytes += painted.sizeInBytes();
        return m_images[number] = std::move(painted);
    }

    static constexpr size_t kKept = 12; // pages kept painted
    static constexpr qsizetype kBudget = 96 << 20; // bytes of them
    QSizeF m_paper; // points
    int m_pages;
    Render m_render;
    double m_zoom = 1;
    Fit m_fit = Fit::Width;
    std::map<int, QImage> m_images;
    std::deque<int> m_recent;
    qsizetype m_bytes = 0;
};

ReportPreview::ReportPreview(QWidget* parent, const ReportDescription& report, RowSource rows)
    : QDialog(parent)
    , m_report(report)
    , m_rows(std::move(rows))
    , m_printed(QDateTime::currentDateTime())
{
    setObjectName(QStringLiteral("ReportPreview"));
    setWindowTitle(QString::fromStdString(report.title));
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    m_printer.setPageLayout(reportPageLayout(report, m_printer.pageLayout()));
    m_printer.setDocName(QString::fromStdString(report.title));
    const QPageLayout layout = m_printer.pageLayout();
    m_paper = layout.fullRect(QPageLayout::Point).size();
    m_area = layout.paintRect(QPageLayout::Point);
    m_metrics = PageMetrics::forPaper(0, 0, report.orientation);
    m_metrics.width = m_area.width();
    m_metrics.height = m_area.height();
    m_perPage = recordsPerPage(report, m_metrics);

    // Only the number of records is read now; each page reads its own records when shown.
    m_reader = m_rows();
    std::int64_t records = m_reader->count();
    if (records < 0) {
        m_reader = std::make_unique<HeldRows>(*m_reader);
        records = m_reader->count();
    }
    m_records = records;
    m_pages = reportcore::pageCount(report, records, m_metrics);

    m_view = new PageView(this, m_paper, m_pages,
        [this](int number, double zoom, qreal ratio) { return pageImage(number, zoom, ratio); });
    m_view->pageShown = [this](int number) { pageShown(number); };
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);
    buildTools();
    box->addWidget(m_view, 1);
    m_view->setFocus(); // the keys page through the report at once

    if (const QScreen* screen = parent ? parent->screen() : QGuiApplication::primaryScreen()) {
        const QRect room = screen->availableGeometry();
        resize(room.width() * 4 / 5, room.height() * 9 / 10);
    }
}

ReportPreview::~ReportPreview() = default;

void ReportPreview::buildTools()
{
    auto* tools = new QToolBar(this);
    tools->setObjectName(QStringLiteral("tbPreview"));
    layout()->addWidget(tools);
    auto add = [this, tools](const char* name, const QString& text, QStyle::StandardPixmap icon, auto slot) {
        QAction* action = icon == QStyle::SP_CustomBase ? tools->addAction(text)
                                                        : tools->addAction(style()->standardIcon(icon), text);
        action->setObjectName(QLatin1String(name));
        action->setToolTip(text);
        connect(action, &QAction::triggered, this, slot);
        return action;
    };
    add("actFirstPage", tr("First Page"), QStyle::SP_MediaSkipBackward, [this] { showPage(1); });
    add("actPriorPage", tr("Previous Page"), QStyle::SP_ArrowBack, [this] { showPage(currentPage() - 1); });
    m_page = new QSpinBox(tools);
    m_page->setObjectName(QStringLiteral("sePage"));
    m_page->setRange(1, m_pages);
    m_page->setKeyboardTracking(false);
    tools->addWidget(m_page);
    m_of = new QLabel(tr(" of %1 ").arg(m_pages), tools);
    m_of->setObjectName(QStringLiteral("lblPages"));
    tools->addWidget(m_of);
    connect(m_page, &QSpinBox::valueChanged, this, [this](int number) { showPage(number); });
    add("actNextPage", tr("Next Page"), QStyle::SP_ArrowForward, [this] { showPage(currentPage() + 1); });
    add("actLastPage", tr("Last Page"), QStyle::SP_MediaSkipForward, [this] { showPage(m_pages); });
    tools->addSeparator();

    m_zoom = new QComboBox(tools);
    m_zoom->setObjectName(QStringLiteral("cbZoom"));
    m_zoom->addItem(tr("Fit Width"));
    m_zoom->addItem(tr("Whole Page"));
    for (int percent : kZoomSteps)
        m_zoom->addItem(QStringLiteral("%1%").arg(percent), percent);
    tools->addWidget(m_zoom);
    // A hundred per cent is the paper's real size on this screen.
    const double real = logicalDpiX() / 72.0;
    connect(m_zoom, &QComboBox::activated, this, [this, real](int index) {
        if (index == 0)
            m_view->setFit(PageView::Fit::Width);
        else if (index == 1)
            m_view->setFit(PageView::Fit::Page);
        else
            m_view->setZoom(real * m_zoom->itemData(index).toInt() / 100.0);
    });
    auto step = [this, real](int direction) {
        const double percent = m_view->zoom() / real * 100;
        int chosen = -1;
        for (int i = 0; i < int(std::size(kZoomSteps)); ++i) {
            const int at = direction > 0 ? i : int(std::size(kZoomSteps)) - 1 - i;
            if ((direction > 0 && kZoomSteps[at] > percent + 0.5)
                || (direction < 0 && kZoomSteps[at] < percent - 0.5)) {
                chosen = at;
                break;
            }
        }
        if (chosen < 0)
            return;
        m_zoom->setCurrentIndex(chosen + 2);
        m_view->setZoom(real * kZoomSteps[chosen] / 100.0);
    };
    m_view->zoomStep = step;
    add("actZoomIn", tr("Zoom In"), QStyle::SP_CustomBase, [step] { step(1); });
    add("actZoomOut", tr("Zoom Out"), QStyle::SP_CustomBase, [step] { step(-1); });
    tools->addSeparator();
    add("actPrint", tr("Print"), QStyle::SP_CustomBase, [this] { print(); });
    add("actSaveAsPdf", tr("Save as PDF"), QStyle::SP_CustomBase, [this] { saveAsPdf(); });
    tools->addSeparator();
    add("actClose", tr("Close"), QStyle::SP_CustomBase, [this] { reject(); });
    pageShown(1);
}

int ReportPreview::currentPage() const
{
    return m_view->currentPage();
}

void ReportPreview::showPage(int number)
{
    m_view->showPage(number);
    pageShown(currentPage());
}

void ReportPreview::pageShown(int number)
{
    const QSignalBlocker quiet(m_page);
    m_page->setValue(number);
    const int now = currentPage();
    for (const char* name : { "actFirstPage", "actPriorPage" })
        findChild<QAction*>(QLatin1String(name))->setEnabled(now > 1);
    for (const char* name : { "actNextPage", "actLastPage" })
        findChild<QAction*>(QLatin1String(name))->setEnabled(now < m_pages);
}

double ReportPreview::zoom() const
{
    return m_view->zoom();
}

void ReportPreview::setZoom(double pixelsPerPoint)
{
    m_zoom->setCurrentIndex(-1);
    m_view->setZoom(pixelsPerPoint);
}

QImage ReportPreview::pageImage(int number, double pixelsPerPoint, qreal ratio)
{
    ++m_painted;
    const QSize size(int(std::ceil(m_paper.width() * pixelsPerPoint * ratio)),
        int(std::ceil(m_paper.height() * pixelsPerPoint * ratio)));
    QImage image(size, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    // The image's resolution is what the painter sizes its fonts and lines by.
    const int dotsPerMeter = int(std::lround(pixelsPerPoint * 72 / 0.0254));
    image.setDotsPerMeterX(dotsPerMeter);
    image.setDotsPerMeterY(dotsPerMeter);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const double scale = image.logicalDpiX() / 72.0;
    try {
        const auto records = m_reader->readAt(std::int64_t(number - 1) * m_perPage, m_perPage);
        painter.translate(m_area.left() * scale, m_area.top() * scale);
        ReportPainter sink(m_report, image, painter, m_area.size());
        sink.setPrinted(m_printed);
        layOutPage(m_report, number, records, sink.metrics(), sink);
    } catch (const std::exception& error) {
        // Painting happens inside the window system's paint event: the page says what failed.
        painter.resetTransform();
        painter.setPen(Qt::darkRed);
        painter.drawText(QRectF(QPointF(0, 0), QSizeF(size) / ratio).adjusted(20, 20, -20, -20),
            Qt::AlignTop | Qt::AlignLeft | Qt::TextWordWrap, QString::fromStdString(error.what()));
    }
    return image;
}

bool ReportPreview::saveAsPdf()
{
    // The desktop's save dialog asks before an existing file is replaced.
    const QString file = app::prompts().saveFileName(this, tr("Save as PDF"), QString(), tr("PDF files (*.pdf)"));
    if (file.isEmpty())
        return false;
    return paintAll(tr("Saving the report..."),
        [this, &file](RowReader& rows) { writePdf(m_report, rows, file, m_printer.pageLayout()); });
}

bool ReportPreview::print()
{
    QPrintDialog choose(&m_printer, this);
    if (choose.exec() != QDialog::Accepted)
        return false;
    return paintAll(tr("Printing the report..."), [this](RowReader& rows) { paintReport(m_report, rows, m_printer); });
}

namespace {

struct Cancelled { };

// Hands the records on to the painter and says every few hundred how many have gone, so that a
// report of thousands of pages shows how far it is and can be stopped.
class CountedRows : public RowReader {
public:
    CountedRows(RowReader& rows, std::function<void(std::int64_t)> step)
        : m_rows(rows)
        , m_step(std::move(step))
    {
    }
    bool next(PrintedRecord& record) override
    {
        if (!m_rows.next(record))
            return false;
        if (++m_read % 200 == 0)
            m_step(m_read);
        return true;
    }

private:
    RowReader& m_rows;
    std::function<void(std::int64_t)> m_step;
    std::int64_t m_read = 0;
};

} // namespace

bool ReportPreview::paintAll(const QString& doing, const std::function<void(RowReader&)>& paint)
{
    QProgressDialog progress(doing, tr("Cancel"), 0, int(std::min<std::int64_t>(m_records, INT_MAX)), this);
    progress.setObjectName(QStringLiteral("ReportProgress"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    progress.setAutoReset(false);
    try {
        return reportErrors(this, [&] {
            auto reader = m_rows();
            CountedRows counted(*reader, [&](std::int64_t read) {
                progress.setValue(int(std::min<std::int64_t>(read, progress.maximum())));
                if (progress.wasCanceled()) {
                    // Stopped while painting: a printer drops the pages begun, a PDF is never
                    // renamed into place.
                    if (m_printer.printerState() == QPrinter::Active)
                        m_printer.abort();
                    throw Cancelled {};
                }
            });
            paint(counted);
        });
    } catch (const Cancelled&) {
        return false;
    }
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
    std::unique_ptr<ReportPreview> preview;
    reportErrors(parent, [&] {
        if (followsCurrentContact(report->source) && module.TBLCon.isEditing())
            module.TBLCon.post();
        if (shown->isEditing())
            shown->post();
        preview = std::make_unique<ReportPreview>(parent, *report, viewRows(module, *report));
    });
    // A failed post is shown and nothing is printed.
    if (preview)
        preview->exec();
}

} // namespace pelmora::reports
