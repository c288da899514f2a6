// Drives the filter-expression parser with arbitrary text over every table: it may refuse the
// text, but only with EDatabaseError, and what it accepts must be SQL that SQLite can prepare,
// with exactly one bound value per placeholder. The form that adds index ranges must select
// the same records as the plain form, over rows whose texts differ in case and bytes.
#include "data/DataError.h"
#include "data/FilterExpression.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

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
        // Texts next to the edges of a case-folded range: letters of both cases, the bytes
        // around them, non-ASCII, blanks.
        sqlite3_exec(handle,
            "INSERT INTO Contacts (LName, FName, CategoryA, City, Company) VALUES "
            "('Smith', 'a', 'X', 'Bern', 'Z'), ('smith', 'A', 'x', 'bern', 'z'), ('SM', '@', '[', '`', '{'), "
            "('Sm@', 'Zz', 'Friend', NULL, 'Éa'), ('Sm[', 'zZ', 'friend*', '', 'éa'), ('Smz', '~', 'ab', 'Ab', 'aB'), "
            "(NULL, NULL, NULL, NULL, NULL), ('Sm{', '0', '1', '2', '3')",
            nullptr, nullptr, nullptr);
        return handle;
    }();
    return db;
}

sqlite3_stmt* prepare(const TableDef& table, const SqlCondition& condition)
{
    const std::string sql = "SELECT rowid FROM \"" + table.name + "\" WHERE " + condition.sql + " ORDER BY rowid";
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(schemaDatabase(), sql.c_str(), -1, &statement, nullptr) != SQLITE_OK)
        std::abort();
    if (sqlite3_bind_parameter_count(statement) != int(condition.params.size()))
        std::abort();
    return statement;
}

std::vector<std::int64_t> select(const TableDef& table, const SqlCondition& condition)
{
    sqlite3_stmt* statement = prepare(table, condition);
    for (std::size_t i = 0; i < condition.params.size(); ++i) {
        const int n = int(i + 1);
        const Value& v = condition.params[i];
        if (const auto* integer = std::get_if<std::int64_t>(&v))
            sqlite3_bind_int64(statement, n, *integer);
        else if (const auto* real = std::get_if<double>(&v))
            sqlite3_bind_double(statement, n, *real);
        else if (const auto* text = std::get_if<std::string>(&v))
            sqlite3_bind_text(statement, n, text->data(), int(text->size()), SQLITE_TRANSIENT);
    }
    std::vector<std::int64_t> rows;
    while (sqlite3_step(statement) == SQLITE_ROW)
        rows.push_back(sqlite3_column_int64(statement, 0));
    sqlite3_finalize(statement);
    return rows;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const auto& tables = allTables();
    const TableDef& table = tables[data[0] % tables.size()];
    const std::string expression(reinterpret_cast<const char*>(data + 1), size - 1);
    const DateFormat dates(data[0] & 0x80 ? "dd.MM.yyyy" : "M/d/yyyy");
    SqlCondition plain, seek;
    try {
        plain = parseFilter(expression, table, dates);
    } catch (const EDatabaseError&) {
        return 0;
    }
    seek = parseFilter(expression, table, dates, true); // accepts what the plain form accepts
    if (plain.empty() != seek.empty())
        std::abort();
    if (plain.empty())
        return 0;
    if (select(table, plain) != select(table, seek))
        std::abort();
    return 0;
}
