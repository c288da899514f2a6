#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace pelmora::net {

class TagHTTP;

// The number of the next page file as the settings keep it: a whole number of at least 1; any
// other text (a hand-edited or damaged INI file) gives 1, so a grab never fails after its fetch.
int pageNumber(const std::string& text);

struct GrabbedPage {
    std::filesystem::path file; // the page file written
    int next = 1; // the number the following grab starts from
    std::vector<std::string> headers;
};

// Fetches `url` with `http` (its time-out, proxy and pump as the caller set them) and saves the
// body as "<n>.htm" in `folder`, n counted from `number` up to the first name no file has: an
// existing page (of another document, or left by a run whose counter was lost) is never
// replaced. The body goes to a temporary file first and is linked under its name only once
// whole, so a failed, cancelled or refused fetch (an error status among them) leaves no page and
// no partial file. Throws the fetch's or the file's error.
GrabbedPage grabPage(TagHTTP& http, const std::string& url, const std::filesystem::path& folder, int number);

} // namespace pelmora::net
