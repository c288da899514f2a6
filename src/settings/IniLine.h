#pragma once

#include <string>
#include <string_view>

namespace pelmora::settings {

// How the private-profile reader sees one line of an INI file.
struct IniLine {
    enum class Kind { Other, Section, Key };
    Kind kind = Kind::Other; // Other: blank line, ";" comment or a line that is not understood
    std::string_view name; // section or key name, blanks trimmed
    std::string_view value; // blanks trimmed, quotes kept; empty for a key without "="
};

IniLine classifyIniLine(std::string_view text);

inline bool isIniBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trimIni(std::string_view text);
// Section and key names compare without regard to ASCII case.
bool iniNamesEqual(std::string_view a, std::string_view b);
// Drops one pair of enclosing double or single quotes, as the profile functions do.
std::string unquoteIniValue(std::string_view value);

} // namespace pelmora::settings
