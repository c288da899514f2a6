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
// What an update does with the lines of the note: an import adds the card's lines to those the
// note holds, as a card from a file may tell only part of the contact; a sync, whose card is the
// whole contact, makes them exactly the card's, so a property removed there goes here too.
enum class NoteLines { Add, Replace };
// Sets the card's fields and leaves the others; the card's unmapped lines go into the note as
// `notes` says. A new UID replaces the old one; a card without one keeps it.
void updateContact(
    data::SqlDatabase& db, std::int64_t counter, const ContactCard& card, NoteLines notes = NoteLines::Add);

} // namespace pelmora::exchange
