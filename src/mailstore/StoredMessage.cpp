#include "mailstore/StoredMessage.h"

#include "base/Error.h"
#include "data/Database.h"
#include "data/Schema.h"
#include "data/SqlDatabase.h"

#include <algorithm>

namespace pelmora::mailstore {

using data::Value;

namespace {

Value text(const std::string& value)
{
    return value.empty() ? Value() : Value(value);
}

std::string textOf(const data::Statement& st, int column)
{
    const Value value = st.column(column);
    return std::holds_alternative<std::string>(value) ? std::get<std::string>(value) : std::string();
}

std::size_t utf8Length(const std::string& text)
{
    std::size_t count = 0;
    for (unsigned char c : text)
        count += (c & 0xC0) != 0x80;
    return count;
}

void checkWidth(const data::TableDef& table, const std::string& field, const std::string& value)
{
    const data::FieldDef* def = table.field(field);
    if (def && def->type == data::FieldType::Alpha && utf8Length(value) > std::size_t(def->size))
        throw Error("The value of field " + field + " is longer than " + std::to_string(def->size) + " characters");
}

// Whether `path` names something inside `directory` (not the directory itself), by the names
// alone: a row edited to point elsewhere never gets a file outside removed.
bool isInside(const std::filesystem::path& path, const std::filesystem::path& directory)
{
    const std::filesystem::path file = std::filesystem::absolute(path).lexically_normal();
    const std::filesystem::path dir = std::filesystem::absolute(directory).lexically_normal();
    auto d = dir.begin(), p = file.begin();
    for (; d != dir.end() && p != file.end() && !d->empty(); ++d, ++p) {
        if (*d != *p)
            return false;
    }
    return (d == dir.end() || d->empty()) && p != file.end();
}

} // namespace

MailStore::MailStore(data::Database& database)
    : m_database(database)
{
}

void MailStore::checkWidths(const StoredMessage& message) const
{
    const data::TableDef& email = *data::findTable("EMAIL");
    checkWidth(email, "Subject", message.subject);
    checkWidth(email, "SenderName", message.senderName);
    checkWidth(email, "SenderEmail", message.senderEmail);
    checkWidth(email, "ToEmail", message.toEmail);
    checkWidth(email, "Remark", message.remark);
    const data::TableDef& attach = *data::findTable("Attach");
    for (const std::string& location : message.attachments)
        checkWidth(attach, "Location", location);
}

std::int64_t MailStore::insert(const StoredMessage& message)
{
    if (message.status == kOutgoing)
        checkWidths(message);
    data::SqlDatabase& sql = m_database.sql();
    data::Transaction transaction(sql);
    sql.prepare("INSERT INTO \"EMAIL\" (\"Subject\", \"SenderName\", \"SenderEmail\", \"Body\", \"Queue\", "
                "\"AttachNum\", \"DateCreated\", \"Remark\", \"ToEmail\", \"Contact\", \"Number\", \"Status\") "
                "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
        .bindAll({ text(message.subject), text(message.senderName), text(message.senderEmail), text(message.body),
            std::int64_t(message.queue), std::int64_t(message.attachments.size()), message.dateCreated.iso(),
            text(message.remark), text(message.toEmail), message.contact,
            message.number ? Value(*message.number) : Value(), message.status })
        .run();
    const std::int64_t counter = sql.lastInsertRowId();
    for (const std::string& location : message.attachments)
        sql.prepare("INSERT INTO \"Attach\" (\"EmailNum\", \"Location\") VALUES (?, ?)")
            .bindAll({ counter, location })
            .run();
    transaction.commit();
    return counter;
}

StoredMessage MailStore::load(std::int64_t counter)
{
    data::SqlDatabase& sql = m_database.sql();
    StoredMessage message;
    {
        data::Statement& st = sql.prepare("SELECT \"Subject\", \"SenderName\", \"SenderEmail\", \"Body\", \"Queue\", "
                                          "\"DateCreated\", \"Remark\", \"ToEmail\", \"Contact\", \"Number\", "
                                          "\"Status\" FROM \"EMAIL\" WHERE \"Counter\" = ?");
        st.bind(1, counter);
        if (!st.step())
            throw Error("There is no message numbered " + std::to_string(counter));
        message.counter = counter;
        message.subject = textOf(st, 0);
        message.senderName = textOf(st, 1);
        message.senderEmail = textOf(st, 2);
        message.body = textOf(st, 3);
        message.queue = st.columnInt(4) != 0;
        if (auto date = data::Date::fromIso(textOf(st, 5)))
            message.dateCreated = *date;
        message.remark = textOf(st, 6);
        message.toEmail = textOf(st, 7);
        message.contact = st.columnInt(8);
        if (!data::isNull(st.column(9)))
            message.number = st.columnInt(9);
        message.status = st.columnInt(10);
        st.reset();
    }
    // The attachment rows, not AttachNum, say which files belong to the message: a row edited
    // elsewhere may carry a count that no longer matches.
    data::Statement& st = sql.prepare("SELECT \"Location\" FROM \"Attach\" WHERE \"EmailNum\" = ? ORDER BY rowid");
    st.bind(1, counter);
    while (st.step()) {
        const std::string location = textOf(st, 0);
        if (!location.empty())
            message.attachments.push_back(location);
    }
    return message;
}

std::vector<std::int64_t> MailStore::queued(std::optional<std::int64_t> contact)
{
    std::string query = "SELECT \"Counter\" FROM \"EMAIL\" WHERE \"Queue\" = 1";
    if (contact)
        query += " AND \"Contact\" = ?";
    data::Statement& st = m_database.sql().prepare(query + " ORDER BY \"Counter\"");
    if (contact)
        st.bind(1, *contact);
    std::vector<std::int64_t> rows;
    while (st.step())
        rows.push_back(st.columnInt(0));
    return rows;
}

void MailStore::markSent(std::int64_t counter)
{
    data::SqlDatabase& sql = m_database.sql();
    data::Transaction transaction(sql);
    sql.prepare("UPDATE \"EMAIL\" SET \"Queue\" = 0 WHERE \"Counter\" = ?").bind(1, counter).run();
    transaction.commit();
}

bool MailStore::contactExists(std::int64_t counter)
{
    return m_database.sql().scalar("SELECT COUNT(*) FROM \"Contacts\" WHERE \"Counter\" = ?", { counter }) > 0;
}

std::vector<std::int64_t> MailStore::list(std::optional<std::int64_t> contact, std::optional<std::int64_t> status)
{
    std::string query = "SELECT \"Counter\" FROM \"EMAIL\" WHERE 1";
    std::vector<Value> params;
    if (contact) {
        query += " AND \"Contact\" = ?";
        params.emplace_back(*contact);
    }
    if (status) {
        query += " AND \"Status\" = ?";
        params.emplace_back(*status);
    }
    data::Statement& st = m_database.sql().prepare(query + " ORDER BY \"Counter\"");
    st.bindAll(params);
    std::vector<std::int64_t> rows;
    while (st.step())
        rows.push_back(st.columnInt(0));
    return rows;
}

std::vector<std::string> MailStore::remove(std::int64_t counter, const std::filesystem::path& attachDirectory)
{
    const StoredMessage message = load(counter);
    data::SqlDatabase& sql = m_database.sql();
    std::vector<std::string> doomed;
    {
        data::Transaction transaction(sql);
        sql.prepare("DELETE FROM \"Attach\" WHERE \"EmailNum\" = ?").bind(1, counter).run();
        sql.prepare("DELETE FROM \"EMAIL\" WHERE \"Counter\" = ?").bind(1, counter).run();
        for (const std::string& location : message.attachments) {
            if (std::find(doomed.begin(), doomed.end(), location) == doomed.end() && isInside(location, attachDirectory)
                && sql.scalar("SELECT COUNT(*) FROM \"Attach\" WHERE \"Location\" = ?", { location }) == 0)
                doomed.push_back(location);
        }
        transaction.commit();
    }
    // Only after the commit: a delete that did not happen keeps its files.
    std::vector<std::string> kept;
    for (const std::string& file : doomed) {
        std::error_code error;
        std::filesystem::remove(file, error);
        if (error)
            kept.push_back(file);
    }
    return kept;
}

} // namespace pelmora::mailstore
