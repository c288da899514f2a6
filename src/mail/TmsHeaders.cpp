#include "mail/TmsHeaders.h"

#include "mail/Charset.h"
#include "mail/HeaderWords.h"
#include "mail/TextUtil.h"

#include <cctype>

namespace pelmora::mail {

namespace {

using text::trim;

std::string_view withoutColon(std::string_view name)
{
    if (!name.empty() && name.back() == ':')
        name.remove_suffix(1);
    return name;
}

// The position after the ":" when `line` is the field `name` (any case, blanks allowed
// before the colon); npos otherwise.
std::size_t fieldValueStart(std::string_view line, std::string_view name)
{
    if (line.size() <= name.size())
        return std::string_view::npos;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(line[i])) != std::tolower(static_cast<unsigned char>(name[i])))
            return std::string_view::npos;
    }
    std::size_t i = name.size();
    while (i < line.size() && (line[i] == ' ' || line[i] == '\t'))
        ++i;
    return i < line.size() && line[i] == ':' ? i + 1 : std::string_view::npos;
}

bool isContinuation(std::string_view line)
{
    return !line.empty() && (line[0] == ' ' || line[0] == '\t' || line.find(':') == std::string_view::npos);
}

// The unfolded value of the field that begins at `index`; `index` moves past its lines.
// Exact unfolding only removes the line breaks, as structured values (a boundary folded
// inside its quotes) need; otherwise each line is trimmed and joined with one blank.
std::string unfoldField(const TmsHeaders& headers, std::size_t& index, std::size_t valueStart, bool exact)
{
    std::string value(trim(std::string_view(headers[index]).substr(valueStart)));
    for (++index; index < headers.size() && isContinuation(headers[index]); ++index) {
        std::string_view line = headers[index];
        bool folded = line[0] == ' ' || line[0] == '\t';
        std::string_view more = exact && folded ? line : trim(line);
        if (more.empty() || (exact && trim(more).empty()))
            continue;
        if (!value.empty() && !(exact && folded))
            value += ' ';
        value += more;
    }
    return exact ? std::string(trim(value)) : value;
}

std::string firstFieldValue(const TmsHeaders& headers, std::string_view name, bool exact)
{
    name = withoutColon(name);
    for (std::size_t i = 0; i < headers.size(); ++i) {
        std::size_t start = fieldValueStart(headers[i], name);
        if (start != std::string_view::npos)
            return unfoldField(headers, i, start, exact);
    }
    return {};
}

// Cuts an address field at the commas that separate addresses: not those inside double
// quotes, angle brackets or comments.
std::vector<std::string> splitAddresses(std::string_view value)
{
    std::vector<std::string> pieces;
    std::string piece;
    const std::vector<AddressContext> contexts = addressContexts(value);
    int angle = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        bool plain = contexts[i] == AddressContext::Plain;
        if (plain && c == '<')
            ++angle;
        else if (plain && c == '>' && angle > 0)
            --angle;
        if (c == ',' && plain && angle == 0) {
            pieces.push_back(piece);
            piece.clear();
        } else {
            piece += c;
        }
    }
    pieces.push_back(piece);
    return pieces;
}

// Removes the name of an address group ("Friends: a@b, c@d;") and its closing ";".
std::string_view withoutGroup(std::string_view piece)
{
    std::size_t colon = piece.find(':');
    std::size_t stop = piece.find_first_of("<\"@(");
    if (colon != std::string_view::npos && (stop == std::string_view::npos || colon < stop))
        piece = piece.substr(colon + 1);
    piece = trim(piece);
    if (!piece.empty() && piece.back() == ';')
        piece.remove_suffix(1);
    return trim(piece);
}

} // namespace

std::vector<AddressContext> addressContexts(std::string_view value)
{
    std::vector<AddressContext> contexts(value.size(), AddressContext::Plain);
    bool quoted = false;
    int comment = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        AddressContext here = quoted ? AddressContext::Quoted
            : comment > 0            ? AddressContext::Comment
                                     : AddressContext::Plain;
        if ((quoted || comment > 0) && c == '\\' && i + 1 < value.size()) {
            contexts[i] = contexts[i + 1] = here;
            ++i;
            continue;
        }
        if (c == '"' && comment == 0) {
            quoted = !quoted;
            here = AddressContext::Quoted;
        } else if (!quoted && c == '(') {
            ++comment;
            here = AddressContext::Comment;
        } else if (!quoted && c == ')' && comment > 0) {
            --comment;
            here = AddressContext::Comment;
        }
        contexts[i] = here;
    }
    return contexts;
}

std::string rawHeaderValue(const TmsHeaders& headers, std::string_view name)
{
    return firstFieldValue(headers, name, true);
}

std::string HeaderValue(const TmsHeaders& headers, std::string_view name)
{
    return DecodeHeaderWords(firstFieldValue(headers, name, false));
}

void HeaderAddresses(const TmsHeaders& headers, std::string_view name, std::vector<std::string>& out)
{
    out.clear();
    name = withoutColon(name);
    for (std::size_t i = 0; i < headers.size();) {
        std::size_t start = fieldValueStart(headers[i], name);
        if (start == std::string_view::npos) {
            ++i;
            continue;
        }
        for (const std::string& piece : splitAddresses(unfoldField(headers, i, start, false))) {
            std::string_view address = withoutGroup(trim(piece));
            if (!address.empty())
                out.push_back(DecodeHeaderWords(address));
        }
    }
}

bool DeleteHeader(TmsHeaders& headers, std::string_view name)
{
    name = withoutColon(name);
    for (std::size_t i = 0; i < headers.size(); ++i) {
        if (fieldValueStart(headers[i], name) == std::string_view::npos)
            continue;
        std::size_t end = i + 1;
        while (end < headers.size() && !headers[end].empty() && (headers[end][0] == ' ' || headers[end][0] == '\t'))
            ++end;
        headers.erase(
            headers.begin() + static_cast<std::ptrdiff_t>(i), headers.begin() + static_cast<std::ptrdiff_t>(end));
        return true;
    }
    return false;
}

} // namespace pelmora::mail
