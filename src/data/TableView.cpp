#include "data/TableView.h"

#include "data/DataError.h"

#include <algorithm>

namespace pelmora::data {

namespace {

std::string ident(const std::string& name)
{
    return "\"" + name + "\"";
}

std::vector<std::string> splitFieldList(const std::string& list)
{
    std::vector<std::string> names;
    std::string name;
    for (char c : list + ";") {
        if (c == ';' || c == ',') {
            if (!name.empty())
                names.push_back(name);
            name.clear();
        } else if (c != ' ') {
            name += c;
        }
    }
    return names;
}

} // namespace

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
}

void TableView::rebuildWhere()
{
    m_where = {};
    std::vector<std::string> parts;
    auto add = [&](const std::string& expression) {
        SqlCondition c = parseFilter(expression, *m_table, m_database->dateFormat());
        if (c.empty())
            return;
        parts.push_back("(" + c.sql + ")");
        m_where.params.insert(m_where.params.end(), c.params.begin(), c.params.end());
    };
    if (m_filtered && !m_filter.empty())
        add(m_filter);
    for (const std::string& condition : m_appliedConditions)
        add(condition);
    for (size_t i = 0; i < parts.size(); ++i)
        m_where.sql += (i ? " AND " : "") + parts[i];
}

Value TableView::masterValue() const
{
    if (!m_master || !m_master->isOpen())
        return std::monostate {};
    return m_master->value(m_masterField);
}

// " WHERE ..." with the master link, the filter and the conditions; their values go to `params`.
std::string TableView::whereClause(std::vector<Value>& params) const
{
    std::string sql = " WHERE 1";
    if (m_master) {
        sql += " AND " + ident(m_detailField) + " = ?";
        params.push_back(masterValue());
    }
    if (!m_where.empty()) {
        sql += " AND " + m_where.sql;
        params.insert(params.end(), m_where.params.begin(), m_where.params.end());
    }
    return sql;
}

// Reads records matching the view's conditions plus `tail` (which starts with " AND ..." or " ORDER").
std::vector<Record> TableView::fetch(const std::string& tail, const std::vector<Value>& params)
{
    std::vector<Value> all;
    const std::string sql = m_select + whereClause(all);
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

void TableView::setIndexName(const std::string& index)
{
    if (index.empty()) {
        m_orderFields.clear();
        m_orderNoCase = false;
        m_indexName.clear();
    } else {
        const IndexDef* def = m_table->index(index);
        if (!def)
            throw EDatabaseError("Index \"" + index + "\" not found for table " + m_table->fileName);
        m_orderFields = def->fields;
        m_orderNoCase = def->caseInsensitive;
        m_indexName = def->name;
    }
    refresh();
}

void TableView::setIndexFieldNames(const std::string& list)
{
    std::vector<std::string> names;
    for (const std::string& n : splitFieldList(list)) {
        const FieldDef* f = m_table->field(n);
        if (!f)
            throw EDatabaseError("Field \"" + n + "\" not found in table " + m_table->fileName);
        names.push_back(f->name);
    }
    m_orderFields = std::move(names);
    m_orderNoCase = false;
    m_indexName.clear();
    refresh();
}

std::string TableView::indexFieldNames() const
{
    std::string list;
    for (const std::string& n : m_orderFields)
        list += (list.empty() ? "" : ";") + n;
    return list;
}

std::vector<IndexInfo> TableView::indexes() const
{
    std::vector<IndexInfo> list;
    if (m_table->hasCounter())
        list.push_back({ "", "Counter" }); // the primary index
    for (const IndexDef& index : m_table->indexes)
        list.push_back({ index.name, index.fields.front() });
    return list;
}

void TableView::setMaster(TableView* master, const std::string& masterField, const std::string& detailField)
{
    if (m_master)
        m_master->unsubscribe(m_masterSubscription);
    m_master = master;
    m_followedKey.reset();
    m_masterField = masterField;
    m_detailField = m_table->field(detailField) ? m_table->field(detailField)->name : detailField;
    m_masterSubscription = 0;
    if (m_master)
        m_masterSubscription = m_master->subscribe(ViewEvent::CurrentChanged, [this] { followMaster(); });
    refresh();
}

void TableView::followMaster()
{
    if (!isOpen())
        return;
    // A master that re-reads its record (a post, a refresh) keeps its key: nothing to follow.
    const Value key = masterValue();
    if (m_followedKey && *m_followedKey == key && !isEditing())
        return;
    checkBrowseMode();
    m_count = -1;
    first();
}

void TableView::setFilter(const std::string& expression)
{
    parseFilter(expression, *m_table, m_database ? m_database->dateFormat() : DateFormat());
    m_filter = expression;
    if (m_filtered && isOpen()) {
        rebuildWhere();
        refresh();
    }
}

void TableView::setFiltered(bool on)
{
    if (m_filtered == on)
        return;
    m_filtered = on;
    if (isOpen()) {
        rebuildWhere();
        refresh();
    }
}

void TableView::clearConditions()
{
    m_conditions.clear();
}

void TableView::addCondition(const std::string& condition)
{
    parseFilter(condition, *m_table, m_database ? m_database->dateFormat() : DateFormat());
    m_conditions.push_back(condition);
}

void TableView::applyConditions()
{
    m_appliedConditions = m_conditions;
    if (isOpen()) {
        rebuildWhere();
        refresh();
    }
}

void TableView::refresh()
{
    if (!isOpen())
        return;
    checkBrowseMode();
    const std::optional<std::int64_t> keep = m_current ? std::optional(m_current->rowId) : std::nullopt;
    m_ahead.clear();
    m_count = -1;
    if (!keep || !gotoRowId(*keep))
        first();
    notify(ViewEvent::ListChanged);
}

void TableView::setFieldForAll(const std::string& fieldName, const Value& value)
{
    requireOpen();
    checkBrowseMode();
    const ViewField& f = field(fieldName);
    if (f.kind != FieldKind::Data || f.type == FieldType::AutoInc)
        throw EDatabaseError("Field \"" + f.name + "\" cannot be set");
    std::vector<Value> params{value};
    const std::string where = whereClause(params);
    std::string sql = "UPDATE " + ident(m_table->name) + " SET " + ident(f.name) + " = ?";
    if (where != " WHERE 1")
        sql += " WHERE rowid IN (SELECT rowid FROM " + ident(m_table->name) + where + ")";
    Transaction transaction(m_database->sql());
    m_database->sql().prepare(sql).bindAll(params).run();
    transaction.commit();
    m_followedKey.reset();
    refresh();
    notify(ViewEvent::DataChanged);
}

void TableView::emptyTable()
{
    if (!m_database)
        throw EDatabaseError("The view " + m_name + " is not pointed at a database");
    if (isEditing())
        cancel();
    m_database->emptyTable(*m_table);
    m_current.reset();
    refresh();
}

} // namespace pelmora::data
