#pragma once

#include "mail/OwningList.h"
#include "mail/ShortText.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pelmora::mail {

// One mailbox: a display name (may be empty) and the address itself (empty means none).
// Both are UTF-8 and cut at 255 characters.
class TmsMailAddress {
public:
    TmsMailAddress() = default;
    TmsMailAddress(std::string_view address, std::string_view name)
        : Name(name)
        , Address(address)
    {
    }

    void Assign(const TmsMailAddress& other) { *this = other; }
    bool operator==(const TmsMailAddress& other) const = default;

    ShortText Name;
    ShortText Address;
};

// An ordered list of addresses that owns its items.
class TmsAddressList : public OwningList<TmsMailAddress> {
public:
    // Note the order: address first, then the display name.
    TmsMailAddress& Add(std::string_view address, std::string_view name);

    // The stored form of the list: pairs of (Name, Address), in order.
    std::vector<std::pair<std::string, std::string>> storedItems() const;
};

// Reads one address as a header gives it: "Name <addr>", "addr (Name)" or a bare "addr".
// Surrounding blanks and the double quotes around each part are removed.
void ParseAddress(std::string_view text, TmsMailAddress& address);

// Writes the header lines of an address list ("To", "CC"), each ending in CR LF; nothing for
// an empty list. Names are quoted or written as encoded words where they need it, and no
// line break of a name or an address can start a new header line.
std::string WriteAddressHeader(std::string_view name, const TmsAddressList& list);

// The display name as it may stand before "<address>" in a header: as it is when it is
// plain text, quoted when it holds specials, an encoded word when it is not ASCII.
std::string formatDisplayName(std::string_view name);

// Removes CR and LF (each becomes a blank) so that a value can never open a header line.
std::string singleLine(std::string_view text);

} // namespace pelmora::mail
