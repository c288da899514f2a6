#include "carddav/Client.h"

#include "carddav/Dav.h"
#include "carddav/SyncError.h"

namespace pelmora::carddav {

namespace {

const char* const kXmlType = "application/xml; charset=utf-8";

std::string withSlash(std::string url)
{
    if (url.empty() || url.back() != '/')
        url += '/';
    return url;
}

void expectMultistatus(const HttpResponse& response, const std::string& what)
{
    if (response.status == 207)
        return;
    throw SyncError("The server answered " + what + " with HTTP status " + std::to_string(response.status));
}

std::string lastSegment(const std::string& path)
{
    std::string p = path;
    while (!p.empty() && p.back() == '/')
        p.pop_back();
    return p.substr(p.rfind('/') + 1);
}

std::string unquotedEtag(std::string etag)
{
    // Weak and strong ETags are compared as the server wrote them; only blanks go.
    const auto first = etag.find_first_not_of(" \t");
    return first == std::string::npos ? std::string() : etag.substr(first, etag.find_last_not_of(" \t") - first + 1);
}

} // namespace

CardDavClient::CardDavClient(Connection connection)
    : m_http(std::move(connection))
{
}

std::string CardDavClient::propfindHref(const std::string& url, const char* ns, const char* prop)
{
    const std::string body = std::string("<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                                         "<d:propfind xmlns:d=\"DAV:\" xmlns:x=\"")
        + ns + "\"><d:prop><x:" + prop + "/></d:prop></d:propfind>";
    HttpResponse response = m_http.request("PROPFIND", url, body, { { "Depth", "0" }, { "Content-Type", kXmlType } });
    if (response.status != 207)
        return {};
    for (const DavEntry& entry : parseMultistatus(response.body, "PROPFIND").entries) {
        if (const DavProp* p = entry.prop(ns, prop); p && !p->hrefs.empty())
            return resolveUrl(url, p->hrefs.front());
    }
    return {};
}

std::optional<std::vector<AddressBook>> CardDavClient::booksAt(const std::string& url)
{
    const std::string body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                             "<d:propfind xmlns:d=\"DAV:\"><d:prop><d:resourcetype/><d:displayname/>"
                             "<d:supported-report-set/></d:prop></d:propfind>";
    HttpResponse response = m_http.request("PROPFIND", url, body, { { "Depth", "1" }, { "Content-Type", kXmlType } });
    if (response.status != 207)
        return std::nullopt;
    std::vector<AddressBook> books;
    for (const DavEntry& entry : parseMultistatus(response.body, "PROPFIND").entries) {
        const DavProp* type = entry.prop(kDav, "resourcetype");
        if (!type || !type->has(kCardDav, "addressbook"))
            continue;
        AddressBook book;
        book.url = withSlash(resolveUrl(url, entry.href));
        const DavProp* name = entry.prop(kDav, "displayname");
        book.name = name && !name->text.empty() ? name->text : lastSegment(entry.href);
        const DavProp* reports = entry.prop(kDav, "supported-report-set");
        book.syncCollection = reports && reports->has(kDav, "sync-collection");
        books.push_back(std::move(book));
    }
    return books;
}

std::vector<AddressBook> CardDavClient::discover(const std::string& serverUrl)
{
    if (serverUrl.rfind("http://", 0) != 0 && serverUrl.rfind("https://", 0) != 0)
        throw SyncError("The server address must begin with https:// (or http://): \"" + serverUrl + "\"");
    std::string origin = urlOrigin(serverUrl);
    std::string start = serverUrl;
    // A URL that names the server only: ask where its address books live.
    if (hrefPath(serverUrl) == "/" || serverUrl == origin) {
        HttpResponse wellKnown = m_http.request("PROPFIND", origin + "/.well-known/carddav",
            "<?xml version=\"1.0\" encoding=\"utf-8\"?><d:propfind xmlns:d=\"DAV:\"><d:prop>"
            "<d:current-user-principal/></d:prop></d:propfind>",
            { { "Depth", "0" }, { "Content-Type", kXmlType } }, true);
        start = wellKnown.status == 207 ? withSlash(wellKnown.url) : origin + "/";
    }
    std::string principal = propfindHref(start, kDav, "current-user-principal");
    std::string home = propfindHref(principal.empty() ? start : principal, kCardDav, "addressbook-home-set");
    std::vector<AddressBook> books;
    for (const std::string& candidate : { home, withSlash(serverUrl) }) {
        if (candidate.empty())
            continue;
        if (auto found = booksAt(candidate); found && !found->empty()) {
            books = std::move(*found);
            break;
        }
    }
    if (books.empty())
        throw SyncError("No address book was found at " + serverUrl);
    return books;
}

HttpResponse CardDavClient::wholeBookRequest(
    const std::string& method, const std::string& url, const std::string& body, const std::string& depth)
{
    constexpr long kPatience = 5;
    const long plain = m_http.connection().timeoutSeconds;
    struct Restore {
        HttpSession& http;
        long seconds;
        ~Restore() { http.setTimeout(seconds); }
    } restore { m_http, plain };
    m_http.setTimeout(plain * kPatience);
    return m_http.request(method, url, body, { { "Depth", depth }, { "Content-Type", kXmlType } });
}

void CardDavClient::checkBook(const std::string& bookUrl)
{
    const std::string body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                             "<d:propfind xmlns:d=\"DAV:\"><d:prop><d:resourcetype/></d:prop></d:propfind>";
    HttpResponse response
        = m_http.request("PROPFIND", bookUrl, body, { { "Depth", "0" }, { "Content-Type", kXmlType } });
    if (response.status == 404)
        throw SyncError("The address book " + bookUrl + " is not on the server any more");
    expectMultistatus(response, "the question for the address book");
}

std::vector<RemoteCard> CardDavClient::listCards(const std::string& bookUrl)
{
    const std::string body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                             "<d:propfind xmlns:d=\"DAV:\"><d:prop><d:getetag/><d:resourcetype/></d:prop></d:propfind>";
    HttpResponse response = wholeBookRequest("PROPFIND", bookUrl, body, "1");
    if (response.status == 404)
        throw SyncError("The address book " + bookUrl + " is not on the server any more");
    expectMultistatus(response, "the listing of the address book");
    std::vector<RemoteCard> cards;
    const std::string self = hrefPath(bookUrl);
    for (const DavEntry& entry : parseMultistatus(response.body, "the listing of the address book").entries) {
        const DavProp* type = entry.prop(kDav, "resourcetype");
        if (withSlash(entry.href) == withSlash(self) || (type && type->has(kDav, "collection")))
            continue;
        const DavProp* etag = entry.prop(kDav, "getetag");
        if (!etag)
            throw SyncError("The server listed " + entry.href + " without its ETag");
        cards.push_back({ entry.href, unquotedEtag(etag->text), {} });
    }
    return cards;
}

std::string CardDavClient::syncToken(const std::string& bookUrl)
{
    const std::string body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                             "<d:propfind xmlns:d=\"DAV:\"><d:prop><d:sync-token/></d:prop></d:propfind>";
    HttpResponse response = wholeBookRequest("PROPFIND", bookUrl, body, "0");
    if (response.status != 207)
        return {};
    for (const DavEntry& entry : parseMultistatus(response.body, "PROPFIND").entries) {
        if (const DavProp* token = entry.prop(kDav, "sync-token"))
            return token->text;
    }
    return {};
}

Changes CardDavClient::changesSince(const std::string& bookUrl, const std::string& token)
{
    const std::string body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                             "<d:sync-collection xmlns:d=\"DAV:\"><d:sync-token>"
        + xmlEscaped(token)
        + "</d:sync-token><d:sync-level>1</d:sync-level><d:prop><d:getetag/></d:prop>"
          "</d:sync-collection>";
    HttpResponse response = wholeBookRequest("REPORT", bookUrl, body, "0");
    Changes changes;
    if (response.status == 403 || response.status == 409 || response.status == 400 || response.status == 412) {
        changes.invalidToken = true; // the token is too old or unknown: the caller lists the whole book
        return changes;
    }
    expectMultistatus(response, "the change report");
    Multistatus result = parseMultistatus(response.body, "the change report");
    const std::string self = withSlash(hrefPath(bookUrl));
    for (const DavEntry& entry : result.entries) {
        if (withSlash(entry.href) == self)
            continue;
        if (entry.status == 404) {
            changes.removed.push_back(entry.href);
            continue;
        }
        const DavProp* etag = entry.prop(kDav, "getetag");
        if (!etag)
            throw SyncError("The change report named " + entry.href + " without its ETag");
        changes.changed.push_back({ entry.href, unquotedEtag(etag->text), {} });
    }
    changes.token = result.syncToken;
    if (changes.token.empty())
        throw SyncError("The change report of the server holds no new sync token");
    return changes;
}

std::vector<RemoteCard> CardDavClient::fetch(const std::string& bookUrl, const std::vector<std::string>& hrefs)
{
    std::string body = "<?xml version=\"1.0\" encoding=\"utf-8\"?>"
                       "<c:addressbook-multiget xmlns:d=\"DAV:\" xmlns:c=\"urn:ietf:params:xml:ns:carddav\">"
                       "<d:prop><d:getetag/><c:address-data/></d:prop>";
    for (const std::string& href : hrefs)
        body += "<d:href>" + xmlEscaped(href) + "</d:href>";
    body += "</c:addressbook-multiget>";
    HttpResponse response = m_http.request("REPORT", bookUrl, body, { { "Depth", "1" }, { "Content-Type", kXmlType } });
    expectMultistatus(response, "the request for the cards");
    std::vector<RemoteCard> cards;
    for (const DavEntry& entry : parseMultistatus(response.body, "the request for the cards").entries) {
        const DavProp* etag = entry.prop(kDav, "getetag");
        const DavProp* data = entry.prop(kCardDav, "address-data");
        if (!etag || !data)
            continue; // gone meanwhile (404), or not a card
        cards.push_back({ entry.href, unquotedEtag(etag->text), data->text });
    }
    return cards;
}

WriteResult CardDavClient::put(const std::string& href, const std::string& vcard, const std::string& etag)
{
    std::map<std::string, std::string> headers { { "Content-Type", "text/vcard; charset=utf-8" } };
    if (etag.empty())
        headers["If-None-Match"] = "*";
    else
        headers["If-Match"] = etag;
    HttpResponse response = m_http.request("PUT", href, vcard, headers);
    WriteResult result;
    if (response.status == 412) {
        result.preconditionFailed = true;
        return result;
    }
    if (response.status < 200 || response.status > 299)
        throw CardRefused(
            "The server refused to store " + hrefPath(href) + " (HTTP status " + std::to_string(response.status) + ")");
    result.done = true;
    result.etag = unquotedEtag(response.header("ETag"));
    return result;
}

WriteResult CardDavClient::remove(const std::string& href, const std::string& etag)
{
    std::map<std::string, std::string> headers;
    if (!etag.empty())
        headers["If-Match"] = etag;
    HttpResponse response = m_http.request("DELETE", href, {}, headers);
    WriteResult result;
    if (response.status == 412) {
        result.preconditionFailed = true;
        return result;
    }
    if (response.status == 404 || response.status == 410) {
        result.missing = true;
        result.done = true;
        return result;
    }
    if (response.status < 200 || response.status > 299)
        throw CardRefused("The server refused to delete " + hrefPath(href) + " (HTTP status "
            + std::to_string(response.status) + ")");
    result.done = true;
    return result;
}

} // namespace pelmora::carddav
