#pragma once

#include <string>
#include <string_view>

namespace pelmora::mail {

// The longest name or address the user is offered to type; received text is never cut to it.
inline constexpr std::size_t MaxShortText = 255;

// Cuts UTF-8 text after `maxChars` characters, never inside a character.
std::string cutUtf8(std::string_view text, std::size_t maxChars = MaxShortText);

// A text field of the mail model (name, address, subject, file name, content type). It keeps
// whatever is assigned whole: mail arrives with texts of any length, and a cut subject or
// address would store a message other than the one received. Input fields limit what the
// user types instead.
class ShortText {
public:
    ShortText() = default;
    ShortText(std::string_view text)
        : m_text(text)
    {
    }
    ShortText(const char* text)
        : m_text(text)
    {
    }
    ShortText(const std::string& text)
        : m_text(text)
    {
    }

    ShortText& operator=(std::string_view text)
    {
        m_text = std::string(text);
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
