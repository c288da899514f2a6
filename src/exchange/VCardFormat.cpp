#include "exchange/VCard.h"

#include <algorithm>

namespace pelmora::exchange {

namespace {

bool needsQuotes(std::string_view value)
{
    return value.find_first_of(":;,") != std::string_view::npos
        || (!value.empty() && (value.front() == ' ' || value.back() == ' '));
}

// Version 4.0 writes a quote, a caret and a newline in a parameter as ^', ^^ and ^n; 3.0 has no
// way to write them at all, so there a quote goes and a newline becomes a space.
std::string paramValue(std::string_view value, VCardVersion version)
{
    std::string out;
    for (char c : value) {
        if (c == '\r')
            continue;
        if (version == VCardVersion::v4 && (c == '^' || c == '"' || c == '\n'))
            out += c == '^' ? "^^" : c == '"' ? "^'" : "^n";
        else if (c == '"')
            continue;
        else
            out += c == '\n' ? ' ' : c;
    }
    return needsQuotes(out) ? '"' + out + '"' : out;
}

// A value may not hold a line break of its own: one left in it is written as the \n escape.
std::string valueText(std::string_view value)
{
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\r' && i + 1 < value.size() && value[i + 1] == '\n')
            continue;
        if (value[i] == '\r' || value[i] == '\n')
            out += "\\n";
        else
            out += value[i];
    }
    return out;
}

// Folds after at most 75 octets, never inside a UTF-8 sequence.
void appendFolded(std::string& out, std::string_view line)
{
    std::size_t limit = 75;
    while (line.size() > limit) {
        std::size_t cut = limit;
        while (cut > 1 && (static_cast<unsigned char>(line[cut]) & 0xC0) == 0x80)
            --cut;
        out.append(line.substr(0, cut));
        out += "\r\n ";
        line.remove_prefix(cut);
        limit = 74; // the leading space counts
    }
    out.append(line);
    out += "\r\n";
}

} // namespace

std::string formatPropertyHead(const VCardProperty& property, VCardVersion version)
{
    std::string line;
    if (!property.group.empty())
        line += property.group + '.';
    line += property.name;
    for (const VCardParam& param : property.params) {
        line += ';' + param.name;
        if (param.values.empty())
            line += '=';
        for (std::size_t i = 0; i < param.values.size(); ++i)
            line += (i ? "," : "=") + paramValue(param.values[i], version);
    }
    return line;
}

std::string formatVCard(const VCard& card, VCardVersion version)
{
    std::string out = "BEGIN:VCARD\r\n";
    out += version == VCardVersion::v4 ? "VERSION:4.0\r\n" : "VERSION:3.0\r\n";
    for (const VCardProperty& property : card.properties) {
        if (property.name == "VERSION" || property.name == "BEGIN" || property.name == "END")
            continue;
        std::string line = formatPropertyHead(property, version) + ':';
        line += valueText(property.value);
        appendFolded(out, line);
    }
    out += "END:VCARD\r\n";
    return out;
}

std::string unescapeText(std::string_view raw)
{
    std::string out;
    out.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '\\' || i + 1 == raw.size()) {
            out += raw[i];
            continue;
        }
        const char next = raw[i + 1];
        if (next == 'n' || next == 'N')
            out += '\n';
        else if (next == '\\' || next == ',' || next == ';' || next == ':')
            out += next;
        else {
            out += '\\'; // not an escape: a backslash of the text, as some writers leave them
            continue;
        }
        ++i;
    }
    return out;
}

std::string escapeText(std::string_view text)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            continue;
        if (c == '\\' || c == ',' || c == ';')
            out += '\\';
        out += (c == '\n' || c == '\r') ? std::string("\\n") : std::string(1, c);
    }
    return out;
}

std::vector<std::string> splitRawComponents(std::string_view raw, char separator)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\\') {
            ++i;
            continue;
        }
        if (raw[i] == separator) {
            parts.emplace_back(raw.substr(start, i - start));
            start = i + 1;
        }
    }
    parts.emplace_back(raw.substr(std::min(start, raw.size())));
    return parts;
}

std::vector<std::string> splitComponents(std::string_view raw, char separator)
{
    std::vector<std::string> parts = splitRawComponents(raw, separator);
    for (std::string& part : parts)
        part = unescapeText(part);
    return parts;
}

} // namespace pelmora::exchange
