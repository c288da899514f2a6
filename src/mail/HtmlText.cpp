#include "mail/HtmlText.h"

#include "base/Windows1252.h"

#include <cctype>
#include <cstdlib>

namespace pelmora::mail {

namespace {

void appendCodePoint(std::string& out, unsigned long c)
{
    if (c == 0 || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        c = 0xFFFD;
    base::appendUtf8(out, static_cast<char32_t>(c));
}

// Decodes the entity at `html[pos]` ("&...;"); returns the characters it took, 0 if none.
std::size_t decodeEntity(std::string_view html, std::size_t pos, std::string& out)
{
    std::size_t end = html.find(';', pos);
    if (end == std::string_view::npos || end - pos > 10)
        return 0;
    std::string_view name = html.substr(pos + 1, end - pos - 1);
    static const std::pair<const char*, const char*> Named[]
        = { { "amp", "&" }, { "lt", "<" }, { "gt", ">" }, { "quot", "\"" }, { "apos", "'" }, { "nbsp", " " },
              { "copy", "\u00A9" }, { "reg", "\u00AE" }, { "euro", "\u20AC" }, { "hellip", "\u2026" },
              { "mdash", "\u2014" }, { "ndash", "\u2013" }, { "laquo", "\u00AB" }, { "raquo", "\u00BB" } };
    if (!name.empty() && name[0] == '#') {
        bool hex = name.size() > 1 && (name[1] == 'x' || name[1] == 'X');
        std::string digits(name.substr(hex ? 2 : 1));
        if (digits.empty())
            return 0;
        char* stop = nullptr;
        unsigned long code = std::strtoul(digits.c_str(), &stop, hex ? 16 : 10);
        if (*stop != '\0')
            return 0;
        appendCodePoint(out, code);
        return end - pos + 1;
    }
    for (const auto& [entity, text] : Named) {
        if (name == entity) {
            out += text;
            return end - pos + 1;
        }
    }
    return 0;
}

std::string tagName(std::string_view tag)
{
    std::string name;
    std::size_t i = tag.size() > 0 && tag[0] == '/' ? 1 : 0;
    for (; i < tag.size() && std::isalnum(static_cast<unsigned char>(tag[i])); ++i)
        name += static_cast<char>(std::tolower(static_cast<unsigned char>(tag[i])));
    return name;
}

bool breaksLine(const std::string& name)
{
    static const char* const Blocks[] = { "br", "p", "div", "li", "tr", "h1", "h2", "h3", "h4", "h5", "h6", "table",
        "ul", "ol", "blockquote", "pre", "hr", "title" };
    for (const char* block : Blocks) {
        if (name == block)
            return true;
    }
    return false;
}

void flushLine(std::string& line, std::vector<std::string>& lines)
{
    while (!line.empty() && line.back() == ' ')
        line.pop_back();
    lines.push_back(line);
    line.clear();
}

} // namespace

std::vector<std::string> htmlToTextLines(std::string_view html)
{
    std::vector<std::string> lines;
    std::string line;
    std::string skipUntil; // the closing tag of a script or style
    for (std::size_t i = 0; i < html.size(); ++i) {
        char c = html[i];
        if (c == '<') {
            std::size_t close = html.find('>', i);
            if (close == std::string_view::npos)
                break;
            std::string name = tagName(html.substr(i + 1, close - i - 1));
            bool closing = i + 1 < html.size() && html[i + 1] == '/';
            if (!skipUntil.empty()) {
                if (closing && name == skipUntil)
                    skipUntil.clear();
            } else if (!closing && (name == "script" || name == "style" || name == "title")) {
                skipUntil = name;
            } else if (breaksLine(name) && !(line.empty() && !lines.empty() && lines.back().empty())) {
                flushLine(line, lines);
            }
            i = close;
        } else if (!skipUntil.empty()) {
            continue;
        } else if (c == '&') {
            std::size_t used = decodeEntity(html, i, line);
            if (used == 0)
                line += c;
            else
                i += used - 1;
        } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            if (!line.empty() && line.back() != ' ')
                line += ' ';
        } else {
            line += c;
        }
    }
    if (!line.empty())
        flushLine(line, lines);
    while (!lines.empty() && lines.back().empty())
        lines.pop_back();
    while (!lines.empty() && lines.front().empty())
        lines.erase(lines.begin());
    return lines;
}

} // namespace pelmora::mail
