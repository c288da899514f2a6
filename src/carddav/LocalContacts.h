#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pelmora::carddav {

// The contacts of the open database as the sync sees them: vCard text in and out. The sync
// engine knows nothing of fields; the implementation over the vCard reader and writer is
// VCardContacts, and a caller may replace how contacts are deleted (with everything filed
// under them) by its own.
class LocalContacts {
public:
    virtual ~LocalContacts() = default;

    virtual std::vector<std::int64_t> counters() = 0;
    virtual bool exists(std::int64_t counter) = 0;
    // The contact as the card to send, carrying `uid`.
    virtual std::string cardText(std::int64_t counter, const std::string& uid) = 0;
    // A digest of the contact's content, to tell whether it changed since the last sync.
    virtual std::string contentHash(std::int64_t counter) = 0;
    // Whether a received card says nothing the contact does not already say.
    virtual bool sameContent(std::int64_t counter, const std::string& vcard) = 0;
    // The contact that already stands for this card (as an import would find it), among `candidates` (in ascending
    // order).
    virtual std::optional<std::int64_t> match(const std::string& vcard, const std::vector<std::int64_t>& candidates)
        = 0;
    // These throw pelmora::Error for a card that cannot be read; nothing is written then.
    virtual std::int64_t insert(const std::string& vcard) = 0;
    virtual void update(std::int64_t counter, const std::string& vcard) = 0;
    virtual void remove(std::int64_t counter) = 0;
    // The UID a card carries, or empty.
    virtual std::string uidOf(const std::string& vcard) = 0;
};

} // namespace pelmora::carddav
