// Drives the filter-expression parser with arbitrary text over every table: it may refuse the
// text, but only with EDatabaseError, and what it accepts must be SQL that SQLite can prepare,
// with exactly one bound value per placeholder.
#include "data/DataError.h"
#include "data/FilterExpression.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

using namespace pelmora::data;

namespace {

sqlite3* schemaDatabase()
{
    static sqlite3* db = [] {
        sqlite3* handle = nullptr;
        sqlite3_open(":memory:", &handle);
        for (TableHome home : { TableHome::Database, TableHome::DataDirectory }) {
            for (const std::string& sql : createStatements(home))
                sqlite3_exec(handle, sql.c_str(), nullptr, nullptr, nullptr);
        }
        return handle;
    }();
    return db;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const auto& tables = allTables();
    const TableDef& table = tables[data[0] % tables.size()];
    const std::string expression(reinterpret_cast<const char*>(data + 1), size - 1);
    SqlCondition condition;
    try {
        condition = parseFilter(expression, table, DateFormat(data[0] & 0x80 ? "dd.MM.yyyy" : "M/d/yyyy"));
    } catch (const EDatabaseError&) {
        return 0;
    }
    if (condition.empty())
        return 0;
    const std::string sql = "SELECT rowid FROM \"" + table.name + "\" WHERE " + condition.sql;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(schemaDatabase(), sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
        std::abort();
    if (sqlite3_bind_parameter_count(statement) != int(condition.params.size()))
        std::abort();
    sqlite3_finalize(statement);
    return 0;
}
