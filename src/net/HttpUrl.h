#pragma once

#include <string>

namespace pelmora::net {

// The parts of an http:// or https:// URL that a GET needs.
struct HttpUrl {
    static constexpr std::size_t MaxLength = 2048;

    std::string text;     // as given
    bool secure = false;  // https
    std::string server;   // host with ":port" when the URL gives one
    std::string path;     // from the first "/" after the host; "/" when there is none
    std::string document; // the last path segment when the path has a dot, "index.html" for "/"

    // Throws ESocketError "Invalid URL" for another scheme, no host, or an over-long text.
    static HttpUrl parse(const std::string& text);

    // The absolute URL a redirect's Location names, relative to this one.
    std::string resolve(const std::string& location) const;
};

} // namespace pelmora::net
