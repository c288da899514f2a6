#include "widgets/TableModel.h"

#include "widgets/DateText.h"
#include "widgets/TDataSource.h"

#include <QBrush>

#include <algorithm>

namespace pelmora::app {

namespace {

bool isShown(const data::ViewField& field)
{
    return !field.hidden;
}

} // namespace

TableModel::TableModel(TDataSource* source, const std::vector<Column>& columns, QObject* parent)
    : QAbstractTableModel(parent)
    , m_source(source)
{
    const data::TableView& view = source->view();
    for (const auto& [name, width] : columns) {
        if (const int i = view.fieldIndex(name); i >= 0) {
            m_columns.push_back(i);
            m_widths.push_back(width);
        }
    }
    if (columns.empty() && view.displayOrder().empty()) {
        for (int i = 0; i < static_cast<int>(view.fields().size()); ++i) {
            if (isShown(view.fields()[static_cast<size_t>(i)]))
                m_columns.push_back(i);
        }
    } else if (columns.empty()) {
        for (const std::string& name : view.displayOrder()) {
            const int i = view.fieldIndex(name);
            if (i >= 0 && isShown(view.fields()[static_cast<size_t>(i)]))
                m_columns.push_back(i);
        }
    }
    connect(source, &TDataSource::listChanged, this, &TableModel::reload);
    m_readOnly.assign(m_columns.size(), false);
    m_wasOpen = source->view().isOpen();
    connect(source, &TDataSource::stateChanged, this, &TableModel::followState);
    connect(source, &TDataSource::dataChanged, this, &TableModel::refreshRows);
}

void TableModel::followState()
{
    const data::TableView& view = m_source->view();
    if (view.isOpen() != m_wasOpen) {
        m_wasOpen = !m_wasOpen;
        m_insertRow = -1;
        reload();
        return;
    }
    // Otherwise only an insert changes the rows (when the grid shows it); an edit shows through data().
    const bool inserting = m_showsInsertRow && view.state() == data::ViewState::Insert;
    if (inserting && m_insertRow < 0) {
        const int at = qMax(0, currentRow());
        beginInsertRows({}, at, at);
        m_insertRow = at;
        endInsertRows();
    } else if (!inserting && m_insertRow >= 0) {
        // Posted or cancelled: the row goes; a posted record comes back with the list's reload.
        beginRemoveRows({}, m_insertRow, m_insertRow);
        m_insertRow = -1;
        endRemoveRows();
    }
}

void TableModel::setReadOnly(const std::string& fieldName)
{
    if (const int column = columnOf(fieldName); column >= 0)
        m_readOnly[static_cast<size_t>(column)] = true;
}

int TableModel::widthChars(int column) const
{
    return m_widths.empty() ? field(column).width : m_widths[static_cast<size_t>(column)];
}

const data::ViewField& TableModel::field(int column) const
{
    return m_source->view().fields()[static_cast<size_t>(m_columns[static_cast<size_t>(column)])];
}

int TableModel::columnOf(const std::string& fieldName) const
{
    for (int c = 0; c < static_cast<int>(m_columns.size()); ++c) {
        if (data::equalsNoCase(field(c).name, fieldName))
            return c;
    }
    return -1;
}

int TableModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !m_source->view().isOpen())
        return 0;
    if (m_count < 0)
        m_count = m_byPages ? reach(0) : m_source->view().recordCount();
    return static_cast<int>(m_count) + (m_insertRow >= 0 ? 1 : 0);
}

std::int64_t TableModel::reach(std::int64_t known) const
{
    const std::vector<data::Record>& rows = page(known / PageSize);
    m_more = rows.size() == static_cast<size_t>(PageSize);
    return std::max(known, known / PageSize * PageSize + static_cast<std::int64_t>(rows.size()));
}

bool TableModel::canFetchMore(const QModelIndex& parent) const
{
    return m_byPages && !parent.isValid() && m_count >= 0 && m_more;
}

void TableModel::fetchMore(const QModelIndex& parent)
{
    if (!canFetchMore(parent))
        return;
    const std::int64_t reached = reach(m_count);
    if (reached == m_count)
        return;
    const int shift = m_insertRow >= 0 ? 1 : 0;
    beginInsertRows({}, static_cast<int>(m_count) + shift, static_cast<int>(reached - 1) + shift);
    m_count = reached;
    endInsertRows();
}

void TableModel::reveal(int row)
{
    if (!m_byPages || m_count < 0 || row < m_count)
        return;
    // The record is in the view, so every row before it is too.
    beginInsertRows({}, static_cast<int>(m_count), row);
    m_count = row + 1;
    m_more = true;
    endInsertRows();
}

int TableModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_columns.size());
}

const data::Record* TableModel::record(int row) const
{
    if (m_insertRow >= 0 && row >= m_insertRow) {
        if (row == m_insertRow)
            return m_source->view().current(); // the record being inserted, as typed so far
        --row;
    }
    const std::vector<data::Record>& rows = page(row / PageSize);
    const size_t offset = static_cast<size_t>(row % PageSize);
    return offset < rows.size() ? &rows[offset] : nullptr;
}

const std::vector<data::Record>& TableModel::page(std::int64_t number) const
{
    auto found = m_pages.find(number);
    if (found == m_pages.end()) {
        // A page of rows in one query: scrolling reads a screenful at a time, not row by row.
        found = m_pages.emplace(number, m_source->view().rows(number * PageSize, PageSize)).first;
    }
    return found->second;
}

QVariant TableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const data::Record* row = record(index.row());
    if (!row)
        return {};
    const data::ViewField& f = field(index.column());
    const data::TableView& view = m_source->view();
    // The record being edited shows what has been typed, not what is stored.
    const bool editing = view.isEditing() && view.current() && view.current()->rowId == row->rowId;
    const data::Value value = editing
        ? view.value(f.name)
        : row->values[static_cast<size_t>(m_columns[static_cast<size_t>(index.column())])];
    if (f.type == data::FieldType::Logical) {
        if (role == Qt::CheckStateRole)
            return data::valueToString(value) == "1" ? Qt::Checked : Qt::Unchecked;
        return {};
    }
    if (role == Qt::TextAlignmentRole && (f.type == data::FieldType::Number || f.type == data::FieldType::Long))
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    const QString text = QString::fromStdString(data::valueToString(value));
    return f.type == data::FieldType::Date ? isoToDateText(text) : text;
}

std::string TableModel::orderField() const
{
    const data::TableView& view = m_source->view();
    for (const data::IndexInfo& index : view.indexes()) {
        if (index.name == view.indexName())
            return index.firstField;
    }
    return {};
}

QVariant TableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return QString::fromStdString(field(section).title());
    if ((role == Qt::BackgroundRole || role == Qt::ForegroundRole) && m_marksOrderTitle
        && data::equalsNoCase(field(section).name, orderField()))
        return role == Qt::BackgroundRole ? QBrush(Qt::blue) : QBrush(Qt::white);
    return QAbstractTableModel::headerData(section, orientation, role);
}

Qt::ItemFlags TableModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    const data::ViewField& f = field(index.column());
    if (f.kind == data::FieldKind::Data && f.type != data::FieldType::AutoInc && f.type != data::FieldType::Logical
        && !m_readOnly[static_cast<size_t>(index.column())])
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool TableModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !index.isValid() || !moveTo(index.row()))
        return false;
    // An editor closed without a change leaves the record as it was: a new entry the user did
    // not type into stays unchanged, so it is dropped rather than stored empty.
    if (data(index, Qt::EditRole).toString() == value.toString())
        return true;
    const std::string name = field(index.column()).name;
    return m_source->guarded(nullptr, [this, &name, &value] {
        m_source->ensureEditing();
        m_source->view().setString(name, value.toString().toStdString());
    });
}

std::int64_t TableModel::rowIdAt(int row) const
{
    const data::Record* r = record(row);
    return r ? r->rowId : 0;
}

int TableModel::currentRow() const
{
    if (m_insertRow >= 0)
        return m_insertRow;
    data::TableView& view = m_source->view();
    if (!view.isOpen() || view.isEmpty())
        return -1;
    return static_cast<int>(view.recNo()) - 1;
}

bool TableModel::moveTo(int row)
{
    if (row == currentRow())
        return true;
    const std::int64_t rowId = rowIdAt(row);
    data::TableView& view = m_source->view();
    // The row is the record's place in the view's order, so the view need not count to learn it;
    // a record stored first (a new one, or an edit that moves it) may shift the places, and then
    // the view counts when asked.
    const std::int64_t position = m_insertRow < 0 && !view.isEditing() ? row + 1 : 0;
    if (m_insertRow >= 0 && !view.modified()) {
        view.cancel(); // a new row left unchanged is dropped, not stored empty
    } else if (!m_source->post(nullptr)) { // leaving a row posts it
        return false;
    }
    return m_source->guarded(nullptr, [this, rowId, position] {
        if (rowId)
            m_source->view().gotoRowId(rowId, position);
    });
}

void TableModel::toggle(const QModelIndex& index)
{
    if (!index.isValid() || field(index.column()).type != data::FieldType::Logical || !moveTo(index.row()))
        return;
    const std::string name = field(index.column()).name;
    m_source->guarded(nullptr, [this, &name] {
        data::TableView& view = m_source->view();
        m_source->ensureEditing();
        view.setBoolean(name, !view.asBoolean(name));
        view.post();
    });
}

void TableModel::reload()
{
    beginResetModel();
    m_pages.clear();
    m_count = -1;
    endResetModel();
}

void TableModel::refreshRows()
{
    m_pages.clear();
    if (rowCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

} // namespace pelmora::app
