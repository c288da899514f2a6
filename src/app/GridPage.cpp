#include "app/GridPage.h"

#include "widgets/TDBGrid.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

namespace pelmora::app {

namespace {

// A page's button row scrolls sideways when the window is narrower than the row: the rows of
// the E-Mail and Activities pages are wider than a small screen, and as plain layouts they
// would hold the whole window wider than the screen, cutting its right edge off.
class ButtonRowArea : public QScrollArea {
public:
    explicit ButtonRowArea(QWidget* row, QWidget* parent)
        : QScrollArea(parent)
    {
        setObjectName(QStringLiteral("ButtonRow"));
        setFrameShape(QFrame::NoFrame);
        setFocusPolicy(Qt::NoFocus); // Tab goes to the buttons, not to the area around them
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        setWidget(row); // sized here rather than by the area, which kept stale heights of hidden pages
        row->installEventFilter(this); // the pages add their buttons after the row is made
    }

    QSize sizeHint() const override { return { widget()->sizeHint().width(), rowHeight() }; }
    QSize minimumSizeHint() const override { return { MinimumWidth, rowHeight() }; }

protected:
    void resizeEvent(QResizeEvent* event) override
    {
        QScrollArea::resizeEvent(event);
        followRow();
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == widget() && event->type() == QEvent::LayoutRequest)
            followRow();
        return QScrollArea::eventFilter(watched, event);
    }

private:
    static constexpr int MinimumWidth = 120;

    // The height is asked afresh whenever the row changes (its buttons are polished when the page
    // first shows) and when the scroll bar comes or goes, so the buttons are never cut.
    void followRow()
    {
        QWidget* row = widget();
        const QSize wanted(qMax(viewport()->width(), row->minimumSizeHint().width()), row->sizeHint().height());
        if (row->size() != wanted)
            row->resize(wanted);
        if (height() != rowHeight())
            updateGeometry();
    }

    int rowHeight() const
    {
        int height = widget()->sizeHint().height();
        if (width() < widget()->minimumSizeHint().width())
            height += horizontalScrollBar()->sizeHint().height();
        return height;
    }
};

} // namespace

GridPage::GridPage(
    const QString& objectName, const QString& gridName, const std::vector<GridColumn>& columns, QWidget* parent)
    : QWidget(parent)
    , m_layout(new QVBoxLayout(this))
    , m_buttons(new QHBoxLayout)
    , m_grid(new TDBGrid(this))
{
    setObjectName(objectName);
    m_grid->setObjectName(gridName);
    setUpGrid(m_grid, columns);
    auto* row = new QWidget;
    m_buttons->setContentsMargins(0, 0, 0, 0);
    row->setLayout(m_buttons);
    m_layout->addWidget(new ButtonRowArea(row, this));
    m_layout->addWidget(m_grid, 1);
}

} // namespace pelmora::app
