#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora::mail {

// Header lines as they stand in a message ("Name: value"); the continuation lines of a folded
// field are separate elements beginning with a blank or a tab.
using TmsHeaders = std::vector<std::string>;

// The value of the first field `name` (":" appended unless present; any case), its
// continuation lines joined with one blank, encoded words decoded to UTF-8. Empty when absent.
std::string HeaderValue(const TmsHeaders& headers, std::string_view name);

// The raw value of the first field `name`, unfolded, without encoded-word decoding.
std::string rawHeaderValue(const TmsHeaders& headers, std::string_view name);

// Every address of every field that begins with `name`, split at commas outside double
// quotes, angle brackets and comments, each trimmed and decoded.
void HeaderAddresses(const TmsHeaders& headers, std::string_view name, std::vector<std::string>& out);

// Where each character of an address text stands: in a quoted string, in a comment (nested
// comments and quoted pairs included), or in neither. Quote and bracket characters themselves
// count as part of what they open or close.
enum class AddressContext : unsigned char { Plain, Quoted, Comment };
std::vector<AddressContext> addressContexts(std::string_view value);

// Removes the first field `name` with its continuation lines; false when there is none.
bool DeleteHeader(TmsHeaders& headers, std::string_view name);

// A structured header value such as a Content-Type: the part before the first ";" (trimmed,
// lower case) and its parameters by lower-case name. RFC 2231 parameters (name*=charset''text,
// name*0=, name*1*=) are joined and decoded to UTF-8; plain values with encoded words are
// decoded too.
struct HeaderParams {
    std::string value;
    std::map<std::string, std::string> params; // as written, unquoted (boundaries)
    std::map<std::string, std::string> decoded; // as text, UTF-8 (file names)

    std::string param(const std::string& name) const;
    std::string text(const std::string& name) const;
};
HeaderParams parseHeaderParams(std::string_view value);

} // namespace pelmora::mail
