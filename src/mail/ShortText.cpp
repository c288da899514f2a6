#include "mail/ShortText.h"

namespace pelmora::mail {

std::string cutUtf8(std::string_view text, std::size_t maxChars)
{
    if (text.size() <= maxChars)
        return std::string(text);
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        // Continuation bytes (10xxxxxx) belong to the character before them.
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
            if (chars == maxChars)
                return std::string(text.substr(0, i));
            ++chars;
        }
    }
    return std::string(text);
}

} // namespace pelmora::mail
