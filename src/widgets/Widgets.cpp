#include "widgets/Widgets.h"

#include <QBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>

namespace pelmora::app {

int charsToPixels(const QWidget* widget, int chars)
{
    constexpr int cellMargins = 8;
    return chars * widget->fontMetrics().averageCharWidth() + cellMargins;
}

void setUpGrid(QTableView* grid, const std::vector<GridColumn>& columns)
{
    auto* model = new QStandardItemModel(0, static_cast<int>(columns.size()), grid);
    for (int i = 0; i < static_cast<int>(columns.size()); ++i)
        model->setHeaderData(i, Qt::Horizontal, columns[static_cast<size_t>(i)].title);
    grid->setModel(model);
    QHeaderView* header = grid->horizontalHeader();
    QFont bold = header->font();
    bold.setBold(true);
    header->setFont(bold);
    header->setDefaultAlignment(Qt::AlignCenter);
    header->setHighlightSections(false);
    // Room left over goes to the last column, whose long values (addresses, notes) need it most.
    header->setStretchLastSection(true);
    for (int i = 0; i < static_cast<int>(columns.size()); ++i)
        grid->setColumnWidth(i, charsToPixels(grid, columns[static_cast<size_t>(i)].widthChars));
    grid->verticalHeader()->setVisible(false);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setAlternatingRowColors(true);
    grid->setTabKeyNavigation(false); // Tab leaves the grid; arrows move within it
}

QPushButton* addButton(QLayout* row, const QString& objectName, const QString& text, const QString& hint)
{
    auto* button = new QPushButton(text);
    button->setObjectName(objectName);
    button->setAutoDefault(false);
    if (!hint.isEmpty())
        button->setToolTip(hint);
    row->addWidget(button);
    return button;
}

QLabel* boldLabel(const QString& text, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    return label;
}

QIcon calendarGlyph()
{
    static const QIcon glyph = [] {
        QIcon icon;
        for (int size : { 16, 24, 32 }) {
            QPixmap pixmap(size, size);
            pixmap.fill(Qt::transparent);
            QPainter painter(&pixmap);
            painter.scale(size / 16.0, size / 16.0);
            painter.setPen(QPen(QColor(0x40, 0x40, 0x40), 1.0));
            painter.setBrush(Qt::white);
            painter.drawRect(QRectF(1.5, 2.5, 13, 12));
            painter.fillRect(QRectF(2, 3, 12, 3), QColor(0xc0, 0x30, 0x30));
            painter.setPen(Qt::NoPen);
            painter.setBrush(QColor(0x40, 0x40, 0x40));
            for (int row = 0; row < 3; ++row) {
                for (int col = 0; col < 4; ++col)
                    painter.drawRect(QRectF(3.5 + col * 2.6, 7.5 + row * 2.3, 1.4, 1.4));
            }
            icon.addPixmap(pixmap);
        }
        return icon;
    }();
    return glyph;
}

} // namespace pelmora::app
