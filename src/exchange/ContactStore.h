#pragma once

#include "exchange/ContactCard.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>

namespace pelmora::data {
class SqlDatabase;
}

namespace pelmora::exchange {

// The subject of the note that keeps what a card held beyond the contact's fields.
inline constexpr const char* kImportNoteSubject = "Imported contact details";

// These join the caller's transaction; the caller wraps a batch in one data::Transaction.

// The Contacts row as a card (throws data::EDatabaseError when there is no such contact).
ContactCard readContact(data::SqlDatabase& db, std::int64_t counter);
// Same e-mail address ignoring case, else same name and company; a contact whose card had
// another UID than `card` is not the same one.
std::optional<std::int64_t> findMatchingContact(data::SqlDatabase& db, const ContactCard& card);
// The UIDs of every contact that has one, read at once for a batch.
std::map<std::string, std::int64_t> contactUids(data::SqlDatabase& db);
// Returns the new Counter; keeps `unmapped` (and the UID) in a note of the contact.
std::int64_t insertContact(data::SqlDatabase& db, const ContactCard& card);
// Sets the card's fields and leaves the others; adds the card's unmapped lines to the note.
void updateContact(data::SqlDatabase& db, std::int64_t counter, const ContactCard& card);

} // namespace pelmora::exchange
