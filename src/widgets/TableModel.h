#pragma once

#include "data/TableView.h"

#include <QAbstractTableModel>

#include <map>
#include <vector>

namespace pelmora::app {

class TDataSource;

// The records of one view as a Qt table: the view's visible fields in display order, read page
// by page as the grid scrolls and forgotten whenever the view's records change. Logical fields
// show as check boxes; dates in the locale's short form.
class TableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // A column: a field's name and its width in characters.
    using Column = std::pair<std::string, int>;

    // Shows `columns` when given, else the view's visible fields in its display order.
    explicit TableModel(TDataSource* source, const std::vector<Column>& columns = {}, QObject* parent = nullptr);

    int widthChars(int column) const;

    // Counts the rows as the grid reaches them, a page at a time, instead of counting the whole
    // view first: for lists of millions of records, whose count and per-row bookkeeping in the
    // grid would cost more than the screen shown. The grid asks for more at its bottom.
    void setCountsByPages(bool on) { m_byPages = on; }
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    // Makes the rows up to `row` known, for a current record further down than the grid has read.
    void reveal(int row);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;

    const data::ViewField& field(int column) const;
    int columnOf(const std::string& fieldName) const; // -1 when not shown
    std::int64_t rowIdAt(int row) const;
    // The row of the view's current record; -1 when there is none.
    int currentRow() const;
    // Makes the record of `row` current, posting a record being edited first. False on failure.
    bool moveTo(int row);
    // Flips a logical cell (a single click on a check-box cell), posting at once.
    void toggle(const QModelIndex& index);

    // Shows a record being inserted as a row of its own, before the record that was current,
    // so that the user types the new entry in place.
    void setShowsInsertRow(bool shows) { m_showsInsertRow = shows; }
    // The row of the record being inserted; -1 when none is shown.
    int insertRow() const { return m_insertRow; }
    // A field the grid shows but the user may not change.
    void setReadOnly(const std::string& fieldName);
    // Draws the title of the column the view is ordered by (its index's first field) on blue.
    void setMarksOrderTitle(bool marks) { m_marksOrderTitle = marks; }
    // The first field of the view's current index; empty when the view is ordered otherwise.
    std::string orderField() const;

private:
    static constexpr int PageSize = 64;

    const data::Record* record(int row) const;
    const std::vector<data::Record>& page(std::int64_t number) const;
    // The rows known once the page holding row `known` is read; notes whether more may follow.
    std::int64_t reach(std::int64_t known) const;
    void reload();
    void refreshRows();
    void followState();

    TDataSource* m_source;
    std::vector<int> m_columns; // indexes into the view's fields
    std::vector<int> m_widths;
    mutable std::map<std::int64_t, std::vector<data::Record>> m_pages;
    mutable std::int64_t m_count = -1; // all rows, or those known so far when counted by pages
    mutable bool m_more = false; // counted by pages: rows may follow the known ones
    bool m_byPages = false;
    bool m_wasOpen = false;
    bool m_showsInsertRow = false;
    bool m_marksOrderTitle = false;
    int m_insertRow = -1;
    std::vector<bool> m_readOnly; // per column
};

} // namespace pelmora::app
