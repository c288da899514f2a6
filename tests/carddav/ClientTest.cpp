#include "carddav/Client.h"
#include "carddav/Dav.h"
#include "carddav/Sync.h"
#include "carddav/SyncError.h"
#include "CardDavServers.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

using namespace pelmora;
using namespace pelmora::carddav;
using pelmora::test::CardDavServer;
using pelmora::test::TestServers;

namespace {

class ClientTest : public test::CardDavSuite {
protected:
    std::string url() const { return test::serverUrl(servers(), GetParam()); }
};

std::string card(const std::string& uid, const std::string& name)
{
    return "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:" + uid + "\r\nFN:" + name + "\r\nN:" + name + ";;;;\r\nEND:VCARD\r\n";
}

AddressBook bookOf(CardDavClient& client, const std::string& url)
{
    const std::vector<AddressBook> books = client.discover(url);
    EXPECT_EQ(books.size(), 1u);
    return books.front();
}

TEST_P(ClientTest, FindsTheAddressBookFromTheServerAlone)
{
    CardDavClient client(test::connectionTo(servers()));
    const AddressBook book = bookOf(client, url());
    EXPECT_EQ(book.url.back(), '/');
    // The redirect of /.well-known must not leave the password in the URL that is stored and shown.
    EXPECT_EQ(book.url.find(servers().password()), std::string::npos) << book.url;
    EXPECT_EQ(book.url.find('@'), std::string::npos) << book.url;
    EXPECT_TRUE(book.syncCollection);
    // The book's own URL leads to itself.
    EXPECT_EQ(bookOf(client, book.url).url, book.url);
}

// Every write is conditional: a new card never replaces one, a change or delete never one that
// changed meanwhile.
TEST_P(ClientTest, WritesOnlyTheCardItKnows)
{
    CardDavClient client(test::connectionTo(servers()));
    const AddressBook book = bookOf(client, url());
    const std::string uid = newCardName();
    const std::string href = hrefPath(book.url) + uid + ".vcf";
    const std::string at = resolveUrl(book.url, href);

    const WriteResult created = client.put(at, card(uid, "First"), {});
    ASSERT_TRUE(created.done);
    EXPECT_FALSE(created.etag.empty());
    EXPECT_TRUE(client.put(at, card(uid, "Second"), {}).preconditionFailed);

    std::string etag;
    for (const RemoteCard& listed : client.listCards(book.url)) {
        if (listed.href == href)
            etag = listed.etag;
    }
    EXPECT_EQ(etag, created.etag);
    const WriteResult changed = client.put(at, card(uid, "Third"), etag);
    ASSERT_TRUE(changed.done);
    EXPECT_TRUE(client.put(at, card(uid, "Fourth"), etag).preconditionFailed) << "the old ETag no longer holds";
    EXPECT_TRUE(client.remove(at, etag).preconditionFailed);

    const std::vector<RemoteCard> fetched = client.fetch(book.url, { href, hrefPath(book.url) + "missing.vcf" });
    ASSERT_EQ(fetched.size(), 1u) << "a card that is not there is left out";
    EXPECT_NE(fetched[0].vcard.find("FN:Third"), std::string::npos);
    EXPECT_EQ(fetched[0].etag, changed.etag);

    const std::string token = client.syncToken(book.url);
    ASSERT_FALSE(token.empty());
    EXPECT_TRUE(client.remove(at, fetched[0].etag).done);
    const Changes changes = client.changesSince(book.url, token);
    EXPECT_FALSE(changes.invalidToken);
    EXPECT_EQ(changes.removed, std::vector<std::string> { href });
    EXPECT_NE(changes.token, token);
    EXPECT_TRUE(client.remove(at, {}).missing);
}

TEST_P(ClientTest, SaysWhenThePasswordIsWrong)
{
    Connection c = test::connectionTo(servers());
    c.password = "wrong";
    CardDavClient client(c);
    try {
        client.discover(url());
        FAIL() << "no error";
    } catch (const SyncError& e) {
        EXPECT_NE(std::string(e.what()).find("refused the user name or password"), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Servers, ClientTest,
    ::testing::Values(CardDavServer { "radicale", false }, CardDavServer { "radicale", true },
        CardDavServer { "xandikos", false }, CardDavServer { "xandikos", true }),
    test::printName);

class ConnectionTest : public ClientTest { };

// A certificate no authority vouches for is shown by its fingerprint, and accepted only once
// the user trusted exactly that one.
TEST_F(ConnectionTest, TrustsAnUnknownCertificateOnlyByItsFingerprint)
{
    const std::string url = test::serverUrl(servers(), { "radicale", true }, "localhost");
    std::string fingerprint;
    try {
        CardDavClient(test::connectionTo(servers(), false)).discover(url);
        FAIL() << "an unknown certificate was accepted";
    } catch (const SyncError& e) {
        fingerprint = e.fingerprint();
        EXPECT_NE(std::string(e.what()).find(fingerprint), std::string::npos) << e.what();
    }
    ASSERT_EQ(fingerprint.size(), 95u) << fingerprint;

    Connection wrong = test::connectionTo(servers(), false);
    wrong.trustedFingerprint = std::string(95, '0');
    for (std::size_t i = 2; i < 95; i += 3)
        wrong.trustedFingerprint[i] = ':';
    EXPECT_THROW(CardDavClient(wrong).discover(url), SyncError);

    Connection trusted = test::connectionTo(servers(), false);
    trusted.trustedFingerprint = fingerprint;
    EXPECT_FALSE(CardDavClient(trusted).discover(url).empty());
}

TEST_F(ConnectionTest, SaysWhenTheServerIsNotThere)
{
    // A port that was free a moment ago: nobody listens there.
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    socklen_t length = sizeof address;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
    ::close(fd);
    const std::string url = "http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/";
    try {
        CardDavClient(test::connectionTo(servers())).discover(url);
        FAIL() << "no error";
    } catch (const SyncError& e) {
        EXPECT_NE(std::string(e.what()).find("Cannot reach the server"), std::string::npos) << e.what();
    }
}

} // namespace
