#pragma once

#include "carddav/LocalContacts.h"

#include <functional>

namespace pelmora::data {
class SqlDatabase;
}

namespace pelmora::carddav {

// The contacts of a database through the vCard reader and writer, the same conversion and
// matching the vCard import uses, so a synced contact and an imported one are alike.
class VCardContacts : public LocalContacts {
public:
    explicit VCardContacts(data::SqlDatabase& db);

    // How a contact is deleted; by default its row alone. The program passes the data module's
    // delete, which takes the contact's messages, activities and documents with it.
    std::function<void(std::int64_t)> deleteContact;

    std::vector<std::int64_t> counters() override;
    bool exists(std::int64_t counter) override;
    std::string cardText(std::int64_t counter, const std::string& uid) override;
    std::string contentHash(std::int64_t counter) override;
    bool sameContent(std::int64_t counter, const std::string& vcard) override;
    std::optional<std::int64_t> match(const std::string& vcard, const std::vector<std::int64_t>& candidates) override;
    std::int64_t insert(const std::string& vcard) override;
    void update(std::int64_t counter, const std::string& vcard) override;
    void remove(std::int64_t counter) override;
    std::string uidOf(const std::string& vcard) override;

    // A field in which a contact and a card differ, with both values (empty where one has none).
    struct Difference {
        std::string column;
        std::string ours;
        std::string theirs;
    };
    // The fields a card can carry in which the contact differs from it: what the user weighs
    // before choosing a side of a conflict.
    std::vector<Difference> differences(std::int64_t counter, const std::string& vcard);

private:
    data::SqlDatabase& m_db;
};

// A stable 64-bit digest (FNV-1a) as 16 hex digits: the same text gives the same digest in
// every run and on every machine, as the stored digests are compared across runs.
std::string digest(const std::string& text);

} // namespace pelmora::carddav
