#include "app/TDBGrid.h"

#include "app/TableModel.h"
#include "app/TDataSource.h"
#include "app/Widgets.h"

#include <QHeaderView>

namespace pelmora::app {

TDBGrid::TDBGrid(QWidget* parent)
    : QTableView(parent)
{
    setUpGrid(this, {});
    setEditTriggers(
        QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
}

void TDBGrid::setDataSource(TDataSource* source, const std::vector<std::pair<std::string, int>>& columns)
{
    QAbstractItemModel* old = model();
    m_source = source;
    m_model = new TableModel(source, columns, this);
    setModel(m_model);
    if (old && old->parent() == this)
        old->deleteLater();
    for (int c = 0; c < m_model->columnCount(); ++c)
        setColumnWidth(c, charsToPixels(this, m_model->widthChars(c)));
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this, &TDBGrid::rowChosen);
    connect(this, &QTableView::pressed, this, &TDBGrid::cellPressed);
    connect(source, &TDataSource::currentChanged, this, &TDBGrid::followCurrent);
    connect(m_model, &QAbstractItemModel::modelReset, this, &TDBGrid::followCurrent);
    followCurrent();
}

void TDBGrid::followCurrent()
{
    if (!m_model || m_following)
        return;
    m_following = true;
    const int row = m_model->currentRow();
    const int column = qMax(0, currentIndex().column());
    if (row >= 0) {
        setCurrentIndex(m_model->index(row, column));
        scrollTo(currentIndex());
    } else {
        selectionModel()->clearCurrentIndex();
    }
    m_following = false;
}

void TDBGrid::rowChosen(const QModelIndex& current, const QModelIndex& previous)
{
    if (m_following || !current.isValid() || current.row() == previous.row())
        return;
    m_following = true;
    const bool moved = m_model->moveTo(current.row());
    m_following = false;
    if (!moved)
        followCurrent(); // the record could not be left: the selection goes back to it
}

void TDBGrid::cellPressed(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    const data::ViewField& field = m_model->field(index.column());
    if (field.type == data::FieldType::Logical)
        m_model->toggle(index);
    emit cellClicked(QString::fromStdString(field.name));
}

} // namespace pelmora::app
