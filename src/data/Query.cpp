#include "data/Query.h"

#include "data/DataError.h"

namespace pelmora::data {

Query::Query(std::string name, std::string sql)
    : m_name(std::move(name))
    , m_sql(std::move(sql))
{
}

void Query::setDatabase(std::shared_ptr<Database> database)
{
    close();
    m_database = std::move(database);
}

void Query::setParam(const std::string& name, const Value& value)
{
    m_params[name] = value;
}

void Query::open()
{
    if (!m_database)
        throw EDatabaseError("The query " + m_name + " is not pointed at a database");
    close();
    Statement& st = m_database->sql().prepare(m_sql);
    for (const auto& [name, value] : m_params) {
        const int index = st.parameterIndex(":" + name);
        if (index > 0)
            st.bind(index, value);
    }
    while (st.step()) {
        if (m_columns.empty()) {
            for (int c = 0; c < st.columnCount(); ++c)
                m_columns.push_back(st.columnName(c));
        }
        Record record;
        for (int c = 0; c < st.columnCount(); ++c)
            record.values.push_back(st.column(c));
        m_rows.push_back(std::move(record));
    }
    st.reset();
    m_open = true;
}

void Query::close()
{
    m_open = false;
    m_columns.clear();
    m_rows.clear();
    m_position = 0;
}

Value Query::value(const std::string& column) const
{
    if (eof())
        return std::monostate {};
    for (size_t c = 0; c < m_columns.size(); ++c) {
        if (equalsNoCase(m_columns[c], column))
            return m_rows[m_position].values[c];
    }
    throw EDatabaseError("Field \"" + column + "\" not found in " + m_name);
}

BatchMove::BatchMove(std::string name, Query& source, TableView& destination)
    : m_name(std::move(name))
    , m_source(source)
    , m_destination(destination)
{
}

std::vector<std::int64_t> BatchMove::execute()
{
    if (!m_source.isOpen())
        m_source.open();
    const TableDef& table = m_destination.table();
    Database* database = m_destination.database();
    if (!database)
        throw EDatabaseError("The view " + m_destination.name() + " is not pointed at a database");
    // Fields matched by name; the destination numbers its records itself.
    std::vector<std::pair<size_t, std::string>> matched;
    for (size_t c = 0; c < m_source.columns().size(); ++c) {
        const FieldDef* f = table.field(m_source.columns()[c]);
        if (f && f->type != FieldType::AutoInc)
            matched.emplace_back(c, f->name);
    }
    std::string columns, marks;
    for (const auto& [c, name] : matched) {
        columns += (columns.empty() ? "\"" : ", \"") + name + "\"";
        marks += marks.empty() ? "?" : ", ?";
    }
    std::vector<std::int64_t> appended;
    Transaction transaction(database->sql());
    for (const Record& row : m_source.rows()) {
        Statement& st
            = database->sql().prepare("INSERT INTO \"" + table.name + "\" (" + columns + ") VALUES (" + marks + ")");
        for (size_t i = 0; i < matched.size(); ++i)
            st.bind(int(i + 1), row.values[matched[i].first]);
        st.run();
        appended.push_back(database->sql().lastInsertRowId());
    }
    transaction.commit();
    return appended;
}

} // namespace pelmora::data
