#pragma once

#include "data/Database.h"
#include "data/TableView.h"
#include "data/Value.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace pelmora::data {

// A parameterised select over the tables of the current database. The text is the program's own
// ("select * from attach where EmailNum = :EmailNum"); values reach it only as bound parameters.
// The result is small (a message, its attachments) and is read whole when the query is opened.
class Query {
public:
    Query(std::string name, std::string sql);

    const std::string& name() const { return m_name; }
    const std::string& sql() const { return m_sql; }
    void setDatabase(std::shared_ptr<Database> database);
    Database* database() const { return m_database.get(); }
    void setParam(const std::string& name, const Value& value);

    void open(); // runs the query with the parameters as set
    void close();
    bool isOpen() const { return m_open; }

    const std::vector<std::string>& columns() const { return m_columns; }
    const std::vector<Record>& rows() const { return m_rows; }
    std::int64_t recordCount() const { return std::int64_t(m_rows.size()); }
    void first() { m_position = 0; }
    void next() { ++m_position; }
    bool eof() const { return m_position >= m_rows.size(); }
    Value value(const std::string& column) const; // of the current row; names without regard to case

private:
    std::string m_name;
    std::string m_sql;
    std::shared_ptr<Database> m_database;
    std::map<std::string, Value> m_params;
    bool m_open = false;
    std::vector<std::string> m_columns;
    std::vector<Record> m_rows;
    size_t m_position = 0;
};

// Appends every row of a query's result to a table, fields matched by name; the destination's
// auto-increment Counter is assigned afresh. Returns the rowids of the appended records.
class BatchMove {
public:
    BatchMove(std::string name, Query& source, TableView& destination);
    const std::string& name() const { return m_name; }
    std::vector<std::int64_t> execute();

private:
    std::string m_name;
    Query& m_source;
    TableView& m_destination;
};

} // namespace pelmora::data
