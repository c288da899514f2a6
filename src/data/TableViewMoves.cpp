// Moving through a view: keyset queries on the view's order, with the rowid as the last key so
// that every position is unique. NULLs sort first, as SQLite sorts them.
#include "data/TableView.h"

#include "data/DataError.h"

#include <algorithm>

namespace pelmora::data {

namespace {

// How many records one keyset query reads ahead: moving on through a grid or a report then costs
// one query per page, not per record.
constexpr std::int64_t kReadAhead = 32;

std::string likePrefix(const std::string& text)
{
    std::string escaped;
    for (char c : text) {
        if (c == '%' || c == '_' || c == '\\')
            escaped += '\\';
        escaped += c;
    }
    return escaped + "%";
}

} // namespace

struct TableView::OrderKey {
    std::string expression;
    int field; // index into fields(); -1 for the rowid
};

std::string TableView::orderBy(bool forward) const
{
    const char* direction = forward ? "" : " DESC";
    std::string sql = " ORDER BY ";
    for (const std::string& name : m_orderFields)
        sql += orderColumn(name) + direction + ", ";
    return sql + "rowid" + direction;
}

// The condition "comes after (forward) or before `from` in the order", from key column `column` on.
std::string TableView::keyCondition(const Record& from, bool forward, size_t column, std::vector<Value>& params) const
{
    if (column == m_orderFields.size()) {
        params.push_back(from.rowId);
        return forward ? "rowid > ?" : "rowid < ?";
    }
    const std::string& name = m_orderFields[column];
    const std::string c = orderColumn(name);
    const Value& v = from.values[size_t(fieldIndex(name))];
    std::vector<Value> rest;
    const std::string tail = keyCondition(from, forward, column + 1, rest);
    std::string sql;
    if (isNull(v)) {
        sql = forward ? "(" + c + " IS NOT NULL OR (" + c + " IS NULL AND " + tail + "))"
                      : "(" + c + " IS NULL AND " + tail + ")";
    } else {
        sql = forward ? "(" + c + " > ? OR (" + c + " = ? AND " + tail + "))"
                      : "(" + c + " < ? OR " + c + " IS NULL OR (" + c + " = ? AND " + tail + "))";
        params.push_back(v);
        params.push_back(v);
    }
    params.insert(params.end(), rest.begin(), rest.end());
    return sql;
}

std::optional<Record> TableView::fetchFirst(bool forward)
{
    const size_t start = forward || m_parts.empty() ? 0 : m_parts.size() - 1;
    auto records = readParts(start, forward, {}, {}, {}, {}, forward ? kReadAhead : 1);
    if (records.empty())
        return std::nullopt;
    if (forward)
        m_ahead.assign(std::make_move_iterator(records.begin() + 1), std::make_move_iterator(records.end()));
    return std::move(records.front());
}

std::optional<Record> TableView::fetchAfter(const Record& from, bool forward)
{
    std::vector<Value> params;
    std::string range;
    const Value* first = nullptr;
    std::string c;
    if (!m_orderFields.empty()) {
        c = orderColumn(m_orderFields.front());
        first = &from.values[size_t(fieldIndex(m_orderFields.front()))];
        // A bound on the first key lets SQLite start inside the index instead of scanning to it.
        if (!isNull(*first)) {
            range = " AND " + c + (forward ? " >= ?" : " <= ?");
            params.push_back(*first);
        } else if (!forward) {
            range = " AND " + c + " IS NULL";
        }
    }
    const std::string condition = keyCondition(from, forward, 0, params);
    const size_t part = partOf(from);
    auto records = readParts(part, forward, range + " AND " + condition, params, {}, {}, forward ? kReadAhead : 1);
    if (records.empty() && !forward && first && !isNull(*first)) // the NULL keys come first
        records = readParts(part, false, " AND " + c + " IS NULL", {}, {}, {}, 1);
    if (records.empty())
        return std::nullopt;
    if (forward)
        m_ahead.assign(std::make_move_iterator(records.begin() + 1), std::make_move_iterator(records.end()));
    return std::move(records.front());
}

void TableView::setCurrent(std::optional<Record> record, bool atEnd)
{
    m_current = std::move(record);
    m_eof = atEnd || !m_current;
    m_bof = atEnd || !m_current;
    notify(ViewEvent::CurrentChanged);
}

void TableView::first()
{
    requireOpen();
    checkBrowseMode();
    m_ahead.clear();
    if (m_master)
        m_followedKey = masterValue();
    auto record = fetchFirst(true);
    m_recNo = record ? 1 : 0;
    setCurrent(std::move(record), false);
    m_bof = true;
}

void TableView::last()
{
    requireOpen();
    checkBrowseMode();
    m_ahead.clear();
    auto record = fetchFirst(false);
    m_recNo = record && m_count >= 0 ? m_count : 0;
    setCurrent(std::move(record), false);
    m_eof = true;
}

// Common start of next() and prior(): an empty view cannot step and sets its end flag.
bool TableView::beginStep(bool& endFlag)
{
    requireOpen();
    checkBrowseMode();
    if (!m_current)
        endFlag = true;
    return m_current.has_value();
}

bool TableView::next()
{
    if (!beginStep(m_eof))
        return false;
    std::optional<Record> record;
    if (!m_ahead.empty()) {
        record = std::move(m_ahead.front());
        m_ahead.erase(m_ahead.begin());
    } else {
        record = fetchAfter(*m_current, true);
    }
    if (!record) {
        m_eof = true;
        return false;
    }
    if (m_recNo > 0)
        ++m_recNo;
    setCurrent(std::move(record), false);
    return true;
}

bool TableView::prior()
{
    if (!beginStep(m_bof))
        return false;
    std::vector<Record> keptAhead = std::move(m_ahead);
    auto record = fetchAfter(*m_current, false);
    if (!record) {
        m_ahead = std::move(keptAhead);
        m_bof = true;
        return false;
    }
    // What followed the old current record still follows, one step further on.
    keptAhead.insert(keptAhead.begin(), *m_current);
    m_ahead = std::move(keptAhead);
    if (m_recNo > 1)
        --m_recNo;
    setCurrent(std::move(record), false);
    return true;
}

// Counting millions of records costs more than the screen shown beside the figure, and windows
// ask for it on every move: a figure is kept for as long as neither the query nor the file changed.
std::int64_t TableView::keptFigure(KeptFigure& kept, const std::string& query, const std::vector<Value>& params,
    std::int64_t known, const std::function<std::int64_t()>& count)
{
    std::string key = query;
    for (const Value& param : params)
        key += '\x1f' + std::to_string(param.index()) + ':' + valueToString(param);
    const SqlDatabase::ChangeStamp stamp = m_database->sql().changeStamp();
    if (known < 0 && kept.value >= 0 && kept.query == key && kept.stamp == stamp)
        return kept.value;
    kept = { std::move(key), stamp, known >= 0 ? known : count() };
    return kept.value;
}

std::int64_t TableView::recordCount()
{
    requireOpen();
    std::vector<Value> params;
    // Through the indexes the filter can use: counting never needs the records' order.
    const std::string sql = "SELECT COUNT(*) FROM \"" + m_table->name + "\"" + whereClause(params, true);
    m_count = keptFigure(m_keptCount, sql, params, m_count, [&] { return m_database->sql().scalar(sql, params); });
    return m_count;
}

std::int64_t TableView::recNo()
{
    requireOpen();
    if (!m_current)
        return 0;
    std::vector<Value> params;
    const std::string query = whereClause(params, false) + orderBy(true) + " @" + std::to_string(m_current->rowId);
    m_recNo = keptFigure(
        m_keptRecNo, query, params, m_recNo > 0 ? m_recNo : -1, [&] { return countBefore(*m_current) + 1; });
    return m_recNo;
}

// The records ahead of `record` in the order, counted in parts that each stay inside the index
// (blank first keys, smaller first keys, equal first keys and the rest): one condition joining
// them with OR would make SQLite read the whole table.
std::int64_t TableView::countBefore(const Record& record)
{
    // In an order by looked-up values, the parts before the record's own count whole.
    const size_t part = partOf(record);
    std::int64_t before = 0;
    for (size_t earlier = 0; earlier < part; ++earlier)
        before += countInPart(earlier);
    const std::string from = m_partFroms.empty() ? " FROM \"" + m_table->name + "\"" : m_partFroms[part];
    auto count = [&](const std::string& condition, std::vector<Value> params) {
        std::vector<Value> all;
        const std::string where = whereClause(all);
        all.insert(all.end(), params.begin(), params.end());
        return m_database->sql().scalar("SELECT COUNT(*)" + from + where + " AND " + condition, all);
    };
    if (m_orderFields.empty())
        return count("rowid < ?", { Value(record.rowId) });
    const std::string c = orderColumn(m_orderFields.front());
    const Value& first = record.values[size_t(fieldIndex(m_orderFields.front()))];
    std::vector<Value> params;
    const std::string rest = keyCondition(record, false, 1, params);
    if (isNull(first))
        return before + count(c + " IS NULL AND " + rest, params);
    params.insert(params.begin(), first);
    return before + count(c + " IS NULL", {}) + count(c + " < ?", { first }) + count(c + " = ? AND " + rest, params);
}

// Makes the first of `records` current after a jump: its position is counted again when asked,
// unless the caller knows it.
bool TableView::jumpTo(std::vector<Record> records, std::int64_t position)
{
    if (records.empty())
        return false;
    m_ahead.clear();
    m_recNo = std::max<std::int64_t>(position, 0);
    setCurrent(std::move(records.front()), false);
    return true;
}

bool TableView::gotoRowId(std::int64_t rowId, std::int64_t position)
{
    requireOpen();
    checkBrowseMode();
    auto records = fetch(" AND rowid = ?", { Value(rowId) });
    return jumpTo(std::move(records), position);
}

std::vector<Record> TableView::rows(std::int64_t offset, std::int64_t count)
{
    requireOpen();
    if (offset < 0 || count <= 0)
        return {};
    if (m_parts.empty())
        return fetch(orderBy(true) + " LIMIT ? OFFSET ?", { Value(count), Value(offset) });
    // Parts in turn: the offset into a later part is known once the earlier ones are counted,
    // which is only needed when a page starts beyond them.
    std::vector<Record> records;
    for (size_t part = 0; part < m_parts.size() && std::int64_t(records.size()) < count; ++part) {
        const std::int64_t wanted = count - std::int64_t(records.size());
        auto more = fetchFrom(m_parts[part], orderBy(true) + " LIMIT ? OFFSET ?", { Value(wanted), Value(offset) });
        if (more.empty() && offset > 0 && part + 1 < m_parts.size())
            offset = std::max<std::int64_t>(0, offset - countInPart(part));
        else
            offset = 0;
        records.insert(records.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
    }
    return records;
}

bool TableView::locate(const std::vector<std::string>& names, const std::vector<Value>& values, LocateOptions options)
{
    requireOpen();
    checkBrowseMode();
    if (names.size() != values.size())
        throw EDatabaseError("Locate needs one value per field");
    std::string sql;
    std::vector<Value> params;
    for (size_t i = 0; i < names.size(); ++i) {
        const FieldDef* f = m_table->field(names[i]);
        if (!f)
            throw EDatabaseError("Field \"" + names[i] + "\" not found in table " + m_table->fileName);
        const std::string c = "\"" + f->name + "\"";
        const std::string text = valueToString(values[i]);
        if (isNull(values[i]) || text.empty()) {
            sql += " AND " + c + " IS NULL";
        } else if (f->isText() && options.partialKey) {
            sql += options.caseInsensitive ? " AND " + c + " LIKE ? ESCAPE '\\'"
                                           : " AND substr(" + c + ", 1, length(?)) = ?";
            params.push_back(options.caseInsensitive ? likePrefix(text) : text);
            if (!options.caseInsensitive)
                params.push_back(text);
        } else {
            sql += " AND " + c + " = ?" + (options.caseInsensitive && f->isText() ? " COLLATE NOCASE" : "");
            params.push_back(f->isText() ? Value(text) : values[i]);
        }
    }
    if (!options.afterCurrent || !m_current)
        return jumpTo(readParts(0, true, sql, params, sql, params, 1));
    std::vector<Value> after = params;
    const std::string from = sql + " AND " + keyCondition(*m_current, true, 0, after);
    return jumpTo(readParts(partOf(*m_current), true, from, after, sql, params, 1));
}

} // namespace pelmora::data
