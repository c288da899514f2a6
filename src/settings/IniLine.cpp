#include "settings/IniLine.h"

namespace pelmora::settings {

namespace {

char lowerAscii(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

std::string_view trimIni(std::string_view text)
{
    while (!text.empty() && isIniBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && (isIniBlank(text.back()) || text.back() == '\r'))
        text.remove_suffix(1);
    return text;
}

bool iniNamesEqual(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i]))
            return false;
    }
    return true;
}

std::string unquoteIniValue(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

IniLine classifyIniLine(std::string_view text)
{
    IniLine line;
    text = trimIni(text);
    if (text.empty() || text.front() == ';')
        return line;
    if (text.front() == '[') {
        // Anything after the closing bracket (often a comment) is not part of the name.
        const size_t close = text.find(']');
        if (close == std::string_view::npos)
            return line;
        line.kind = IniLine::Kind::Section;
        line.name = trimIni(text.substr(1, close - 1));
        return line;
    }
    const size_t equals = text.find('=');
    line.name = trimIni(text.substr(0, equals));
    if (line.name.empty())
        return line; // "=value" names no key
    line.kind = IniLine::Kind::Key;
    if (equals != std::string_view::npos)
        line.value = trimIni(text.substr(equals + 1));
    return line;
}

} // namespace pelmora::settings
