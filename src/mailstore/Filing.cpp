#include "mailstore/Filing.h"

#include "base/Error.h"
#include "data/Database.h"
#include "data/SqlDatabase.h"
#include "mail/TmsMailAddress.h"
#include "mailstore/MailAccount.h"
#include "mailstore/StoredMessage.h"

#include <unordered_map>

namespace pelmora::mailstore {

namespace {

std::string textOf(const data::Statement& st, int column)
{
    const data::Value value = st.column(column);
    return std::holds_alternative<std::string>(value) ? std::get<std::string>(value) : std::string();
}

// Each address of every contact, mapped to the first contact (lowest Counter) that holds it.
// A contact's field may list several addresses ("a@x.test; b@y.test").
std::unordered_map<std::string, std::int64_t> contactsByAddress(data::SqlDatabase& sql)
{
    std::unordered_map<std::string, std::int64_t> map;
    data::Statement& st
        = sql.prepare("SELECT \"Counter\", \"EMail\" FROM \"Contacts\" WHERE \"EMail\" <> '' ORDER BY \"Counter\"");
    while (st.step()) {
        const std::int64_t contact = st.columnInt(0);
        for (const std::string& address : splitAddresses(textOf(st, 1))) {
            std::string key = addressKey(address);
            if (!key.empty())
                map.emplace(std::move(key), contact);
        }
    }
    return map;
}

void setContact(data::SqlDatabase& sql, std::int64_t counter, std::int64_t contact)
{
    sql.prepare("UPDATE \"EMAIL\" SET \"Contact\" = ? WHERE \"Counter\" = ?").bindAll({ contact, counter }).run();
}

} // namespace

std::string addressKey(std::string_view text)
{
    mail::TmsMailAddress address;
    mail::ParseAddress(text, address);
    std::string key;
    for (char c : address.Address.str()) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            key += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    return key;
}

Filing::Filing(data::Database& database)
    : m_database(database)
{
}

void Filing::fileTo(std::int64_t counter, std::int64_t contact)
{
    MailStore store(m_database);
    // Filing to no contact would leave the message where no window shows it.
    if (contact != kInbox && (contact <= 0 || !store.contactExists(contact)))
        throw Error("There is no contact numbered " + std::to_string(contact) + " to file the message to");
    data::SqlDatabase& sql = m_database.sql();
    if (sql.scalar("SELECT COUNT(*) FROM \"EMAIL\" WHERE \"Counter\" = ?", { counter }) == 0)
        throw Error("There is no message numbered " + std::to_string(counter));
    data::Transaction transaction(sql);
    setContact(sql, counter, contact);
    transaction.commit();
}

std::optional<std::int64_t> Filing::fileBySender(std::int64_t counter)
{
    data::SqlDatabase& sql = m_database.sql();
    std::string sender;
    {
        data::Statement& st = sql.prepare("SELECT \"SenderEmail\" FROM \"EMAIL\" WHERE \"Counter\" = ?");
        st.bind(1, counter);
        if (!st.step())
            throw Error("There is no message numbered " + std::to_string(counter));
        sender = textOf(st, 0);
        st.reset();
    }
    const std::string key = addressKey(sender);
    if (key.empty())
        return std::nullopt;
    const auto map = contactsByAddress(sql);
    const auto found = map.find(key);
    // No match leaves the row with the owner it has: a message already filed stays filed.
    if (found == map.end())
        return std::nullopt;
    data::Transaction transaction(sql);
    setContact(sql, counter, found->second);
    transaction.commit();
    return found->second;
}

FileAllResult Filing::fileAll()
{
    data::SqlDatabase& sql = m_database.sql();
    const auto map = contactsByAddress(sql);
    std::vector<std::pair<std::int64_t, std::int64_t>> moves;
    FileAllResult result;
    {
        data::Statement& st = sql.prepare(
            "SELECT \"Counter\", \"SenderEmail\" FROM \"EMAIL\" WHERE \"Contact\" = ? ORDER BY \"Counter\"");
        st.bind(1, kInbox);
        while (st.step()) {
            const auto found = map.find(addressKey(textOf(st, 1)));
            if (found == map.end() || found->first.empty())
                ++result.left;
            else
                moves.emplace_back(st.columnInt(0), found->second);
        }
    }
    data::Transaction transaction(sql);
    for (const auto& [counter, contact] : moves)
        setContact(sql, counter, contact);
    transaction.commit();
    result.filed = static_cast<int>(moves.size());
    return result;
}

} // namespace pelmora::mailstore
