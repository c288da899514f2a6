#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora::carddav {

inline constexpr const char* kDav = "DAV:";
inline constexpr const char* kCardDav = "urn:ietf:params:xml:ns:carddav";

// "{namespace}local", the name of an element whatever prefix the server chose for it.
std::string qualified(const char* ns, const char* local);

// One property of a reply: its text, the hrefs inside it and the names of its child elements.
struct DavProp {
    std::string text;
    std::vector<std::string> hrefs;
    std::vector<std::string> elements; // qualified names of every element inside, at any depth
    bool has(const char* ns, const char* local) const;
};

// One <response> of a multistatus: the properties the server found (status 2xx), and the
// status of the response itself where it gives one (a removed member in a sync report).
struct DavEntry {
    std::string href; // the path, percent-encoding as the server wrote it
    int status = 0;
    std::map<std::string, DavProp> props;
    const DavProp* prop(const char* ns, const char* local) const;
};

struct Multistatus {
    std::vector<DavEntry> entries;
    std::string syncToken;
};

// Reads a 207 reply. Throws SyncError naming `what` when the text is not such a reply, so a
// garbled answer is never taken for an empty address book.
Multistatus parseMultistatus(std::string_view xml, const std::string& what);

// The path of an href or URL ("https://h/a/b" and "/a/b" both give "/a/b").
std::string hrefPath(const std::string& href);
// Text escaped for an XML element.
std::string xmlEscaped(std::string_view text);

} // namespace pelmora::carddav
