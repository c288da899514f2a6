#pragma once

#include <string>
#include <string_view>
#include <vector>

// Small text helpers shared by the mail module's sources.
namespace pelmora::mail::text {

std::string_view trim(std::string_view text);
std::string lower(std::string_view text);
std::string upper(std::string_view text);
bool startsWith(std::string_view text, std::string_view prefix);
// Splits at CR, LF or CR LF; a last line end ends the last line instead of starting another.
std::vector<std::string_view> splitLines(std::string_view text);

} // namespace pelmora::mail::text
