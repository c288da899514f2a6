#pragma once

#include <QTableView>

#include <string>
#include <utility>
#include <vector>

namespace pelmora::app {

class TDataSource;
class TableModel;

// A grid over a data source: the view's fields as columns (titles and widths in characters
// from the view), its current record as the selected row, moving the row moving the record
// (a record being edited is posted first), check-box cells toggled by a single click.
class TDBGrid : public QTableView {
    Q_OBJECT
public:
    explicit TDBGrid(QWidget* parent = nullptr);

    // Shows the view's own columns, or `columns` (field name, width in characters) when given.
    void setDataSource(TDataSource* source, const std::vector<std::pair<std::string, int>>& columns = {});
    TDataSource* dataSource() const { return m_source; }
    TableModel* tableModel() const { return m_model; }

signals:
    // A cell of a column was clicked (button cells: the page decides what the click does).
    void cellClicked(const QString& fieldName);

private:
    void followCurrent();
    void rowChosen(const QModelIndex& current, const QModelIndex& previous);
    void cellPressed(const QModelIndex& index);

    TDataSource* m_source = nullptr;
    TableModel* m_model = nullptr;
    bool m_following = false;
};

} // namespace pelmora::app
