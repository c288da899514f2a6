#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pelmora::mail {

// A readable plain-text form of an HTML document (UTF-8): tags dropped, scripts and styles
// left out, block ends and <br> as line ends, entities decoded, runs of blanks joined.
std::vector<std::string> htmlToTextLines(std::string_view html);

} // namespace pelmora::mail
