#pragma once

#include <string>
#include <string_view>

namespace pelmora::protocols {

// What a value may hold before it goes into a command line of a line-based protocol. A line
// break would end the command early and let the rest be read as a command of its own, and any
// other control character is no part of an address or an account; "<" or ">" would close an
// address's brackets and open a second argument.
enum class ArgumentKind { Address, Account, Secret };

// The reason `value` must not be sent, in the user's words; empty when it is sound. `what`
// names the value ("the user name"); a secret is never quoted in the reason.
std::string commandArgumentFault(std::string_view what, std::string_view value, ArgumentKind kind);

// `value` with every control character shown as an escape (\r, \n, \x00), for error texts.
std::string visibleText(std::string_view value);

} // namespace pelmora::protocols
