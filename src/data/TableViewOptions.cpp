// The options of a view that choose its records: order, master, filter and condition list.
#include "data/TableView.h"

#include "data/DataError.h"
#include "data/SqlName.h"

namespace pelmora::data {

namespace {

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

void TableView::setIndexName(const std::string& index)
{
    std::optional<LookupOrder> lookup;
    if (!index.empty() && !m_table->index(index)) {
        for (LookupOrder& order : lookupOrders()) {
            if (equalsNoCase(order.name, index))
                lookup = std::move(order);
        }
    }
    if (index.empty()) {
        m_orderFields.clear();
        m_orderNoCase = false;
        m_indexName.clear();
    } else if (lookup) {
        m_orderFields = lookup->fields;
        m_orderNoCase = lookup->noCase;
        m_indexName = lookup->name;
    } else {
        const IndexDef* def = m_table->index(index);
        if (!def)
            throw EDatabaseError("Index \"" + index + "\" not found for table " + m_table->fileName);
        m_orderFields = def->fields;
        m_orderNoCase = def->caseInsensitive;
        m_indexName = def->name;
    }
    m_lookupOrder = std::move(lookup);
    rebuildParts();
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
    m_lookupOrder.reset();
    rebuildParts();
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
    for (const LookupOrder& order : lookupOrders())
        list.push_back({ order.name, order.firstField });
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
    chooseFilterPath();
    // Where a kept record now stands in an order by looked-up values is only learnt by counting
    // through the join (seconds over millions): such a list starts again at its top.
    if (!keep || m_lookupOrder || !gotoRowId(*keep))
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
    std::vector<Value> params { value };
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
