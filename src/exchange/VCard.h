#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora::exchange {

struct VCardParam {
    std::string name; // upper case
    std::vector<std::string> values;
};

struct VCardProperty {
    std::string group;
    std::string name; // upper case
    std::vector<VCardParam> params;
    // The value after unfolding and quoted-printable/charset decoding, as UTF-8; backslash
    // escapes are not undone yet, as only the property knows its structure (N, ADR, ORG...).
    std::string value;

    const VCardParam* param(std::string_view name) const;
    // True when a TYPE parameter (or a 2.1 bare type) holds `type`, ignoring case.
    bool hasType(std::string_view type) const;
};

struct VCard {
    std::vector<VCardProperty> properties;
    std::size_t number = 0; // 1-based card number in its file
    std::size_t line = 0; // line of BEGIN

    const VCardProperty* first(std::string_view name) const;
};

struct VCardError {
    std::size_t card; // 0 for text outside every card
    std::size_t line;
    std::string message;
};

struct VCardParse {
    std::vector<VCard> cards;
    std::vector<VCardError> errors;
};

// Reads versions 2.1, 3.0 and 4.0, in UTF-8 or UTF-16 with a byte-order mark. Bad input never
// throws: what cannot be read is reported in `errors` and the rest is returned.
VCardParse parseVCards(std::string_view bytes);

enum class VCardVersion { v3, v4 };

// One card as text: CRLF line ends, lines folded at 75 octets. A VERSION property of the card
// is replaced by the one asked for.
std::string formatVCard(const VCard& card, VCardVersion version);

// "[group.]NAME;PARAM=value,...": a property without its value, as a card line begins.
std::string formatPropertyHead(const VCardProperty& property, VCardVersion version);

// The text of a TEXT value: \n, \, \; and \\ undone.
std::string unescapeText(std::string_view raw);
std::string escapeText(std::string_view text);
// The components of a structured value (N, ADR, ORG), split at unescaped ';' and unescaped.
std::vector<std::string> splitComponents(std::string_view raw, char separator = ';');
// The same, with the escapes of each component left as they are.
std::vector<std::string> splitRawComponents(std::string_view raw, char separator = ';');

} // namespace pelmora::exchange
