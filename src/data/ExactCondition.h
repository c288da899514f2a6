#pragma once

#include <string>

namespace pelmora::data {

// The condition "field is exactly `text`" for names picked from a list (a category, an activity):
// the text is quoted with its quotation marks doubled and compared with ==, which unlike =
// gives a trailing * no "starts with" meaning, so no character of the name changes the filter.
std::string exactCondition(const std::string& field, const std::string& text);

} // namespace pelmora::data
