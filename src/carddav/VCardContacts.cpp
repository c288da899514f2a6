#include "carddav/VCardContacts.h"

#include "base/Error.h"
#include "data/SqlDatabase.h"
#include "exchange/ContactCard.h"
#include "exchange/ContactStore.h"
#include "exchange/VCard.h"

#include <algorithm>
#include <cstdio>

namespace pelmora::carddav {

namespace {

using exchange::ContactCard;

// The columns a vCard has a property for.
const char* const kCardColumns[] = { "LName", "FName", "Company", "Department", "JobTitle", "EMail", "Phone1", "Phone2",
    "Cellular", "Fax", "Address1", "Address2", "City", "State", "Zip", "Country", "URL", "Comments", "CategoryA",
    "CategoryB", "CategoryC" };

// The one card of a server's reply, or an error that names what is wrong with it.
ContactCard readCard(const std::string& text)
{
    exchange::VCardParse parsed = exchange::parseVCards(text);
    if (parsed.cards.empty()) {
        const std::string reason = parsed.errors.empty() ? "it holds no vCard" : parsed.errors.front().message;
        throw Error("the card from the server cannot be read (" + reason + "); it was left as it is");
    }
    return exchange::contactFromVCard(parsed.cards.front());
}

} // namespace

std::string digest(const std::string& text)
{
    std::uint64_t hash = 14695981039346656037ULL;
    for (unsigned char c : text) {
        hash ^= c;
        hash *= 1099511628211ULL;
    }
    char out[17];
    std::snprintf(out, sizeof out, "%016llx", static_cast<unsigned long long>(hash));
    return out;
}

VCardContacts::VCardContacts(data::SqlDatabase& db)
    : m_db(db)
{
}

std::vector<std::int64_t> VCardContacts::counters()
{
    std::vector<std::int64_t> all;
    data::Statement& s = m_db.prepare("SELECT \"Counter\" FROM \"Contacts\" ORDER BY \"Counter\"");
    while (s.step())
        all.push_back(s.columnInt(0));
    s.reset();
    return all;
}

bool VCardContacts::exists(std::int64_t counter)
{
    return m_db.scalar("SELECT COUNT(*) FROM \"Contacts\" WHERE \"Counter\" = ?", { counter }) > 0;
}

std::string VCardContacts::cardText(std::int64_t counter, const std::string& uid)
{
    ContactCard card = exchange::readContact(m_db, counter);
    card.uid = uid;
    return exchange::formatVCard(
        exchange::vcardFromContact(card, exchange::VCardVersion::v3), exchange::VCardVersion::v3);
}

std::string VCardContacts::contentHash(std::int64_t counter)
{
    // Of the stored values, not of the card written from them: a newer card writer must not
    // make every contact look changed here (and each change there a conflict).
    const ContactCard card = exchange::readContact(m_db, counter);
    std::string text;
    for (const auto& [column, value] : card.fields)
        text += column + '=' + value + '\n';
    for (const std::string& line : card.unmapped)
        text += line + '\n';
    return digest(text);
}

bool VCardContacts::sameContent(std::int64_t counter, const std::string& vcard)
{
    return differences(counter, vcard).empty();
}

std::vector<VCardContacts::Difference> VCardContacts::differences(std::int64_t counter, const std::string& vcard)
{
    // Only what a card can say: the date the contact was created here, say, is no difference.
    const ContactCard theirs = readCard(vcard);
    const ContactCard ours = exchange::readContact(m_db, counter);
    std::vector<Difference> found;
    for (const char* column : kCardColumns) {
        auto a = theirs.fields.find(column);
        auto b = ours.fields.find(column);
        if ((a == theirs.fields.end()) != (b == ours.fields.end())
            || (a != theirs.fields.end() && a->second != b->second))
            found.push_back({ column, b == ours.fields.end() ? std::string() : b->second,
                a == theirs.fields.end() ? std::string() : a->second });
    }
    return found;
}

std::optional<std::int64_t> VCardContacts::match(const std::string& vcard, const std::vector<std::int64_t>& candidates)
{
    const std::optional<std::int64_t> found = exchange::findMatchingContact(m_db, readCard(vcard));
    if (found && std::binary_search(candidates.begin(), candidates.end(), *found))
        return found;
    return std::nullopt;
}

std::int64_t VCardContacts::insert(const std::string& vcard)
{
    return exchange::insertContact(m_db, readCard(vcard));
}

void VCardContacts::update(std::int64_t counter, const std::string& vcard)
{
    const ContactCard card = readCard(vcard);
    // The import merges a card into a contact and keeps what the card leaves out; a sync must
    // also take a removal (a phone number deleted on the phone, a property with no field here),
    // or the two sides would differ for good. Only the fields a card carries are cleared: the
    // user fields, dates and numbers a card never holds stay as they are.
    std::string cleared;
    for (const char* column : kCardColumns) {
        if (!card.fields.count(column))
            cleared += (cleared.empty() ? "\"" : ", \"") + std::string(column) + "\" = NULL";
    }
    if (!cleared.empty())
        m_db.prepare("UPDATE \"Contacts\" SET " + cleared + " WHERE \"Counter\" = ?").bind(1, counter).run();
    exchange::updateContact(m_db, counter, card, exchange::NoteLines::Replace);
}

void VCardContacts::remove(std::int64_t counter)
{
    if (deleteContact)
        deleteContact(counter);
    else
        m_db.prepare("DELETE FROM \"Contacts\" WHERE \"Counter\" = ?").bind(1, counter).run();
}

std::string VCardContacts::uidOf(const std::string& vcard)
{
    exchange::VCardParse parsed = exchange::parseVCards(vcard);
    return parsed.cards.empty() ? std::string() : exchange::contactFromVCard(parsed.cards.front()).uid;
}

} // namespace pelmora::carddav
