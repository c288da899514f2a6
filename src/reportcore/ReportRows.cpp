#include "reportcore/ReportRows.h"

#include "data/SqlDatabase.h"

#include <algorithm>

namespace pelmora::reportcore {

using data::FieldKind;
using data::FieldType;
using data::TableView;

std::string printedValue(const data::ViewField& field, const data::Value& value, const data::DateFormat& form)
{
    if (field.type == FieldType::Logical)
        return data::valueToString(value) == "1" ? "true" : "false";
    std::string text = data::valueToString(value);
    if (field.type == FieldType::Date) {
        if (auto date = data::Date::fromIso(text))
            return form.format(*date);
        return text;
    }
    // A memo keeps every character; its line ends become blanks, as a detail line is one line.
    std::string line;
    line.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        line += (c == '\r' || c == '\n' || c == '\t') ? ' ' : c;
    }
    return line;
}

std::unique_ptr<TableView> readingCopy(const TableView& shown)
{
    auto copy = std::make_unique<TableView>(shown.name() + "Report", shown.table());
    for (const data::ViewField& f : shown.fields()) {
        if (f.kind == FieldKind::Calculated)
            copy->addCalculatedField(f);
        else if (f.kind == FieldKind::Lookup)
            copy->addLookupField(f);
    }
    copy->calcFields = shown.calcFields;
    copy->setDatabase(shown.databaseShared());
    if (!shown.indexName().empty())
        copy->setIndexName(shown.indexName());
    else if (const std::string fields = shown.indexFieldNames(); !fields.empty())
        copy->setIndexFieldNames(fields);
    if (!shown.filter().empty()) {
        copy->setFilter(shown.filter());
        copy->setFiltered(shown.filtered());
    }
    for (const std::string& condition : shown.conditions())
        copy->addCondition(condition);
    if (!shown.conditions().empty())
        copy->applyConditions();
    return copy;
}

ViewRowReader::ViewRowReader(
    const ReportDescription& report, const TableView& shown, std::optional<std::int64_t> contact)
    : m_report(report)
    , m_view(readingCopy(shown))
{
    if (contact) {
        m_view->addCondition("Contact = " + std::to_string(*contact));
        m_view->applyConditions();
    }
    if (m_view->database())
        m_dateFormat = m_view->database()->dateFormat();
    m_contactField = m_view->fieldIndex("Contact");
    for (const auto& line : report.lines) {
        auto& columns = m_columns.emplace_back();
        for (const ReportColumn& c : line)
            columns.push_back({ c.owner ? -1 : m_view->fieldIndex(c.field), c.owner, c.field == "LName" });
    }
}

ViewRowReader::~ViewRowReader() = default;

void ViewRowReader::readOwner(const data::Record& record)
{
    m_ownerFirst.clear();
    m_ownerLast.clear();
    if (m_contactField < 0 || !m_view->database())
        return;
    const data::Value contact = record.values[size_t(m_contactField)];
    if (data::isNull(contact))
        return;
    // A record whose contact is gone prints blank names: nothing stale is carried over.
    data::Statement& select = m_view->database()->sql().prepare("SELECT FName, LName FROM Contacts WHERE Counter = ?");
    select.bind(1, contact);
    if (select.step()) {
        m_ownerFirst = data::valueToString(select.column(0));
        m_ownerLast = data::valueToString(select.column(1));
    }
    select.reset();
}

bool ViewRowReader::next(PrintedRecord& record)
{
    if (!m_started) {
        m_started = true;
        m_view->open();
        if (m_view->isEmpty())
            return false;
    } else if (!m_view->next()) {
        return false;
    }
    print(*m_view->current(), record);
    return true;
}

std::int64_t ViewRowReader::count()
{
    if (!m_view->isOpen())
        m_view->open();
    return m_view->recordCount();
}

std::vector<PrintedRecord> ViewRowReader::readAt(std::int64_t offset, int count)
{
    if (!m_view->isOpen())
        m_view->open();
    std::vector<PrintedRecord> printed;
    for (const data::Record& record : m_view->rows(offset, count))
        print(record, printed.emplace_back());
    return printed;
}

void ViewRowReader::print(const data::Record& current, PrintedRecord& record)
{
    bool ownerRead = false;
    record.resize(m_columns.size());
    for (size_t l = 0; l < m_columns.size(); ++l) {
        auto& cells = record[l];
        cells.resize(m_columns[l].size());
        for (size_t c = 0; c < m_columns[l].size(); ++c) {
            const Column& column = m_columns[l][c];
            if (column.owner) {
                if (!ownerRead) {
                    readOwner(current);
                    ownerRead = true;
                }
                cells[c] = column.lastName ? m_ownerLast : m_ownerFirst;
            } else if (column.field >= 0) {
                const size_t i = size_t(column.field);
                cells[c] = printedValue(m_view->fields()[i], current.values[i], m_dateFormat);
            } else {
                cells[c].clear();
            }
        }
    }
}

HeldRows::HeldRows(RowReader& rows)
{
    PrintedRecord record;
    while (rows.next(record))
        m_records.push_back(record);
}

bool HeldRows::next(PrintedRecord& record)
{
    if (m_next >= m_records.size())
        return false;
    record = m_records[m_next++];
    return true;
}

std::vector<PrintedRecord> HeldRows::readAt(std::int64_t offset, int count)
{
    if (offset < 0 || count <= 0 || offset >= std::int64_t(m_records.size()))
        return {};
    const auto from = m_records.begin() + offset;
    return { from, from + std::min<std::int64_t>(count, std::int64_t(m_records.size()) - offset) };
}

} // namespace pelmora::reportcore
