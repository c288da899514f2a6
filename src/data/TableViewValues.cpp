// Reading and writing the field values of a view's current record and edit buffer.
#include "data/TableView.h"

#include "data/DataError.h"

#include <cerrno>
#include <cmath>
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
    return parseDecimal(text);
}

} // namespace

const Record* TableView::current() const
{
    return isEditing() ? &m_buffer : (m_current ? &*m_current : nullptr);
}

Value TableView::value(const std::string& fieldName) const
{
    const int i = fieldIndex(fieldName);
    if (i < 0)
        throw EDatabaseError("Field \"" + fieldName + "\" not found in " + m_name);
    const Record* record = current();
    return record ? record->values[size_t(i)] : Value {};
}

std::string TableView::asString(const std::string& fieldName) const
{
    return valueToString(value(fieldName));
}

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

bool TableView::asBoolean(const std::string& fieldName) const
{
    return asInteger(fieldName) != 0;
}

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
        stored = std::monostate {}; // an empty field is a blank field
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
        setValue(f.name, std::monostate {});
        return;
    }
    auto bad
        = [&](const char* what) { return EDatabaseError("'" + text + "' is not " + what + " (field " + f.name + ")"); };
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
                throw EDatabaseError(
                    "The value of field " + f.name + " is longer than " + std::to_string(f.size) + " characters");
            ok = text != nullptr;
            break;
        case FieldType::Memo:
            ok = text != nullptr;
            break;
        case FieldType::Date:
            ok = text && Date::fromIso(*text);
            break;
        case FieldType::Logical:
            ok = integer && (*integer == 0 || *integer == 1);
            break;
        case FieldType::Long:
            ok = integer && *integer >= std::numeric_limits<std::int32_t>::min()
                && *integer <= std::numeric_limits<std::int32_t>::max();
            break;
        case FieldType::Number:
            ok = integer || (std::holds_alternative<double>(v) && std::isfinite(std::get<double>(v)));
            break;
        default:
            break;
        }
        if (!ok)
            throw EDatabaseError("The value '" + valueToString(v) + "' does not suit field " + f.name);
    }
}

} // namespace pelmora::data
