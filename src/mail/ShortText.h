#pragma once

#include <string>
#include <string_view>

namespace pelmora::mail {

// The longest text the mail model keeps in a name, address, subject, file name or content type.
inline constexpr std::size_t MaxShortText = 255;

// Cuts UTF-8 text after `maxChars` characters, never inside a character.
std::string cutUtf8(std::string_view text, std::size_t maxChars = MaxShortText);

// A text field of the mail model: whatever is assigned is cut at 255 characters, so no
// caller can store more than the stored records and the header lines are made for.
class ShortText {
public:
    ShortText() = default;
    ShortText(std::string_view text) : m_text(cutUtf8(text)) {}
    ShortText(const char* text) : m_text(cutUtf8(text)) {}
    ShortText(const std::string& text) : m_text(cutUtf8(text)) {}

    ShortText& operator=(std::string_view text)
    {
        m_text = cutUtf8(text);
        return *this;
    }
    ShortText& operator=(const char* text) { return *this = std::string_view(text); }
    ShortText& operator=(const std::string& text) { return *this = std::string_view(text); }

    const std::string& str() const { return m_text; }
    operator const std::string&() const { return m_text; }
    bool empty() const { return m_text.empty(); }
    bool operator==(const ShortText& other) const = default;
    bool operator==(std::string_view other) const { return m_text == other; }
    bool operator==(const char* other) const { return m_text == other; }
    bool operator==(const std::string& other) const { return m_text == other; }

private:
    std::string m_text;
};

} // namespace pelmora::mail
