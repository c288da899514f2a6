#pragma once

#include "data/Schema.h"
#include "data/Value.h"

#include <string>
#include <vector>

namespace pelmora::data {

// A piece of WHERE clause with its parameters; user text only ever travels in `params`.
struct SqlCondition {
    std::string sql;
    std::vector<Value> params;
    // The indexes whose ranges the whole condition implies (only when asked for them): a view in
    // one of these orders reads its records straight from the range.
    std::vector<std::string> rangedIndexes {};

    bool empty() const { return sql.empty(); }
};

// Turns a filter expression over the fields of `table` into SQL:
//   contact=1   Status = 1   url<>null   DateOf >= '12/31/2026'   Done = "False"
//   (DateOf >= '1/1/2026') and  (DateOf <= '1/31/2026')   not (LName = 'Sm*')   CategoryA ="Friends"
// Operators = <> < > <= >=, and/or/not, parentheses; literals are numbers, 'text' or "text",
// null, true and false. A quoted text ending in * compared with = or <> means "starts with".
// Dates are read in `dates` or ISO. Throws EDatabaseError naming what is wrong and where.
//
// With `seekIndexes`, a text comparison (equal or "starts with") on a field that leads an index
// also carries a range in that index's collation which the comparison implies. The records
// selected are the same; SQLite can then read just the matching part of the index instead of
// testing every record, which pays when few records match (and costs when most do).
SqlCondition parseFilter(
    const std::string& expression, const TableDef& table, const DateFormat& dates, bool seekIndexes = false);

} // namespace pelmora::data
