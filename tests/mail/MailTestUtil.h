#pragma once

#include "mail/TmsMessage.h"

#include <sstream>
#include <string>
#include <vector>

namespace pelmora::mail::test {

// Parses message text given with "\n" line ends, as a server would send it (CR LF).
inline std::string crlf(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

inline TmsMessage parse(const std::string& text)
{
    TmsMessage message;
    std::istringstream in(text);
    message.LoadFromStream(in);
    return message;
}

inline std::string compose(TmsMessage& message)
{
    std::ostringstream out;
    message.SaveToStream(out);
    return out.str();
}

// The lines of composed text; every line must end in CR LF.
inline std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) {
            lines.push_back(text.substr(pos) + "<no CR LF>");
            break;
        }
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    return lines;
}

// The lines from the first one that starts with `prefix` to the end.
inline std::vector<std::string> linesFrom(const std::vector<std::string>& lines, const std::string& prefix)
{
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].rfind(prefix, 0) == 0)
            return std::vector<std::string>(lines.begin() + static_cast<long>(i), lines.end());
    }
    return {};
}

} // namespace pelmora::mail::test
