// Changing records through a view: the edit buffer, its checks, and the writes with their hooks.
#include "data/TableView.h"

#include "data/DataError.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <limits>

namespace pelmora::data {

namespace {

size_t utf8Length(const std::string& text)
{
    size_t count = 0;
    for (unsigned char c : text)
        count += (c & 0xC0) != 0x80;
    return count;
}

std::optional<std::int64_t> parseInteger(const std::string& text)
{
    if (text.empty())
        return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const long long number = std::strtoll(text.c_str(), &end, 10);
    if (errno != 0 || *end != '\0')
        return std::nullopt;
    return std::int64_t(number);
}

std::optional<double> parseNumber(const std::string& text)
{
    if (text.empty())
        return std::nullopt;
    errno = 0;
    char* end = nullptr;
    const double number = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0')
        return std::nullopt;
    return number;
}

} // namespace

const Record* TableView::current() const { return isEditing() ? &m_buffer : (m_current ? &*m_current : nullptr); }

Value TableView::value(const std::string& fieldName) const
{
    const int i = fieldIndex(fieldName);
    if (i < 0)
        throw EDatabaseError("Field \"" + fieldName + "\" not found in " + m_name);
    const Record* record = current();
    return record ? record->values[size_t(i)] : Value{};
}

std::string TableView::asString(const std::string& fieldName) const { return valueToString(value(fieldName)); }

std::int64_t TableView::asInteger(const std::string& fieldName) const
{
    const Value v = value(fieldName);
    if (const auto* i = std::get_if<std::int64_t>(&v))
        return *i;
    if (const auto* d = std::get_if<double>(&v))
        return std::int64_t(*d);
    if (const auto* s = std::get_if<std::string>(&v))
        return parseInteger(*s).value_or(0);
    return 0;
}

double TableView::asFloat(const std::string& fieldName) const
{
    const Value v = value(fieldName);
    if (const auto* i = std::get_if<std::int64_t>(&v))
        return double(*i);
    if (const auto* d = std::get_if<double>(&v))
        return *d;
    if (const auto* s = std::get_if<std::string>(&v))
        return parseNumber(*s).value_or(0.0);
    return 0.0;
}

std::optional<Date> TableView::asDate(const std::string& fieldName) const
{
    const Value v = value(fieldName);
    const auto* s = std::get_if<std::string>(&v);
    return s ? Date::fromIso(*s) : std::nullopt;
}

bool TableView::asBoolean(const std::string& fieldName) const { return asInteger(fieldName) != 0; }

void TableView::setValue(const std::string& fieldName, const Value& v)
{
    if (!isEditing())
        throw EDatabaseError("The view " + m_name + " is not in edit or insert mode");
    ViewField& f = field(fieldName);
    if (f.kind != FieldKind::Data)
        throw EDatabaseError("Field \"" + f.name + "\" is not stored and cannot be set");
    if (f.type == FieldType::AutoInc)
        throw EDatabaseError("Field \"" + f.name + "\" is numbered by the database and cannot be set");
    Value stored = v;
    if (const auto* s = std::get_if<std::string>(&v); s && s->empty())
        stored = std::monostate{}; // an empty field is a blank field
    if (f.type == FieldType::Number)
        if (const auto* i = std::get_if<std::int64_t>(&stored))
            stored = double(*i);
    const size_t index = size_t(fieldIndex(f.name));
    m_buffer.values[index] = std::move(stored);
    m_dirty[index] = true;
    m_modified = true;
    calculate(m_buffer);
    notify(ViewEvent::DataChanged);
}

void TableView::setString(const std::string& fieldName, const std::string& text)
{
    const ViewField& f = field(fieldName);
    if (text.empty()) {
        setValue(f.name, std::monostate{});
        return;
    }
    auto bad = [&](const char* what) {
        return EDatabaseError("'" + text + "' is not " + what + " (field " + f.name + ")");
    };
    switch (f.type) {
    case FieldType::Long:
    case FieldType::AutoInc:
        if (auto n = parseInteger(text))
            return setValue(f.name, *n);
        throw bad("an integer");
    case FieldType::Number:
        if (auto n = parseNumber(text))
            return setValue(f.name, *n);
        throw bad("a number");
    case FieldType::Logical:
        if (equalsNoCase(text, "true") || equalsNoCase(text, "t") || equalsNoCase(text, "yes") || text == "1")
            return setBoolean(f.name, true);
        if (equalsNoCase(text, "false") || equalsNoCase(text, "f") || equalsNoCase(text, "no") || text == "0")
            return setBoolean(f.name, false);
        throw bad("true or false");
    case FieldType::Date:
        if (auto date = (m_database ? m_database->dateFormat() : DateFormat()).parse(text))
            return setDate(f.name, *date);
        throw bad("a valid date");
    default:
        setValue(f.name, text);
    }
}

void TableView::validateBuffer() const
{
    for (size_t i = 0; i < m_fields.size(); ++i) {
        const ViewField& f = m_fields[i];
        const Value& v = m_buffer.values[i];
        if (f.kind != FieldKind::Data || f.type == FieldType::AutoInc)
            continue;
        const FieldDef* def = m_table->field(f.name);
        if (isNull(v)) {
            if (def->required)
                throw EDatabaseError("Field " + f.name + " must have a value");
            continue;
        }
        const auto* text = std::get_if<std::string>(&v);
        const auto* integer = std::get_if<std::int64_t>(&v);
        bool ok = true;
        switch (f.type) {
        case FieldType::Alpha:
            if (text && utf8Length(*text) > size_t(f.size))
                throw EDatabaseError("The value of field " + f.name + " is longer than " + std::to_string(f.size) +
                                     " characters");
            ok = text != nullptr;
            break;
        case FieldType::Memo: ok = text != nullptr; break;
        case FieldType::Date: ok = text && Date::fromIso(*text); break;
        case FieldType::Logical: ok = integer && (*integer == 0 || *integer == 1); break;
        case FieldType::Long:
            ok = integer && *integer >= std::numeric_limits<std::int32_t>::min() &&
                 *integer <= std::numeric_limits<std::int32_t>::max();
            break;
        case FieldType::Number: ok = std::holds_alternative<double>(v) || integer; break;
        default: break;
        }
        if (!ok)
            throw EDatabaseError("The value '" + valueToString(v) + "' does not suit field " + f.name);
    }
}

void TableView::insert()
{
    requireOpen();
    checkBrowseMode();
    m_buffer = Record{0, std::vector<Value>(m_fields.size())};
    m_dirty.assign(m_fields.size(), false);
    if (m_master)
        m_buffer.values[size_t(fieldIndex(m_detailField))] = masterValue();
    calculate(m_buffer);
    m_modified = false;
    setState(ViewState::Insert);
    notify(ViewEvent::DataChanged);
    if (afterInsert)
        afterInsert(*this);
}

void TableView::edit()
{
    requireOpen();
    if (isEditing())
        return;
    if (!m_current)
        throw EDatabaseError("There is no record to edit in " + m_name);
    m_buffer = *m_current;
    m_dirty.assign(m_fields.size(), false);
    m_modified = false;
    setState(ViewState::Edit);
}

void TableView::writeBuffer()
{
    std::string columns, marks, sets;
    std::vector<Value> params;
    params.reserve(m_fields.size() + 1);
    for (size_t i = 0; i < m_fields.size(); ++i) {
        const ViewField& f = m_fields[i];
        if (f.kind != FieldKind::Data || f.type == FieldType::AutoInc)
            continue;
        if (m_state == ViewState::Edit && !m_dirty[i])
            continue; // an edit writes only what changed
        columns += (columns.empty() ? "\"" : ", \"") + f.name + "\"";
        marks += marks.empty() ? "?" : ", ?";
        sets += (sets.empty() ? "\"" : ", \"") + f.name + "\" = ?";
        params.push_back(m_buffer.values[i]);
    }
    if (m_state == ViewState::Edit && sets.empty())
        return;
    SqlDatabase& sql = m_database->sql();
    if (m_state == ViewState::Insert && columns.empty()) {
        sql.prepare("INSERT INTO \"" + m_table->name + "\" DEFAULT VALUES").run();
        m_buffer.rowId = sql.lastInsertRowId();
    } else if (m_state == ViewState::Insert) {
        sql.prepare("INSERT INTO \"" + m_table->name + "\" (" + columns + ") VALUES (" + marks + ")")
            .bindAll(params)
            .run();
        m_buffer.rowId = sql.lastInsertRowId();
    } else {
        params.emplace_back(std::in_place_type<std::int64_t>, m_buffer.rowId);
        sql.prepare("UPDATE \"" + m_table->name + "\" SET " + sets + " WHERE rowid = ?").bindAll(params).run();
    }
}

void TableView::post()
{
    requireOpen();
    if (!isEditing())
        return;
    validateBuffer();
    {
        Transaction transaction(m_database->sql());
        writeBuffer();
        transaction.commit();
    }
    const bool inserted = m_state == ViewState::Insert;
    m_modified = false;
    m_ahead.clear();
    m_count = -1;
    m_recNo = 0;
    // What was checked and written is what the file now holds, so it is not read back, except for
    // lookup fields, which come from other tables. The record stays current even when the filter
    // no longer shows it, until the view is refreshed.
    Record posted = std::move(m_buffer);
    if (const int counter = fieldIndex("Counter"); inserted && counter >= 0 && m_table->hasCounter())
        posted.values[size_t(counter)] = posted.rowId;
    if (std::any_of(m_fields.begin(), m_fields.end(), [](const ViewField& f) { return f.kind == FieldKind::Lookup; }))
        readLookups(posted);
    calculate(posted);
    m_current = std::move(posted);
    m_eof = m_bof = false;
    setState(ViewState::Browse);
    notify(ViewEvent::CurrentChanged);
    notify(inserted ? ViewEvent::ListChanged : ViewEvent::DataChanged);
}

void TableView::readLookups(Record& record)
{
    Statement& st = m_database->sql().prepare(m_select + " WHERE rowid = ?");
    st.bind(1, record.rowId);
    if (st.step()) {
        for (size_t i = 0; i < m_fields.size(); ++i) {
            if (m_fields[i].kind == FieldKind::Lookup)
                record.values[i] = st.column(int(i + 1));
        }
    }
    st.reset();
}

void TableView::cancel()
{
    if (!isEditing())
        return;
    m_modified = false;
    setState(ViewState::Browse);
    notify(ViewEvent::DataChanged);
}

void TableView::checkBrowseMode()
{
    if (isEditing())
        post();
}

void TableView::remove()
{
    requireOpen();
    if (m_state == ViewState::Insert) {
        cancel();
        return;
    }
    cancel();
    if (!m_current)
        throw EDatabaseError("There is no record to delete in " + m_name);
    const Record deleted = *m_current;
    {
        Transaction transaction(m_database->sql());
        if (beforeDelete)
            beforeDelete(*this);
        m_database->sql().prepare("DELETE FROM \"" + m_table->name + "\" WHERE rowid = ?").bind(1, deleted.rowId).run();
        if (afterDelete)
            afterDelete(*this, deleted);
        transaction.commit();
    }
    m_count = -1;
    m_ahead.clear();
    auto following = fetchAfter(deleted, true);
    if (!following) {
        following = fetchAfter(deleted, false);
        m_recNo = 0;
    }
    setCurrent(std::move(following), false);
    notify(ViewEvent::ListChanged);
}

} // namespace pelmora::data
