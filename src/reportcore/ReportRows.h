#pragma once

#include "data/TableView.h"
#include "reportcore/ReportDescription.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pelmora::data {
class Statement;
}

namespace pelmora::reportcore {

// The printed text of one record: for each line of the report, the text of each column.
using PrintedRecord = std::vector<std::vector<std::string>>;

class RowReader {
public:
    virtual ~RowReader() = default;
    // Fills `record` with the next record in print order; false when there is none left.
    virtual bool next(PrintedRecord& record) = 0;
};

// A field's value as the windows show it: dates in the short date form, logicals as true or
// false, text of several lines on one line.
std::string printedValue(const data::ViewField& field, const data::Value& value, const data::DateFormat& form);

// A view of its own with the same table, database, filter, conditions, order and extra fields as
// `shown`, but no master and no rules. Reading it moves no window's current record and cannot
// post anything on their behalf.
std::unique_ptr<data::TableView> readingCopy(const data::TableView& shown);

// Reads a report's records from a reading copy of the view a window holds them in. `contact`
// narrows the records to one contact's (the detail reports follow the current contact).
class ViewRowReader : public RowReader {
public:
    ViewRowReader(const ReportDescription& report, const data::TableView& shown, std::optional<std::int64_t> contact);
    ~ViewRowReader() override;

    data::TableView& view() { return *m_view; }
    bool next(PrintedRecord& record) override;

private:
    struct Column {
        int field = -1; // index into the view's fields; -1 for an owner's name or an unknown field
        bool owner = false;
        bool lastName = false;
    };
    void readOwner();

    const ReportDescription& m_report;
    std::unique_ptr<data::TableView> m_view;
    std::vector<std::vector<Column>> m_columns;
    data::DateFormat m_dateFormat;
    int m_contactField = -1;
    std::string m_ownerFirst, m_ownerLast;
    bool m_started = false;
};

} // namespace pelmora::reportcore
