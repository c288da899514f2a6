// Drives the vCard reader and the contact mapping with arbitrary bytes: nothing may crash, hang
// or run out of memory, and every card read must go out as a card that reads back as one card.
#include "exchange/ContactCard.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace pelmora::exchange;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const VCardParse parse = parseVCards(bytes);
    for (const VCard& card : parse.cards) {
        const ContactCard contact = contactFromVCard(card);
        for (VCardVersion version : { VCardVersion::v3, VCardVersion::v4 }) {
            const VCardParse again = parseVCards(formatVCard(vcardFromContact(contact, version), version));
            if (again.cards.size() != 1 || !again.errors.empty())
                std::abort();
        }
    }
    return 0;
}
