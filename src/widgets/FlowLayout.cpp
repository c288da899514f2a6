#include "widgets/FlowLayout.h"

#include <QWidget>

#include <algorithm>

namespace pelmora::app {

FlowLayout::FlowLayout(QWidget* parent)
    : QLayout(parent)
{
}

FlowLayout::~FlowLayout()
{
    while (QLayoutItem* item = takeAt(0))
        delete item;
}

void FlowLayout::addItem(QLayoutItem* item)
{
    m_items.append(item);
}

int FlowLayout::count() const
{
    return static_cast<int>(m_items.size());
}

QLayoutItem* FlowLayout::itemAt(int index) const
{
    return m_items.value(index);
}

QLayoutItem* FlowLayout::takeAt(int index)
{
    return index >= 0 && index < m_items.size() ? m_items.takeAt(index) : nullptr;
}

Qt::Orientations FlowLayout::expandingDirections() const
{
    return {};
}

bool FlowLayout::hasHeightForWidth() const
{
    return true;
}

int FlowLayout::heightForWidth(int width) const
{
    return arrange(QRect(0, 0, width, 0), false);
}

QSize FlowLayout::minimumSize() const
{
    // As narrow as the widest item, one item a line; the height comes from heightForWidth.
    QSize size;
    for (const QLayoutItem* item : m_items)
        if (!item->isEmpty())
            size = size.expandedTo(item->minimumSize());
    const QMargins margins = contentsMargins();
    return size + QSize(margins.left() + margins.right(), margins.top() + margins.bottom());
}

QSize FlowLayout::sizeHint() const
{
    int width = 0, height = 0, shown = 0;
    for (const QLayoutItem* item : m_items) {
        if (item->isEmpty())
            continue;
        width += item->sizeHint().width();
        height = std::max(height, item->sizeHint().height());
        ++shown;
    }
    const QMargins margins = contentsMargins();
    width += std::max(0, shown - 1) * spacing() + margins.left() + margins.right();
    return { width, height + margins.top() + margins.bottom() };
}

void FlowLayout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    arrange(rect, true);
}

int FlowLayout::arrange(const QRect& rect, bool move) const
{
    const QRect area = rect.marginsRemoved(contentsMargins());
    const int gap = std::max(0, spacing());
    int top = area.top();
    // One line at a time: gather what fits, then centre each item on the line's height so a
    // combo box beside taller buttons does not sit at the top.
    for (int first = 0; first < m_items.size();) {
        int last = first, width = 0, height = 0;
        for (; last < m_items.size(); ++last) {
            const QLayoutItem* item = m_items[last];
            if (item->isEmpty())
                continue;
            const int itemWidth = std::min(item->sizeHint().width(), area.width());
            const int needed = width == 0 ? itemWidth : width + gap + itemWidth;
            if (width > 0 && needed > area.width())
                break;
            width = needed;
            height = std::max(height, item->sizeHint().height());
        }
        if (move) {
            int x = area.left();
            for (int i = first; i < last; ++i) {
                QLayoutItem* item = m_items[i];
                if (item->isEmpty())
                    continue;
                const QSize hint(std::min(item->sizeHint().width(), area.width()), item->sizeHint().height());
                item->setGeometry(QRect(QPoint(x, top + (height - hint.height()) / 2), hint));
                x += hint.width() + gap;
            }
        }
        if (height > 0)
            top += height + gap;
        first = last;
    }
    const int used = top > area.top() ? top - gap - area.top() : 0;
    const QMargins margins = contentsMargins();
    return used + margins.top() + margins.bottom();
}

} // namespace pelmora::app
