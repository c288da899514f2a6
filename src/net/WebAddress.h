#pragma once

#include <optional>
#include <string>

namespace pelmora::net {

// The address to hand to the desktop's browser for what a user typed or a record holds: web and
// ftp addresses as they are, an address without a scheme ("www.example.com/a", "host:8080") as
// an http one. Anything else (file:, a .desktop file, javascript:, a mail or program scheme)
// gives nothing: handing it on could open local files or run programs. Blanks around the text
// are ignored; an empty text gives nothing.
std::optional<std::string> browsableAddress(const std::string& text);

} // namespace pelmora::net
