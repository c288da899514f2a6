#include "widgets/GridDelegate.h"

#include "widgets/TableModel.h"
#include "widgets/TDBGrid.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPainter>

namespace pelmora::app {

namespace {

const data::ViewField& fieldOf(const TDBGrid* grid, const QModelIndex& index)
{
    return grid->tableModel()->field(index.column());
}

} // namespace

GridDelegate::GridDelegate(TDBGrid* grid)
    : QStyledItemDelegate(grid)
    , m_grid(grid)
{
}

void GridDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const TableModel* model = m_grid->tableModel();
    if (!model || index.row() != m_grid->currentIndex().row() || !m_grid->isButtonField(fieldOf(m_grid, index).name)) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    // The text keeps clear of the button at the cell's right edge.
    QStyleOptionButton button;
    button.rect = TDBGrid::buttonRect(option.rect);
    button.text = QStringLiteral("\u2026");
    button.state = QStyle::State_Enabled | QStyle::State_Raised;
    QStyleOptionViewItem text = option;
    text.rect.setRight(button.rect.left() - 1);
    QStyledItemDelegate::paint(painter, text, index);
    m_grid->style()->drawControl(QStyle::CE_PushButton, &button, painter, m_grid);
}

QWidget* GridDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const data::ViewField& f = fieldOf(m_grid, index);
    if (const QStringList items = m_grid->pickList(f.name); !items.isEmpty()) {
        auto* list = new QComboBox(parent);
        list->setEditable(true);
        list->addItems(items);
        if (f.type == data::FieldType::Alpha && f.size > 0)
            list->lineEdit()->setMaxLength(f.size);
        return list;
    }
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    if (auto* line = qobject_cast<QLineEdit*>(editor); line && f.type == data::FieldType::Alpha && f.size > 0)
        line->setMaxLength(f.size);
    return editor;
}

void GridDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    if (auto* list = qobject_cast<QComboBox*>(editor))
        list->setCurrentText(index.data(Qt::EditRole).toString());
    else
        QStyledItemDelegate::setEditorData(editor, index);
}

void GridDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    if (auto* list = qobject_cast<QComboBox*>(editor))
        model->setData(index, list->currentText(), Qt::EditRole);
    else
        QStyledItemDelegate::setModelData(editor, model, index);
}

} // namespace pelmora::app
