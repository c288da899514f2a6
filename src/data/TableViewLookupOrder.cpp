// Ordering a view by the values its lookup fields show (an activity list by its contacts' names).
// Sorting millions of records by a value read per record would cost seconds before the first
// screen; walking the looked-up table through its own index and each of its records' rows through
// this table's index on the key streams them in order instead. Records whose lookup finds nothing
// cannot be reached that way: they follow as a second part, read only once the first is used up.
#include "data/TableView.h"

#include "data/SqlName.h"

#include <algorithm>

namespace pelmora::data {

std::vector<TableView::LookupOrder> TableView::lookupOrders() const
{
    std::vector<LookupOrder> orders;
    for (const ViewField& lead : m_fields) {
        if (lead.kind != FieldKind::Lookup)
            continue;
        const TableDef* table = nullptr;
        try {
            table = &tableDef(lead.lookupTable);
        } catch (const std::exception&) {
            continue;
        }
        // Only a key that is the other table's counter finds one record at most, so that the join
        // neither repeats nor drops a row.
        const FieldDef* key = table->field(lead.lookupKey);
        const FieldDef* source = m_table->field(lead.lookupSource);
        if (!key || key->type != FieldType::AutoInc || !source)
            continue;
        // The view's lookup field that shows `result` through the same key, if any.
        auto shown = [&](const std::string& result) -> const ViewField* {
            for (const ViewField& f : m_fields) {
                if (f.kind == FieldKind::Lookup && equalsNoCase(f.lookupTable, lead.lookupTable)
                    && equalsNoCase(f.lookupKey, lead.lookupKey) && equalsNoCase(f.lookupSource, lead.lookupSource)
                    && equalsNoCase(f.lookupResult, result))
                    return &f;
            }
            return nullptr;
        };
        for (const IndexDef& index : table->indexes) {
            if (!equalsNoCase(index.fields.front(), lead.lookupResult))
                continue;
            LookupOrder order { table->name + "." + index.name, lead.name, {}, index.caseInsensitive, table->name,
                key->name, source->name };
            for (const std::string& field : index.fields) {
                if (const ViewField* f = shown(field))
                    order.fields.push_back(f->name);
            }
            if (order.fields.size() != index.fields.size())
                continue; // the records would not carry every value of the order
            order.fields.push_back(source->name);
            orders.push_back(std::move(order));
        }
    }
    return orders;
}

void TableView::rebuildParts()
{
    m_parts.clear();
    m_partFroms.clear();
    if (!m_lookupOrder)
        return;
    const LookupOrder& order = *m_lookupOrder;
    auto joined = [&](const ViewField& f) {
        return f.kind == FieldKind::Lookup && equalsNoCase(f.lookupTable, order.table)
            && equalsNoCase(f.lookupKey, order.key) && equalsNoCase(f.lookupSource, order.source);
    };
    // Each part is a table of this one's fields under their own names, so the filter, the
    // conditions and the steps through the order read it as they read the table itself.
    std::string select = "SELECT rowid";
    std::string matched = "SELECT t.rowid AS rowid";
    std::string orphans = matched;
    for (const ViewField& f : m_fields) {
        if (f.kind == FieldKind::Calculated) {
            select += ", NULL";
            continue;
        }
        select += ", " + ident(f.name);
        if (f.kind == FieldKind::Data) {
            matched += ", t." + ident(f.name) + " AS " + ident(f.name);
            orphans += ", t." + ident(f.name) + " AS " + ident(f.name);
        } else if (joined(f)) {
            matched += ", l." + ident(f.lookupResult) + " AS " + ident(f.name);
            orphans += ", NULL AS " + ident(f.name);
        } else {
            const std::string value = "(SELECT " + ident(f.lookupResult) + " FROM " + ident(f.lookupTable) + " WHERE "
                + ident(f.lookupKey) + " = t." + ident(f.lookupSource) + " LIMIT 1) AS " + ident(f.name);
            matched += ", " + value;
            orphans += ", " + value;
        }
    }
    const std::string link = "l." + ident(order.key) + " = t." + ident(order.source);
    // CROSS JOIN keeps the looked-up table outside: walked through its index, its records come in
    // the order's own sequence, where the other way round every record would be sorted first.
    matched += " FROM " + ident(order.table) + " l CROSS JOIN " + ident(m_table->name) + " t ON " + link;
    orphans += " FROM " + ident(m_table->name) + " t WHERE NOT EXISTS (SELECT 1 FROM " + ident(order.table)
        + " l WHERE " + link + ")";
    for (const std::string& part : { matched, orphans }) {
        m_partFroms.push_back(" FROM (" + part + ") AS " + ident(m_table->name));
        m_parts.push_back(select + m_partFroms.back());
    }
}

size_t TableView::partOf(const Record& record)
{
    if (m_parts.empty())
        return 0;
    const Value& key = record.values[size_t(fieldIndex(m_lookupOrder->source))];
    if (isNull(key))
        return 1;
    const std::string sql
        = "SELECT COUNT(*) FROM " + ident(m_lookupOrder->table) + " WHERE " + ident(m_lookupOrder->key) + " = ?";
    return m_database->sql().scalar(sql, { key }) > 0 ? 0 : 1;
}

std::vector<Record> TableView::readParts(size_t start, bool forward, const std::string& startCondition,
    const std::vector<Value>& startParams, const std::string& restCondition, const std::vector<Value>& restParams,
    std::int64_t limit)
{
    const std::vector<std::string> single { m_select };
    const std::vector<std::string>& parts = m_parts.empty() ? single : m_parts;
    std::vector<Record> records;
    for (size_t part = start; part < parts.size() && std::int64_t(records.size()) < limit; forward ? ++part : --part) {
        const bool first = part == start;
        const std::int64_t wanted = limit - std::int64_t(records.size());
        auto more = fetchFrom(parts[part],
            (first ? startCondition : restCondition) + orderBy(forward) + " LIMIT " + std::to_string(wanted),
            first ? startParams : restParams);
        records.insert(records.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
        if (!forward && part == 0)
            break;
    }
    return records;
}

std::int64_t TableView::countInPart(size_t part)
{
    std::vector<Value> params;
    const std::string sql = "SELECT COUNT(*)" + m_partFroms[part] + whereClause(params);
    return keptFigure(m_keptPart, sql, params, -1, [&] { return m_database->sql().scalar(sql, params); });
}

std::string TableView::orderColumn(const std::string& name) const
{
    const ViewField& f = m_fields[size_t(fieldIndex(name))];
    const bool text = f.type == FieldType::Alpha || f.type == FieldType::Memo || f.type == FieldType::Date;
    return ident(f.name) + (m_orderNoCase && text ? " COLLATE NOCASE" : "");
}

} // namespace pelmora::data
