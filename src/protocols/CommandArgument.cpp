#include "protocols/CommandArgument.h"

#include <cstdio>

namespace pelmora::protocols {

namespace {

bool isControl(unsigned char c)
{
    return c < 0x20 || c == 0x7F;
}

} // namespace

std::string visibleText(std::string_view value)
{
    std::string shown;
    shown.reserve(value.size());
    for (char c : value) {
        auto byte = static_cast<unsigned char>(c);
        if (byte == '\r')
            shown += "\\r";
        else if (byte == '\n')
            shown += "\\n";
        else if (isControl(byte)) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            shown += escaped;
        } else
            shown += c;
    }
    return shown;
}

std::string commandArgumentFault(std::string_view what, std::string_view value, ArgumentKind kind)
{
    bool control = false;
    bool bracket = false;
    for (char c : value) {
        control = control || isControl(static_cast<unsigned char>(c));
        bracket = bracket || c == '<' || c == '>';
    }
    if (kind != ArgumentKind::Address)
        bracket = false;
    if (!control && !bracket)
        return {};
    std::string subject(what);
    if (kind != ArgumentKind::Secret)
        subject += " \"" + visibleText(value) + "\"";
    if (control)
        return subject + " holds a line break or another control character; nothing was sent";
    return subject + " holds \"<\" or \">\"; nothing was sent";
}

} // namespace pelmora::protocols
