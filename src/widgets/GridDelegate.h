#pragma once

#include <QStyledItemDelegate>

namespace pelmora::app {

class TDBGrid;

// Draws the button of a grid's button cells, offers pick lists as drop-downs and keeps typed
// text within the field's size.
class GridDelegate : public QStyledItemDelegate {
public:
    explicit GridDelegate(TDBGrid* grid);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

private:
    TDBGrid* m_grid;
};

} // namespace pelmora::app
