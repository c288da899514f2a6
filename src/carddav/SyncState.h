#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pelmora::data {
class SqlDatabase;
}

namespace pelmora::carddav {

// What the last sync left for one card: kept in the database beside the contacts, so it goes
// wherever the database goes (back-ups included) and belongs to that database only.
struct SyncItem {
    std::string href; // path of the card on the server
    std::optional<std::int64_t> contact; // none once the contact is deleted here
    std::optional<std::string> etag; // none: a new card is being sent and the server has not confirmed it
    std::string hash; // digest of the contact as it was when both sides last agreed
    std::string uid;
    std::string theirs; // the server's card of an unresolved conflict
    std::string theirsEtag;
    bool conflict() const { return !theirs.empty(); }
};

class SyncState {
public:
    // Creates the tables in databases that do not have them yet.
    explicit SyncState(data::SqlDatabase& db);

    std::vector<SyncItem> items();
    std::optional<SyncItem> item(const std::string& href);
    std::optional<SyncItem> itemOfContact(std::int64_t contact);
    void save(const SyncItem& item);
    void erase(const std::string& href);
    void clear();

    std::string value(const std::string& key);
    void setValue(const std::string& key, const std::string& value);

    data::SqlDatabase& db() { return m_db; }

private:
    data::SqlDatabase& m_db;
};

} // namespace pelmora::carddav
