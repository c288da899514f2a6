#include "exchange/VCard.h"

#include "exchange/TextCodec.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace pelmora::exchange {

namespace {

std::string_view trim(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

struct Line {
    std::string_view text;
    std::size_t number;
};

std::vector<Line> splitLines(std::string_view text)
{
    std::vector<Line> lines;
    std::size_t start = 0;
    std::size_t number = 1;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n')
            continue;
        lines.push_back({ text.substr(start, i - start), number++ });
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.push_back({ text.substr(start), number });
    return lines;
}

// Splits at `separator` outside double quotes.
std::vector<std::string_view> splitOutsideQuotes(std::string_view text, char separator)
{
    std::vector<std::string_view> parts;
    bool quoted = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '"')
            quoted = !quoted;
        else if (text[i] == separator && !quoted) {
            parts.push_back(text.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.push_back(text.substr(start));
    return parts;
}

// Parameter values may carry ^n, ^^ and ^' for a newline, a caret and a double quote.
std::string decodeCaret(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '^' && i + 1 < text.size()) {
            const char next = text[i + 1];
            if (next == 'n' || next == 'N' || next == '^' || next == '\'') {
                out += next == '^' ? '^' : next == '\'' ? '"' : '\n';
                ++i;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

std::string unquote(std::string_view text)
{
    text = trim(text);
    if (text.size() >= 2 && text.front() == '"' && text.back() == '"')
        text = text.substr(1, text.size() - 2);
    return std::string(text);
}

VCardParam parseParam(std::string_view text, bool caret)
{
    VCardParam param;
    const std::size_t eq = text.find('=');
    if (eq == std::string_view::npos) {
        // Version 2.1 writes types and encodings bare: TEL;WORK;VOICE, NOTE;QUOTED-PRINTABLE.
        const std::string value = asciiUpper(trim(text));
        static constexpr std::string_view kEncodings[] = { "QUOTED-PRINTABLE", "BASE64", "8BIT", "7BIT", "B" };
        const bool encoding = std::find(std::begin(kEncodings), std::end(kEncodings), value) != std::end(kEncodings);
        param.name = encoding ? "ENCODING" : "TYPE";
        param.values.push_back(std::string(trim(text)));
        return param;
    }
    param.name = asciiUpper(trim(text.substr(0, eq)));
    for (std::string_view part : splitOutsideQuotes(text.substr(eq + 1), ',')) {
        std::string value = unquote(part);
        param.values.push_back(caret ? decodeCaret(value) : value);
    }
    return param;
}

bool isNameChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_' || c == '.';
}

bool isBase64Text(std::string_view text)
{
    text = trim(text);
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '/' || c == '=';
    });
}

// Decoded line breaks are text; the raw value stays one line by escaping them.
std::string escapeLineBreaks(const std::string& value)
{
    std::string escaped;
    for (std::size_t k = 0; k < value.size(); ++k) {
        if (value[k] == '\r' && k + 1 < value.size() && value[k + 1] == '\n')
            continue;
        if (value[k] == '\r' || value[k] == '\n')
            escaped += "\\n";
        else
            escaped += value[k];
    }
    return escaped;
}

// ENCODING=QUOTED-PRINTABLE, or version 2.1's bare QUOTED-PRINTABLE, among the parameters.
bool isQuotedPrintableLine(std::string_view line)
{
    const std::string head = asciiUpper(line.substr(0, line.find(':')));
    std::size_t start = head.find(';');
    while (start != std::string::npos) {
        const std::size_t end = head.find(';', start + 1);
        std::string_view param = trim(
            std::string_view(head).substr(start + 1, end == std::string::npos ? std::string::npos : end - start - 1));
        // Only a parameter named ENCODING counts, as the value decoder reads no other: a line
        // taken for quoted-printable here but not decoded as such would lose its folded lines.
        const std::size_t equals = param.find('=');
        if (equals != std::string_view::npos && trim(param.substr(0, equals)) == "ENCODING")
            param = trim(param.substr(equals + 1));
        if (param == "QUOTED-PRINTABLE")
            return true;
        start = end;
    }
    return false;
}

struct OpenCard {
    VCard card;
    // Values whose bytes are not UTF-8 and name no character set: decoded when the card ends,
    // in the character set its other properties name, as writers give it once per card.
    struct Undecoded {
        std::size_t index;
        std::string bytes;
        bool quotedPrintable;
    };
    std::vector<Undecoded> undecoded;
};

class Parser {
public:
    explicit Parser(std::string_view bytes)
        : m_text(decodeFileText(bytes))
        , m_lines(splitLines(m_text))
    {
    }

    VCardParse run();

private:
    std::string logicalLine(std::size_t& i);
    std::string quotedPrintableLine(std::size_t& i);
    void beginCard(std::size_t number);
    void endCard();
    void handleLine(std::string_view text, std::size_t number);
    std::optional<VCardProperty> parseProperty(std::string_view text, std::size_t number);
    void error(std::size_t line, std::string message)
    {
        m_result.errors.push_back({ m_open.empty() ? 0 : m_open.back().card.number, line, std::move(message) });
    }
    bool version21() const
    {
        if (m_open.empty())
            return false;
        const VCardProperty* version = m_open.back().card.first("VERSION");
        return version && trim(version->value) == "2.1";
    }
    bool version4() const
    {
        if (m_open.empty())
            return false;
        const VCardProperty* version = m_open.back().card.first("VERSION");
        return version && trim(version->value) == "4.0";
    }

    std::string m_text;
    std::vector<Line> m_lines;
    std::vector<OpenCard> m_open; // the cards begun and not ended, innermost last
    std::vector<VCard> m_done;
    std::size_t m_cardCount = 0;
    bool m_junkReported = false;
    VCardParse m_result;
};

std::string Parser::logicalLine(std::size_t& i)
{
    std::string text(m_lines[i].text);
    while (i + 1 < m_lines.size() && !m_lines[i + 1].text.empty()
        && (m_lines[i + 1].text.front() == ' ' || m_lines[i + 1].text.front() == '\t')) {
        ++i;
        text.append(m_lines[i].text.substr(1));
    }
    return text;
}

// BEGIN:VCARD or END:VCARD, which no value continues into.
bool isCardBoundary(std::string_view line)
{
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || !equalsNoCase(trim(line.substr(colon + 1)), "VCARD"))
        return false;
    const std::string_view name = trim(line.substr(0, colon));
    return equalsNoCase(name, "BEGIN") || equalsNoCase(name, "END");
}

// A quoted-printable value goes on after a soft line break ('=' at the end) with the next line
// as it is, leading spaces included.
std::string Parser::quotedPrintableLine(std::size_t& i)
{
    const std::size_t first = i;
    std::string text(m_lines[i].text);
    while (!text.empty() && text.back() == '=' && i + 1 < m_lines.size()) {
        text.pop_back();
        // A value that ends in a soft line break by mistake would swallow the card's END:VCARD,
        // and the whole card would be lost with an error far from the line at fault.
        if (isCardBoundary(m_lines[i + 1].text)) {
            error(m_lines[first].number,
                "A quoted-printable value ends with a soft line break ('=') where the card ends; it was read up "
                "to there");
            break;
        }
        ++i;
        text.append(m_lines[i].text);
    }
    return text;
}

void Parser::beginCard(std::size_t number)
{
    OpenCard open;
    open.card.number = ++m_cardCount;
    open.card.line = number;
    m_open.push_back(std::move(open));
    m_junkReported = false;
}

void Parser::endCard()
{
    OpenCard& open = m_open.back();
    std::string charset;
    for (const VCardProperty& p : open.card.properties)
        if (const VCardParam* param = p.param("CHARSET"); param && !param->values.empty() && charset.empty())
            charset = param->values[0];
    for (OpenCard::Undecoded& value : open.undecoded) {
        std::string text = toUtf8(value.bytes, charset);
        open.card.properties[value.index].value = value.quotedPrintable ? escapeLineBreaks(text) : std::move(text);
    }
    m_done.push_back(std::move(open.card));
    m_open.pop_back();
}

VCardParse Parser::run()
{
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        const std::size_t number = m_lines[i].number;
        const std::string text = isQuotedPrintableLine(m_lines[i].text) ? quotedPrintableLine(i) : logicalLine(i);
        handleLine(text, number);
    }
    while (!m_open.empty()) {
        error(m_open.back().card.line, "The card ends before its END:VCARD line; it was not read");
        m_open.pop_back();
    }
    std::sort(m_done.begin(), m_done.end(), [](const VCard& a, const VCard& b) { return a.number < b.number; });
    m_result.cards = std::move(m_done);
    return std::move(m_result);
}

void Parser::handleLine(std::string_view text, std::size_t number)
{
    if (trim(text).empty())
        return;
    const std::size_t colon = text.find(':');
    if (colon != std::string_view::npos) {
        const std::string_view name = trim(text.substr(0, colon));
        const std::string_view value = trim(text.substr(colon + 1));
        if (equalsNoCase(name, "BEGIN") && equalsNoCase(value, "VCARD")) {
            beginCard(number);
            return;
        }
        if (equalsNoCase(name, "END") && equalsNoCase(value, "VCARD") && !m_open.empty()) {
            endCard();
            return;
        }
        // Some writers leave out BEGIN:VCARD; a card's VERSION line still says where it begins.
        if (m_open.empty() && equalsNoCase(name, "VERSION"))
            beginCard(number);
    }
    if (m_open.empty()) {
        if (!m_junkReported)
            error(number, "Text outside a card was ignored");
        m_junkReported = true;
        return;
    }
    if (text.front() == '#')
        return; // a comment line some writers put between properties
    if (std::optional<VCardProperty> property = parseProperty(text, number))
        m_open.back().card.properties.push_back(std::move(*property));
}

std::optional<VCardProperty> Parser::parseProperty(std::string_view text, std::size_t number)
{
    // The name and parameters end at the first colon outside a quoted parameter value.
    std::size_t colon = std::string_view::npos;
    bool quoted = false;
    for (std::size_t k = 0; k < text.size(); ++k) {
        if (text[k] == '"')
            quoted = !quoted;
        else if (text[k] == ':' && !quoted) {
            colon = k;
            break;
        }
    }
    VCard& card = m_open.back().card;
    if (colon == std::string_view::npos) {
        // Version 2.1 lets base64 data run on over lines that are not indented.
        if (!card.properties.empty() && isBase64Text(text)) {
            VCardProperty& last = card.properties.back();
            const VCardParam* encoding = last.param("ENCODING");
            if (encoding && !encoding->values.empty()
                && (equalsNoCase(encoding->values[0], "BASE64") || equalsNoCase(encoding->values[0], "B"))) {
                last.value.append(trim(text));
                return std::nullopt;
            }
        }
        error(number, "A line without a property was ignored: " + std::string(text.substr(0, 60)));
        return std::nullopt;
    }
    std::vector<std::string_view> head = splitOutsideQuotes(text.substr(0, colon), ';');
    VCardProperty property;
    std::string_view name = trim(head[0]);
    if (const std::size_t dot = name.rfind('.'); dot != std::string_view::npos) {
        property.group = std::string(name.substr(0, dot));
        name = name.substr(dot + 1);
    }
    if (name.empty() || !std::all_of(name.begin(), name.end(), isNameChar)) {
        error(number, "A line without a property name was ignored: " + std::string(text.substr(0, 60)));
        return std::nullopt;
    }
    property.name = asciiUpper(name);
    const bool caret = version4();
    for (std::size_t k = 1; k < head.size(); ++k)
        if (!trim(head[k]).empty())
            property.params.push_back(parseParam(head[k], caret));

    std::string value(text.substr(colon + 1));
    const VCardParam* encoding = property.param("ENCODING");
    const bool qp = encoding && !encoding->values.empty() && equalsNoCase(encoding->values[0], "QUOTED-PRINTABLE");
    if (qp)
        value = quotedPrintableDecode(value);
    const VCardParam* charset = property.param("CHARSET");
    if (!charset && !isValidUtf8(value)) {
        m_open.back().undecoded.push_back({ card.properties.size(), value, qp });
    } else {
        value = toUtf8(value, charset && !charset->values.empty() ? std::string_view(charset->values[0]) : "");
        if (qp)
            value = escapeLineBreaks(value);
    }
    property.value = std::move(value);
    return property;
}

} // namespace

const VCardParam* VCardProperty::param(std::string_view wanted) const
{
    for (const VCardParam& p : params)
        if (equalsNoCase(p.name, wanted))
            return &p;
    return nullptr;
}

bool VCardProperty::hasType(std::string_view type) const
{
    for (const VCardParam& p : params) {
        if (!equalsNoCase(p.name, "TYPE"))
            continue;
        for (const std::string& value : p.values)
            for (std::string_view part : splitOutsideQuotes(value, ','))
                if (equalsNoCase(trim(part), type))
                    return true;
    }
    return false;
}

const VCardProperty* VCard::first(std::string_view wanted) const
{
    for (const VCardProperty& p : properties)
        if (p.name == wanted)
            return &p;
    return nullptr;
}

VCardParse parseVCards(std::string_view bytes)
{
    return Parser(bytes).run();
}

} // namespace pelmora::exchange
