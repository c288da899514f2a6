#include "data/TableView.h"

#include "data/DataError.h"
#include "data/SqlName.h"

#include <algorithm>

namespace pelmora::data {

TableView::TableView(std::string name, const TableDef& table)
    : m_name(std::move(name))
    , m_table(&table)
{
    for (const FieldDef& f : table.fields) {
        ViewField field;
        field.name = f.name;
        field.type = f.type;
        field.size = f.size;
        field.label = f.label;
        field.width = f.width;
        field.hidden = f.hidden;
        m_fields.push_back(std::move(field));
    }
}

TableView::~TableView()
{
    if (m_master)
        m_master->unsubscribe(m_masterSubscription);
}

void TableView::setDatabase(std::shared_ptr<Database> database)
{
    close();
    m_database = std::move(database);
}

void TableView::open()
{
    if (!m_database)
        throw EDatabaseError("The view " + m_name + " is not pointed at a database");
    if (isOpen())
        return;
    rebuildSelect();
    rebuildWhere();
    setState(ViewState::Browse);
    chooseFilterPath();
    first();
}

void TableView::close()
{
    if (!isOpen())
        return;
    m_current.reset();
    m_ahead.clear();
    m_followedKey.reset();
    m_modified = false;
    m_eof = m_bof = true;
    m_recNo = 0;
    m_count = -1;
    // Figures are kept against one connection's stamps; another file, or this one opened again
    // after a restore, could show the same stamps with other records.
    m_keptCount = m_keptRecNo = m_keptPart = {};
    setState(ViewState::Inactive);
    notify(ViewEvent::CurrentChanged);
}

int TableView::fieldIndex(const std::string& fieldName) const
{
    for (size_t i = 0; i < m_fields.size(); ++i) {
        if (equalsNoCase(m_fields[i].name, fieldName))
            return int(i);
    }
    return -1;
}

ViewField& TableView::field(const std::string& fieldName)
{
    const int i = fieldIndex(fieldName);
    if (i < 0)
        throw EDatabaseError("Field \"" + fieldName + "\" not found in " + m_name);
    return m_fields[size_t(i)];
}

void TableView::addCalculatedField(ViewField f)
{
    f.kind = FieldKind::Calculated;
    m_fields.push_back(std::move(f));
}

void TableView::addLookupField(ViewField f)
{
    f.kind = FieldKind::Lookup;
    m_fields.push_back(std::move(f));
}

void TableView::rebuildSelect()
{
    m_select = "SELECT rowid";
    for (const ViewField& f : m_fields) {
        if (f.kind == FieldKind::Data)
            m_select += ", " + ident(f.name);
        else if (f.kind == FieldKind::Lookup)
            m_select += ", (SELECT " + ident(f.lookupResult) + " FROM " + ident(f.lookupTable) + " WHERE "
                + ident(f.lookupKey) + " = " + ident(m_table->name) + "." + ident(f.lookupSource) + " LIMIT 1)";
        else
            m_select += ", NULL";
    }
    m_select += " FROM " + ident(m_table->name);
    rebuildParts();
}

void TableView::rebuildWhere()
{
    m_where = {};
    m_whereSeek = {};
    m_seek = false;
    auto add = [&](const std::string& expression) {
        for (bool seek : { false, true }) {
            SqlCondition c = parseFilter(expression, *m_table, m_database->dateFormat(), seek);
            if (c.empty())
                return;
            SqlCondition& where = seek ? m_whereSeek : m_where;
            where.sql += (where.sql.empty() ? "(" : " AND (") + c.sql + ")";
            where.params.insert(where.params.end(), c.params.begin(), c.params.end());
            where.rangedIndexes.insert(where.rangedIndexes.end(), c.rangedIndexes.begin(), c.rangedIndexes.end());
        }
    };
    if (m_filtered && !m_filter.empty())
        add(m_filter);
    for (const std::string& condition : m_appliedConditions)
        add(condition);
}

// Reading in the view's order and testing the filter on each record finds a page quickly when
// many records match, but reads the whole table when few or none do, and most of it when the
// matches sit late in the order. A filter that ranges over the view's own index is read from
// that range. Otherwise the matches are counted first through the filter's indexes (the counter
// wants that figure anyway), and when they are few they are read through them and sorted.
void TableView::chooseFilterPath()
{
    m_seek = false;
    if (m_whereSeek.sql == m_where.sql)
        return;
    const auto& ranged = m_whereSeek.rangedIndexes;
    if (!m_indexName.empty()
        && std::any_of(ranged.begin(), ranged.end(), [&](const std::string& i) { return i == m_indexName; })) {
        m_seek = true;
        return;
    }
    constexpr std::int64_t kFewMatches = 1000;
    if (m_count >= 0) {
        m_seek = m_count <= kFewMatches;
        return;
    }
    // Only whether the matches are few matters here: the count stops past that many, as counting
    // a quarter of millions of records costs more than reading the first screen of them.
    std::vector<Value> params;
    const std::string matches = "SELECT 1 FROM \"" + m_table->name + "\"" + whereClause(params, true) + " LIMIT "
        + std::to_string(kFewMatches + 1);
    const std::int64_t found = m_database->sql().scalar("SELECT COUNT(*) FROM (" + matches + ")", params);
    m_seek = found <= kFewMatches;
    if (m_seek)
        m_count = found;
}

Value TableView::masterValue() const
{
    if (!m_master || !m_master->isOpen())
        return std::monostate {};
    return m_master->value(m_masterField);
}

// " WHERE ..." with the master link, the filter and the conditions; their values go to `params`.
std::string TableView::whereClause(std::vector<Value>& params, bool seek) const
{
    const SqlCondition& where = seek ? m_whereSeek : m_where;
    std::string sql = " WHERE 1";
    if (m_master) {
        sql += " AND " + ident(m_detailField) + " = ?";
        params.push_back(masterValue());
    }
    if (!where.empty()) {
        sql += " AND " + where.sql;
        params.insert(params.end(), where.params.begin(), where.params.end());
    }
    return sql;
}

// Reads records matching the view's conditions plus `tail` (which starts with " AND ..." or " ORDER").
std::vector<Record> TableView::fetchFrom(
    const std::string& select, const std::string& tail, const std::vector<Value>& params)
{
    std::vector<Value> all;
    const std::string sql = select + whereClause(all);
    all.insert(all.end(), params.begin(), params.end());
    Statement& st = m_database->sql().prepare(sql + tail);
    st.bindAll(all);
    std::vector<Record> records;
    while (st.step()) {
        Record record { st.columnInt(0), {} };
        record.values.reserve(m_fields.size());
        for (size_t i = 0; i < m_fields.size(); ++i)
            record.values.push_back(st.column(int(i + 1)));
        calculate(record);
        records.push_back(std::move(record));
    }
    st.reset();
    return records;
}

void TableView::calculate(Record& record) const
{
    if (calcFields)
        calcFields(*this, record);
}

int TableView::subscribe(ViewEvent event, std::function<void()> observer)
{
    m_observers.push_back({ m_nextObserverId, event, std::move(observer) });
    return m_nextObserverId++;
}

void TableView::unsubscribe(int id)
{
    std::erase_if(m_observers, [id](const Observer& o) { return o.id == id; });
}

void TableView::notify(ViewEvent event)
{
    const auto observers = m_observers; // an observer may subscribe or unsubscribe
    for (const Observer& o : observers) {
        if (o.event == event)
            o.callback();
    }
}

void TableView::setState(ViewState state)
{
    if (m_state == state)
        return;
    m_state = state;
    notify(ViewEvent::StateChanged);
}

void TableView::requireOpen() const
{
    if (!isOpen())
        throw EDatabaseError("The view " + m_name + " is not open");
}

} // namespace pelmora::data
