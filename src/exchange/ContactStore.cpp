#include "exchange/ContactStore.h"

#include "data/DataError.h"
#include "data/Schema.h"
#include "data/SqlDatabase.h"
#include "data/Value.h"

#include <algorithm>

namespace pelmora::exchange {

namespace {

const data::TableDef& contacts()
{
    static const data::TableDef& table = data::tableDef("Contacts");
    return table;
}

// The field of a column as SQLite names it, looked up once per name rather than per row; per
// thread, as a contact sync reads contacts on a thread of its own.
const data::FieldDef* contactField(const std::string& column)
{
    thread_local std::map<std::string, const data::FieldDef*> known;
    auto it = known.find(column);
    if (it == known.end())
        it = known.emplace(column, contacts().field(column)).first;
    return it->second;
}

// The stored value of a column from the card's text; text that does not fit a date or number
// column is refused by the mapping before it comes here, so null is the safe fall-back.
data::Value storedValue(const data::FieldDef& field, const std::string& text)
{
    switch (field.type) {
    case data::FieldType::Logical:
        return std::int64_t { text == "1" || text == "true" || text == "TRUE" };
    case data::FieldType::Long:
    case data::FieldType::AutoInc:
        if (auto number = data::parseDecimal(text))
            return static_cast<std::int64_t>(*number);
        return data::Value { std::monostate {} };
    case data::FieldType::Number:
        if (auto number = data::parseDecimal(text))
            return *number;
        return data::Value { std::monostate {} };
    case data::FieldType::Date:
        if (auto date = data::Date::fromIso(text))
            return date->iso();
        return data::Value { std::monostate {} };
    default:
        if (text.empty())
            return data::Value { std::monostate {} };
        return text;
    }
}

std::vector<std::string> splitLines(const std::string& memo)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start <= memo.size()) {
        std::size_t end = memo.find('\n', start);
        if (end == std::string::npos)
            end = memo.size();
        std::string line = memo.substr(start, end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty())
            lines.push_back(std::move(line));
        start = end + 1;
    }
    return lines;
}

const std::string kUidPrefix = "UID: ";

std::optional<std::int64_t> firstCounter(data::Statement& select)
{
    std::optional<std::int64_t> found;
    if (select.step())
        found = select.columnInt(0);
    select.reset();
    return found;
}

std::string noteMemo(const std::vector<std::string>& lines)
{
    std::string memo;
    for (const std::string& line : lines)
        memo += (memo.empty() ? "" : "\n") + line;
    return memo;
}

std::vector<std::string> noteLines(const ContactCard& card)
{
    std::vector<std::string> lines;
    if (!card.uid.empty())
        lines.push_back(kUidPrefix + card.uid);
    lines.insert(lines.end(), card.unmapped.begin(), card.unmapped.end());
    return lines;
}

std::optional<std::pair<std::int64_t, std::string>> importNote(data::SqlDatabase& db, std::int64_t counter)
{
    data::Statement& select
        = db.prepare("SELECT Counter, Memo FROM notes WHERE Contact = ? AND Subject = ? ORDER BY Counter LIMIT 1");
    select.bind(1, counter).bind(2, std::string(kImportNoteSubject));
    std::optional<std::pair<std::int64_t, std::string>> note;
    if (select.step())
        note = std::make_pair(select.columnInt(0), data::valueToString(select.column(1)));
    select.reset();
    return note;
}

void addNote(data::SqlDatabase& db, std::int64_t counter, const std::vector<std::string>& lines)
{
    db.prepare("INSERT INTO notes (Subject, DateCreated, Memo, Contact) VALUES (?, ?, ?, ?)")
        .bind(1, std::string(kImportNoteSubject))
        .bind(2, data::Date::today().iso())
        .bind(3, noteMemo(lines))
        .bind(4, counter)
        .run();
}

} // namespace

ContactCard readContact(data::SqlDatabase& db, std::int64_t counter)
{
    data::Statement& select = db.prepare("SELECT * FROM Contacts WHERE Counter = ?");
    select.bind(1, counter);
    if (!select.step()) {
        select.reset();
        throw data::EDatabaseError("There is no contact number " + std::to_string(counter));
    }
    ContactCard card;
    for (int i = 0; i < select.columnCount(); ++i) {
        const data::FieldDef* field = contactField(select.columnName(i));
        if (!field || field->type == data::FieldType::AutoInc)
            continue;
        const data::Value value = select.column(i);
        std::string text = data::valueToString(value);
        if (text.empty() || (field->type == data::FieldType::Logical && text == "0"))
            continue;
        card.fields[field->name] = std::move(text);
    }
    select.reset();
    if (auto note = importNote(db, counter)) {
        for (std::string& line : splitLines(note->second)) {
            if (line.starts_with(kUidPrefix) && card.uid.empty())
                card.uid = line.substr(kUidPrefix.size());
            else
                card.unmapped.push_back(std::move(line));
        }
    }
    return card;
}

static std::optional<std::int64_t> findCandidate(data::SqlDatabase& db, const ContactCard& card)
{
    auto text = [&](const char* column) {
        auto it = card.fields.find(column);
        return it == card.fields.end() ? std::string() : it->second;
    };
    const std::string email = text("EMail");
    if (!email.empty()) {
        // The case-insensitive index on EMail serves this.
        data::Statement& select
            = db.prepare("SELECT Counter FROM Contacts WHERE EMail = ? COLLATE NOCASE ORDER BY Counter LIMIT 1");
        select.bind(1, email);
        if (std::optional<std::int64_t> found = firstCounter(select))
            return found;
    }
    if (!text("LName").empty() || !text("FName").empty() || !text("Company").empty()) {
        // Written so that the case-insensitive name index serves it: a blank is NULL or ''.
        std::string where;
        std::vector<data::Value> values;
        for (const char* column : { "LName", "FName", "Company" }) {
            where += where.empty() ? "" : " AND ";
            if (text(column).empty()) {
                where += std::string("(") + column + " IS NULL OR " + column + " = '')";
            } else {
                where += std::string(column) + " = ? COLLATE NOCASE";
                values.push_back(text(column));
            }
        }
        return firstCounter(
            db.prepare("SELECT Counter FROM Contacts WHERE " + where + " ORDER BY Counter LIMIT 1").bindAll(values));
    }
    // No address, name or company: only the same text in every field the record fills is the
    // same contact, so that importing such a record again does not double it.
    std::string where = "IFNULL(EMail, '') = '' AND IFNULL(LName, '') = '' AND IFNULL(FName, '') = ''";
    std::vector<data::Value> values;
    for (const auto& [name, value] : card.fields) {
        const data::FieldDef* field = contacts().field(name);
        if (!field || (field->type != data::FieldType::Alpha && field->type != data::FieldType::Memo))
            continue;
        where += " AND IFNULL(\"" + field->name + "\", '') = ?";
        values.push_back(value);
    }
    if (values.empty())
        return std::nullopt;
    return firstCounter(
        db.prepare("SELECT Counter FROM Contacts WHERE " + where + " ORDER BY Counter LIMIT 1").bindAll(values));
}

std::optional<std::int64_t> findMatchingContact(data::SqlDatabase& db, const ContactCard& card)
{
    const std::optional<std::int64_t> candidate = findCandidate(db, card);
    if (!candidate || card.uid.empty())
        return candidate;
    // Two cards that name different UIDs are two contacts, whatever else they share.
    if (auto note = importNote(db, *candidate)) {
        for (const std::string& line : splitLines(note->second))
            if (line.starts_with(kUidPrefix) && line.substr(kUidPrefix.size()) != card.uid)
                return std::nullopt;
    }
    return candidate;
}

std::map<std::string, std::int64_t> contactUids(data::SqlDatabase& db)
{
    std::map<std::string, std::int64_t> uids;
    data::Statement& select = db.prepare("SELECT Contact, Memo FROM notes WHERE Subject = ? ORDER BY Counter");
    select.bind(1, std::string(kImportNoteSubject));
    while (select.step()) {
        const std::string memo = data::valueToString(select.column(1));
        if (memo.starts_with(kUidPrefix))
            uids.emplace(memo.substr(kUidPrefix.size(), memo.find('\n') - kUidPrefix.size()), select.columnInt(0));
    }
    select.reset();
    return uids;
}

std::int64_t insertContact(data::SqlDatabase& db, const ContactCard& card)
{
    std::string columns;
    std::string marks;
    std::vector<data::Value> values;
    for (const data::FieldDef& field : contacts().fields) {
        if (field.type == data::FieldType::AutoInc)
            continue;
        columns += (columns.empty() ? "\"" : ", \"") + field.name + '"';
        marks += marks.empty() ? "?" : ", ?";
        auto it = card.fields.find(field.name);
        if (it != card.fields.end())
            values.push_back(storedValue(field, it->second));
        else if (field.name == "Created")
            values.push_back(storedValue(field, data::Date::today().iso()));
        else if (field.type == data::FieldType::Logical)
            values.push_back(storedValue(field, "0"));
        else
            values.push_back(storedValue(field, {}));
    }
    db.prepare("INSERT INTO Contacts (" + columns + ") VALUES (" + marks + ")").bindAll(values).run();
    const std::int64_t counter = db.lastInsertRowId();
    if (!card.unmapped.empty() || !card.uid.empty())
        addNote(db, counter, noteLines(card));
    return counter;
}

void updateContact(data::SqlDatabase& db, std::int64_t counter, const ContactCard& card, NoteLines notes)
{
    std::string assignments;
    std::vector<data::Value> values;
    for (const auto& [name, text] : card.fields) {
        const data::FieldDef* field = contacts().field(name);
        if (!field || field->type == data::FieldType::AutoInc)
            continue;
        assignments += (assignments.empty() ? "\"" : ", \"") + field->name + "\" = ?";
        values.push_back(storedValue(*field, text));
    }
    if (!assignments.empty()) {
        values.push_back(storedValue(*contacts().field("Counter"), std::to_string(counter)));
        db.prepare("UPDATE Contacts SET " + assignments + " WHERE Counter = ?").bindAll(values).run();
    }
    const std::vector<std::string> lines = noteLines(card);
    const auto note = importNote(db, counter);
    if (!note) {
        if (!lines.empty())
            addNote(db, counter, lines);
        return;
    }
    if (lines.empty() && notes == NoteLines::Add)
        return;
    std::vector<std::string> merged = splitLines(note->second);
    if (notes == NoteLines::Replace)
        std::erase_if(merged, [](const std::string& line) { return !line.starts_with(kUidPrefix); });
    if (!card.uid.empty())
        std::erase_if(merged, [](const std::string& line) { return line.starts_with(kUidPrefix); });
    // Added, a line the note holds already is not written twice; replaced, the lines are the
    // card's as it has them.
    for (const std::string& line : lines)
        if (notes == NoteLines::Replace || std::find(merged.begin(), merged.end(), line) == merged.end())
            merged.push_back(line);
    std::stable_partition(
        merged.begin(), merged.end(), [](const std::string& line) { return line.starts_with(kUidPrefix); });
    db.prepare("UPDATE notes SET Memo = ? WHERE Counter = ?").bind(1, noteMemo(merged)).bind(2, note->first).run();
}

} // namespace pelmora::exchange
