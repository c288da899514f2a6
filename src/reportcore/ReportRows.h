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
    // The number of records, or -1 for a reader that can only go through them once in order.
    virtual std::int64_t count() { return -1; }
    // The records at positions [offset, offset + count) in print order, for a preview that reads
    // only the pages it shows; readers whose count() is -1 give none.
    virtual std::vector<PrintedRecord> readAt(std::int64_t /*offset*/, int /*count*/) { return {}; }
};

// Holds every record of a reader that can only go through them once, so that they can be read by
// position. Meant for short reports: a long one comes from a reader that seeks by itself.
class HeldRows : public RowReader {
public:
    explicit HeldRows(RowReader& rows);
    bool next(PrintedRecord& record) override;
    std::int64_t count() override { return std::int64_t(m_records.size()); }
    std::vector<PrintedRecord> readAt(std::int64_t offset, int count) override;

private:
    std::vector<PrintedRecord> m_records;
    size_t m_next = 0;
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
    std::int64_t count() override;
    std::vector<PrintedRecord> readAt(std::int64_t offset, int count) override;

private:
    struct Column {
        int field = -1; // index into the view's fields; -1 for an owner's name or an unknown field
        bool owner = false;
        bool lastName = false;
    };
    void readOwner(const data::Record& record);
    void print(const data::Record& record, PrintedRecord& printed);

    const ReportDescription& m_report;
    std::unique_ptr<data::TableView> m_view;
    std::vector<std::vector<Column>> m_columns;
    data::DateFormat m_dateFormat;
    int m_contactField = -1;
    std::string m_ownerFirst, m_ownerLast;
    bool m_started = false;
};

} // namespace pelmora::reportcore
