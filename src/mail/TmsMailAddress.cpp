#include "mail/TmsMailAddress.h"

#include "mail/HeaderWords.h"
#include "mail/TextUtil.h"
#include "mail/TmsHeaders.h"

namespace pelmora::mail {

namespace {

using text::trim;

constexpr std::size_t LabelWidth = 10;

// Trimmed, then the double quotes at both ends removed; inside a quoted string the quoted
// pairs \" and \\ stand for their second character.
std::string unquote(std::string_view text)
{
    text = trim(text);
    if (text.size() >= 2 && text.front() == '"') {
        std::string out;
        std::size_t i = 1;
        for (; i < text.size() && text[i] != '"'; ++i) {
            if (text[i] == '\\' && i + 1 < text.size())
                ++i;
            out += text[i];
        }
        if (i + 1 == text.size())
            return std::string(trim(out));
    }
    while (!text.empty() && text.front() == '"')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == '"')
        text.remove_suffix(1);
    return std::string(trim(text));
}

std::string cleanAddress(std::string_view address)
{
    std::string out;
    for (char c : singleLine(address)) {
        if (c != '<' && c != '>')
            out += c;
    }
    return out;
}

} // namespace

TmsMailAddress& TmsAddressList::Add(std::string_view address, std::string_view name)
{
    return AddItem(std::make_unique<TmsMailAddress>(address, name));
}

std::vector<std::pair<std::string, std::string>> TmsAddressList::storedItems() const
{
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& item : items())
        out.emplace_back(item->Name.str(), item->Address.str());
    return out;
}

void ParseAddress(std::string_view text, TmsMailAddress& address)
{
    // Only brackets, parentheses and commas outside quoted strings and comments are syntax: a
    // display name "Smith <Sales>" is a name, and a comment is never part of the address.
    const std::vector<AddressContext> contexts = addressContexts(text);
    auto plain = [&](std::size_t i) { return contexts[i] == AddressContext::Plain; };
    std::size_t open = std::string_view::npos;
    for (std::size_t i = text.size(); i-- > 0;) {
        if (plain(i) && text[i] == '<') {
            open = i;
            break;
        }
    }
    std::size_t close = text.size();
    if (open != std::string_view::npos) {
        for (close = open + 1; close < text.size() && !(plain(close) && text[close] == '>');)
            ++close;
    }
    std::string bare; // the address without its comments
    std::string comment; // the first comment, the name of the "a@b.c (Ann)" form
    bool inFirstComment = false;
    for (std::size_t i = open == std::string_view::npos ? 0 : open + 1; i < close; ++i) {
        if (contexts[i] != AddressContext::Comment) {
            bare += text[i];
            inFirstComment = false;
        } else if (comment.empty() || inFirstComment) {
            inFirstComment = true;
            comment += text[i];
        }
    }
    if (open == std::string_view::npos) {
        address.Address = unquote(bare);
        // A comment left open at the end of the field still names the address.
        std::string_view inner = comment;
        if (!inner.empty() && inner.front() == '(')
            inner.remove_prefix(1);
        if (!inner.empty() && inner.back() == ')')
            inner.remove_suffix(1);
        address.Name = unquote(inner);
        return;
    }
    address.Address = unquote(bare);
    address.Name = unquote(text.substr(0, open));
}

std::string singleLine(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    return out;
}

std::string formatDisplayName(std::string_view name)
{
    std::string line = singleLine(name);
    bool ascii = true;
    bool special = false;
    for (char c : line) {
        auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x7F || (byte < 32 && byte != '\t'))
            ascii = false;
        else if (std::string_view("()<>[]:;@\\,.\"").find(c) != std::string_view::npos)
            special = true;
    }
    if (!ascii || line.find("=?") != std::string::npos)
        return encodeHeaderText(line);
    if (!special)
        return line;
    std::string quoted = "\"";
    for (char c : line) {
        if (c == '"' || c == '\\')
            quoted += '\\';
        quoted += c;
    }
    return quoted + "\"";
}

std::string WriteAddressHeader(std::string_view name, const TmsAddressList& list)
{
    if (list.Count() == 0)
        return {};
    std::string label(name);
    if (label.empty() || label.back() != ':')
        label += ':';
    if (label.size() < LabelWidth)
        label.append(LabelWidth - label.size(), ' ');
    std::string out;
    for (int i = 0; i < list.Count(); ++i) {
        const TmsMailAddress& address = list.Items(i);
        out += i == 0 ? label : std::string(LabelWidth, ' ');
        out += formatDisplayName(address.Name.str());
        out += " <" + cleanAddress(address.Address.str()) + ">";
        out += i + 1 < list.Count() ? ",\r\n" : "\r\n";
    }
    return out;
}

} // namespace pelmora::mail
