#include "net/PageGrab.h"
#include "net/SocketErrors.h"
#include "net/TagHTTP.h"

#include "ScriptedPeer.h"
#include "TestServers.h"

#include <gtest/gtest.h>

using namespace pelmora::net;
using pelmora::test::PeerConnection;
using pelmora::test::ScriptedPeer;
using pelmora::test::TestServers;

TEST(HttpUrlTest, PartsOfUrls)
{
    HttpUrl url = HttpUrl::parse("HTTP://example.com");
    EXPECT_EQ(url.server, "example.com");
    EXPECT_EQ(url.path, "/");
    EXPECT_EQ(url.document, "");
    url = HttpUrl::parse("http://host:8080/dir/page.htm?x=1");
    EXPECT_EQ(url.server, "host:8080");
    EXPECT_EQ(url.path, "/dir/page.htm?x=1");
    EXPECT_EQ(url.document, "page.htm");
    EXPECT_EQ(HttpUrl::parse("http://h/v1.2/").document, "index.html");
    EXPECT_EQ(HttpUrl::parse("http://h/dir/noext").document, "");
    EXPECT_TRUE(HttpUrl::parse("https://h/").secure);
    EXPECT_EQ(url.resolve("/other"), "http://host:8080/other");
    EXPECT_EQ(url.resolve("next.htm"), "http://host:8080/dir/next.htm");
    EXPECT_EQ(url.resolve("https://x/y"), "https://x/y");
    EXPECT_NO_THROW(HttpUrl::parse("http://h/" + std::string(HttpUrl::MaxLength - 9, 'a')));
    const std::vector<std::string> bad = { "ftp://h/", "http://", "http//h", "http://h/a b", "http://h/\r\nX: y",
        "http://h/" + std::string(HttpUrl::MaxLength, 'a') };
    for (const std::string& text : bad) {
        try {
            HttpUrl::parse(text);
            ADD_FAILURE() << text;
        } catch (const ESocketError& error) {
            EXPECT_STREQ(error.what(), "Invalid URL");
        }
    }
}

TEST(HttpTest, RequestAndBodyByLengthOrChunks)
{
    int round = 0; // this run's own count: the answers start over when the test is repeated
    ScriptedPeer peer(
        [&round](PeerConnection& connection, ScriptedPeer& self) {
            std::string line;
            while (!(line = self.expectLine(connection)).empty()) { }
            if (round++ == 0)
                connection.send("HTTP/1.1 200 OK\r\nContent-Length: 5\r\n\r\nhelloEXTRA");
            else
                connection.send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"
                                "3;ext=1\r\nabc\r\n10\r\n0123456789abcdef\r\n0\r\nTrailer: x\r\n\r\n");
            connection.stall(200);
        },
        2);
    TagHTTP http;
    http.setURL("http://" + peer.server() + "/dir/page.htm");
    http.Get();
    EXPECT_EQ(http.Body(), "hello");
    EXPECT_EQ(http.Headers(), (std::vector<std::string> { "HTTP/1.1 200 OK", "Content-Length: 5", "" }));
    http.Get();
    EXPECT_EQ(http.Body(), "abc0123456789abcdef");
    peer.join();
    auto received = peer.received();
    ASSERT_GE(received.size(), 5u);
    EXPECT_EQ(std::vector<std::string>(received.begin(), received.begin() + 5),
        (std::vector<std::string> {
            "GET /dir/page.htm HTTP/1.1", "Host: " + peer.server(), "Accept: */*", "Connection: close", "" }));
}

TEST(HttpTest, ShortBodyIsAnErrorNotAPage)
{
    ScriptedPeer peer([](PeerConnection& connection, ScriptedPeer&) {
        connection.readUntil("\r\n\r\n");
        connection.send("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly this");
    });
    TagHTTP http;
    http.setURL("http://" + peer.server() + "/");
    EXPECT_THROW(http.Get(), ESocketError);
    EXPECT_FALSE(http.Connected());
}

class HttpServerTest : public pelmora::test::ServerSuite {
protected:
    static void SetUpTestSuite() { startServers("http"); }
    void SetUp() override
    {
        ServerSuite::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        pelmora::test::writeFile(servers().webRoot() / "index.html", "<html>hello</html>\n");
    }
    std::string url(const std::string& path, bool secure = false) const
    {
        return (secure ? "https://" : "http://") + servers().server("http", secure ? "tls_port" : "port") + path;
    }
};

TEST_F(HttpServerTest, FetchesAndFollowsRedirects)
{
    TagHTTP http;
    std::uint64_t lastCount = 0;
    http.OnReceiving = [&](TagHTTP&, std::uint64_t count) { lastCount = count; };
    http.setURL(url("/hop1"));
    http.Get();
    EXPECT_EQ(http.StatusCode(), 200);
    EXPECT_EQ(http.Body(), "<html>hello</html>\n");
    EXPECT_EQ(lastCount, http.Body().size());
    EXPECT_EQ(http.URL(), url("/index.html"));
    EXPECT_TRUE(http.Headers().back().empty());

    http.setURL(url("/loop"));
    try {
        http.Get();
        FAIL() << "followed redirects for ever";
    } catch (const ESocketError& error) {
        EXPECT_STREQ(error.what(), "Too many redirects (more than 5)");
    }
}

TEST_F(HttpServerTest, ErrorPagesAreErrorsNamingTheStatusLine)
{
    // A 404 reached through a redirect counts as much as one asked for directly.
    for (const auto& [path, status] :
        std::vector<std::pair<std::string, std::string>> { { "/missing.htm", "HTTP/1.1 404 Not Found" },
            { "/gone", "HTTP/1.1 404 Not Found" }, { "/broken", "HTTP/1.1 500 Internal Server Error" } }) {
        TagHTTP http;
        std::vector<std::string> errors;
        http.OnError = [&](pelmora::net::TagSocket&, std::string& msg) { errors.push_back(msg); };
        http.setURL(url(path));
        try {
            http.Get();
            ADD_FAILURE() << path << " passed as a page";
        } catch (const ESocketError& error) {
            EXPECT_EQ(error.what(), "The server answered \"" + status + "\"") << path;
        }
        EXPECT_EQ(errors.size(), 1u) << path;
        EXPECT_FALSE(http.Connected());
    }
}

TEST_F(HttpServerTest, HttpsWithTrustedAndUntrustedCertificate)
{
    TagHTTP http;
    http.setURL(url("/index.html", true));
    {
        pelmora::test::TrustedStore store("");
        try {
            http.Get();
            FAIL() << "accepted a certificate nobody trusts";
        } catch (const ESocketError& error) {
            EXPECT_NE(std::string(error.what()).find("not trusted"), std::string::npos) << error.what();
        }
    }
    pelmora::test::TrustedStore store(servers().caFile());
    http.Get();
    EXPECT_EQ(http.Body(), "<html>hello</html>\n");
    // The certificate names localhost and 127.0.0.1; "127.1" reaches the same server under a
    // name the certificate does not give.
    http.setURL("https://127.1:" + std::to_string(servers().info()["http"]["tls_port"].get<int>()) + "/");
    try {
        http.Get();
        FAIL() << "a certificate for another name was accepted";
    } catch (const ESocketError& error) {
        EXPECT_STREQ(error.what(), "TLS certificate of 127.1 not trusted: hostname mismatch");
    }
}

// A page grab saves the body byte for byte under the next free number, never over an existing
// page, and leaves nothing behind for an error page.
TEST_F(HttpServerTest, GrabbedPagesTakeTheNextFreeNumberAndErrorsLeaveNoFile)
{
    pelmora::test::TempDir docs;
    std::string page = "<html>\r\n";
    for (int i = 0; i < 5000; ++i)
        page += "line " + std::to_string(i) + " \xc3\xa9" + std::string(1, '\0') + "\xff\n";
    pelmora::test::writeFile(servers().webRoot() / "big.htm", page);
    pelmora::test::writeFile(docs.path() / "3.htm", "another document's page");

    TagHTTP http;
    const GrabbedPage grabbed = grabPage(http, url("/big.htm"), docs.path(), 3);
    EXPECT_EQ(grabbed.file, docs.path() / "4.htm");
    EXPECT_EQ(grabbed.next, 5);
    EXPECT_EQ(pelmora::test::readFile(grabbed.file), page);
    EXPECT_EQ(pelmora::test::readFile(docs.path() / "3.htm"), "another document's page");
    EXPECT_EQ(grabbed.headers.front(), "HTTP/1.1 200 OK");

    for (const char* path : { "/missing.htm", "/broken" }) {
        TagHTTP failing;
        EXPECT_THROW(grabPage(failing, url(path), docs.path(), 5), ESocketError) << path;
    }
    size_t files = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(docs.path()))
        ++files;
    EXPECT_EQ(files, 2u); // 3.htm and 4.htm: no page, no temporary file from the failures

    EXPECT_EQ(pageNumber("7"), 7);
    for (const char* text : { "", "0", "-2", "abc", "3x", "99999999999", " 4" })
        EXPECT_EQ(pageNumber(text), 1) << text;
}
