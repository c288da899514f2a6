#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora::exchange {

// A mailto: link as the desktop hands it over (RFC 6068): the addresses before the "?" and in
// "to" fields, "cc", "bcc", "subject" and "body", each percent-decoded. Other header fields
// are ignored: a link must not be able to set arbitrary headers of a message.
struct MailtoLink {
    std::vector<std::string> to, cc, bcc;
    std::string subject, body;
};

// A tel: link (RFC 3966): the number as written, visual separators kept, and its extension.
struct TelLink {
    std::string number;
    std::string extension;
};

// True for a word that is a mailto: or tel: link (the scheme in any case).
bool isDesktopLink(std::string_view word);

// Reads a mailto: link; nullopt when it is not one or cannot be read (a broken %-escape, a
// control character after decoding in an address or the subject).
std::optional<MailtoLink> parseMailto(std::string_view uri);
// Reads a tel: link; nullopt when it is not one or holds no digit.
std::optional<TelLink> parseTel(std::string_view uri);

// Decodes %XX escapes; nullopt for a "%" not followed by two hexadecimal digits.
std::optional<std::string> percentDecode(std::string_view text);

} // namespace pelmora::exchange
