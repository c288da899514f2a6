#pragma once

#include "carddav/Http.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace pelmora::carddav {

struct AddressBook {
    std::string url; // absolute, ending in "/"
    std::string name; // display name, or the last part of the path
    bool syncCollection = false; // offers the incremental change report
};

struct RemoteCard {
    std::string href; // path
    std::string etag;
    std::string vcard; // empty when only the ETag was asked for
};

// Changes since a sync token; `full` when the server no longer knows the token.
struct Changes {
    std::vector<RemoteCard> changed; // href and ETag
    std::vector<std::string> removed; // hrefs
    std::string token;
    bool invalidToken = false;
};

// Outcome of a conditional write: done (with the new ETag, possibly empty when the server gave
// none), or refused because the card on the server is no longer the one we knew.
struct WriteResult {
    bool done = false;
    bool preconditionFailed = false;
    bool missing = false; // 404: the card is gone
    std::string etag;
};

// The address-book side of a sync, over one HTTP session.
class CardDavClient {
public:
    explicit CardDavClient(Connection connection);

    // The address books of the account the server URL leads to: the URL itself when it is an
    // address book, else through /.well-known/carddav, the principal and its address-book home.
    std::vector<AddressBook> discover(const std::string& serverUrl);
    // Whether the book is there and the server answers: a request any server answers at once,
    // whatever the book's size. Throws SyncError when not.
    void checkBook(const std::string& bookUrl);
    // Every card of a book with its ETag.
    std::vector<RemoteCard> listCards(const std::string& bookUrl);
    // The sync token of a book (empty when the server has none).
    std::string syncToken(const std::string& bookUrl);
    Changes changesSince(const std::string& bookUrl, const std::string& token);
    // The cards at these paths, with text and ETag; those the server no longer has are left out.
    std::vector<RemoteCard> fetch(const std::string& bookUrl, const std::vector<std::string>& hrefs);

    // At an absolute URL: If-Match `etag`, or If-None-Match: * when `etag` is empty (a new card
    // never replaces one).
    WriteResult put(const std::string& href, const std::string& vcard, const std::string& etag);
    WriteResult remove(const std::string& href, const std::string& etag);

    HttpSession& session() { return m_http; }

private:
    // A request the server answers from the whole book: a busy server may take minutes over one of
    // thousands of cards (the first listing of a large book took a server here 81 s, its first sync
    // token 107 s), so such requests wait several times the time-out. A server that does not
    // answer at all was already told by checkBook(), with the plain time-out.
    HttpResponse wholeBookRequest(
        const std::string& method, const std::string& url, const std::string& body, const std::string& depth);
    std::optional<std::vector<AddressBook>> booksAt(const std::string& url);
    std::string propfindHref(const std::string& url, const char* ns, const char* prop);

    HttpSession m_http;
};

} // namespace pelmora::carddav
