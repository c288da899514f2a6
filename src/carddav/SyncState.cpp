#include "carddav/SyncState.h"

#include "data/SqlDatabase.h"

namespace pelmora::carddav {

namespace {

const char* const kColumns = "\"Href\", \"Contact\", \"ETag\", \"Hash\", \"Uid\", \"Theirs\", \"TheirsETag\"";

SyncItem readItem(data::Statement& s)
{
    SyncItem item;
    item.href = data::valueToString(s.column(0));
    if (!std::holds_alternative<std::monostate>(s.column(1)))
        item.contact = s.columnInt(1);
    if (!std::holds_alternative<std::monostate>(s.column(2)))
        item.etag = data::valueToString(s.column(2));
    item.hash = data::valueToString(s.column(3));
    item.uid = data::valueToString(s.column(4));
    item.theirs = data::valueToString(s.column(5));
    item.theirsEtag = data::valueToString(s.column(6));
    return item;
}

} // namespace

SyncState::SyncState(data::SqlDatabase& db)
    : m_db(db)
{
    m_db.exec("CREATE TABLE IF NOT EXISTS \"CardDavItems\" (\"Href\" TEXT PRIMARY KEY, \"Contact\" INTEGER, "
              "\"ETag\" TEXT, \"Hash\" TEXT, \"Uid\" TEXT, \"Theirs\" TEXT, \"TheirsETag\" TEXT)");
    m_db.exec("CREATE INDEX IF NOT EXISTS \"CardDavItemsContact\" ON \"CardDavItems\" (\"Contact\")");
    m_db.exec("CREATE TABLE IF NOT EXISTS \"CardDavState\" (\"Key\" TEXT PRIMARY KEY, \"Value\" TEXT)");
}

std::vector<SyncItem> SyncState::items()
{
    std::vector<SyncItem> all;
    data::Statement& s = m_db.prepare(std::string("SELECT ") + kColumns + " FROM \"CardDavItems\" ORDER BY \"Href\"");
    while (s.step())
        all.push_back(readItem(s));
    s.reset();
    return all;
}

std::optional<SyncItem> SyncState::item(const std::string& href)
{
    data::Statement& s
        = m_db.prepare(std::string("SELECT ") + kColumns + " FROM \"CardDavItems\" WHERE \"Href\" = ?").bind(1, href);
    std::optional<SyncItem> found;
    if (s.step())
        found = readItem(s);
    s.reset();
    return found;
}

std::optional<SyncItem> SyncState::itemOfContact(std::int64_t contact)
{
    data::Statement& s
        = m_db.prepare(std::string("SELECT ") + kColumns + " FROM \"CardDavItems\" WHERE \"Contact\" = ?")
              .bind(1, contact);
    std::optional<SyncItem> found;
    if (s.step())
        found = readItem(s);
    s.reset();
    return found;
}

void SyncState::save(const SyncItem& item)
{
    data::Statement& s = m_db.prepare(
        std::string("INSERT OR REPLACE INTO \"CardDavItems\" (") + kColumns + ") VALUES (?, ?, ?, ?, ?, ?, ?)");
    s.bind(1, item.href);
    s.bind(2, item.contact ? data::Value(*item.contact) : data::Value());
    s.bind(3, item.etag ? data::Value(*item.etag) : data::Value());
    s.bind(4, item.hash).bind(5, item.uid).bind(6, item.theirs).bind(7, item.theirsEtag);
    s.run();
}

void SyncState::erase(const std::string& href)
{
    m_db.prepare("DELETE FROM \"CardDavItems\" WHERE \"Href\" = ?").bind(1, href).run();
}

void SyncState::clear()
{
    m_db.exec("DELETE FROM \"CardDavItems\"");
    m_db.exec("DELETE FROM \"CardDavState\"");
}

std::string SyncState::value(const std::string& key)
{
    data::Statement& s = m_db.prepare("SELECT \"Value\" FROM \"CardDavState\" WHERE \"Key\" = ?").bind(1, key);
    std::string v;
    if (s.step())
        v = data::valueToString(s.column(0));
    s.reset();
    return v;
}

void SyncState::setValue(const std::string& key, const std::string& value)
{
    m_db.prepare("INSERT OR REPLACE INTO \"CardDavState\" (\"Key\", \"Value\") VALUES (?, ?)")
        .bind(1, key)
        .bind(2, value)
        .run();
}

} // namespace pelmora::carddav
