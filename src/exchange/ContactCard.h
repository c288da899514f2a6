#pragma once

#include "exchange/VCard.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace pelmora::exchange {

struct ContactCard {
    std::map<std::string, std::string> fields; // Contacts column name -> UTF-8 text (only columns that have a value)
    // "PROPERTY: value" lines that have no field, kept in the contact's notes. A property is
    // written with its parameters and its value as the card had it ("TEL;TYPE=home: +1 555");
    // a Contacts column name stands for a value too long for that column, kept whole here.
    std::vector<std::string> unmapped;
    std::string uid; // the vCard UID, when there is one
};

ContactCard contactFromVCard(const VCard& card);
// Includes UID when contact.uid is set. Lines of `unmapped` become properties again, and a
// column named there fills its field when the field is empty, so nothing read comes back lost.
VCard vcardFromContact(const ContactCard& contact, VCardVersion version);

// Sets a field when the value fits its column; a longer value goes whole into `unmapped`
// as "Column: value", where the way out finds it again. Blank values are left out.
void putField(ContactCard& card, const std::string& column, const std::string& value);

// One unmapped line split into its property (name with parameters) and its value.
struct UnmappedLine {
    std::string property;
    std::string value;
};
std::optional<UnmappedLine> splitUnmapped(const std::string& line);

} // namespace pelmora::exchange
