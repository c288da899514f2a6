#pragma once

#include <QTableView>

#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace pelmora::app {

class TDataSource;
class TableModel;

// A grid over a data source: the view's fields as columns (titles and widths in characters
// from the view), its current record as the selected row, moving the row moving the record
// (a record being edited is posted first), check-box cells changed by a double click or Space
// (a single click only where the page asks for it), button cells, text cells limited to their
// field's size.
class TDBGrid : public QTableView {
    Q_OBJECT
public:
    explicit TDBGrid(QWidget* parent = nullptr);
    ~TDBGrid() override;

    using QTableView::edit; // the public edit(index) stays beside the override below

    // Shows the view's own columns, or `columns` (field name, width in characters) when given.
    void setDataSource(TDataSource* source, const std::vector<std::pair<std::string, int>>& columns = {});
    TDataSource* dataSource() const { return m_source; }
    TableModel* tableModel() const { return m_model; }

    // Lets the user type new entries in place: a record being inserted shows as a row of its
    // own, and one left unchanged is dropped when the user leaves the row or the grid.
    void setInsertInPlace(bool on);
    // Counts the rows a page at a time as the user reaches them (see TableModel); set before
    // setDataSource, so that the view is never counted whole.
    void setCountsByPages(bool on) { m_countsByPages = on; }
    // Ctrl+Del deletes the current record after the grid's own confirmation.
    void setDeleteFromKeyboard(bool on) { m_deleteFromKeyboard = on; }
    void setReadOnlyField(const std::string& fieldName);
    // The cells of `fieldName` carry a small button on the current row (clicked, or Ctrl+Enter).
    void addButtonField(const std::string& fieldName);
    bool isButtonField(const std::string& fieldName) const { return m_buttonFields.count(fieldName) > 0; }
    // A single click on a check-box cell of `fieldName` flips and stores it. Elsewhere a click
    // only chooses the cell, since a flag changed by a stray click (a message queued to be sent)
    // would be stored at once.
    void setToggleOnClick(const std::string& fieldName) { m_clickToggles.insert(fieldName); }
    // The cells of `fieldName` are typed or chosen from `items`, read each time a cell is opened.
    void setPickList(const std::string& fieldName, std::function<QStringList()> items);
    QStringList pickList(const std::string& fieldName) const;
    // A click on a column title orders the view by the index whose first field is the column's
    // (when the table has one); the title of the column the view is ordered by is drawn on blue.
    void setTitleSort(bool on);
    // Orders the view by the index on `fieldName`; false when the table has none.
    bool sortByField(const std::string& fieldName);
    // Enter moves to the next cell as Tab does, storing what was typed; it never starts a record.
    void setEnterMovesToNextCell(bool on) { m_enterMovesNext = on; }
    // A double-click on a memo cell opens the memo window on its whole text instead of the cell
    // editor; OK stores the edited text.
    void setMemoWindows(bool on) { m_memoWindows = on; }
    bool isMemoColumn(int column) const;
    // Opens the memo window on the memo cell `index` (what a double-click on it does).
    void editMemo(const QModelIndex& index);

    // The area of a cell taken by its button.
    static QRect buttonRect(const QRect& cell);

    // Stores what is typed in an open cell editor into the record (an engine error is shown).
    void commitEditing();
    // A record being inserted that the user left unchanged is dropped.
    void dropUnchangedInsert();
    // Asks the grid's confirmation and deletes the current record on OK.
    void deleteCurrent();

signals:
    // A cell of a column was clicked (button cells: the page decides what the click does).
    void cellClicked(const QString& fieldName);
    // The button of a button cell was pressed on the current record.
    void buttonClicked(const QString& fieldName);

protected:
    // Tab and Backtab pass over the cells the user may not change.
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    void followCurrent();
    void moveToNextCell();
    void rowChosen(const QModelIndex& current, const QModelIndex& previous);
    void cellPressed(const QModelIndex& index);
    void cellDoubleClicked(const QModelIndex& index);
    bool isLogical(const QModelIndex& index) const;
    void focusMoved(QWidget* from, QWidget* to);
    bool holds(const QWidget* widget) const;
    int columnPixels(int column) const;

    TDataSource* m_source = nullptr;
    TableModel* m_model = nullptr;
    bool m_following = false;
    bool m_insertInPlace = false;
    bool m_countsByPages = false;
    bool m_deleteFromKeyboard = false;
    bool m_titleSort = false;
    bool m_enterMovesNext = false;
    bool m_memoWindows = false;
    std::set<std::string> m_readOnlyFields;
    std::set<std::string> m_buttonFields;
    std::set<std::string> m_clickToggles;
    std::map<std::string, std::function<QStringList()>> m_pickLists;
};

} // namespace pelmora::app
