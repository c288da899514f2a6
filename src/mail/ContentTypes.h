#pragma once

#include <string>
#include <string_view>

namespace pelmora::mail {

// The MIME type registered for a file extension (".txt", dot included, any case): from
// /etc/mime.types when the system has it, else from a built-in table of common types.
// An unknown or empty extension gives "application/octet-stream".
std::string contentTypeForExtension(std::string_view extension);

} // namespace pelmora::mail
