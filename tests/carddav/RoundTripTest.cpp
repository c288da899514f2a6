// How many requests our writes cost, and where the password goes, told by loopback servers that
// record every request they get.
#include "carddav/Client.h"
#include "carddav/Sync.h"
#include "carddav/SyncError.h"
#include "carddav/SyncState.h"
#include "carddav/VCardContacts.h"
#include "carddav/WritePool.h"
#include "data/Database.h"
#include "data/SqlDatabase.h"
#include "exchange/ContactCard.h"
#include "exchange/ContactStore.h"
#include "ScriptedPeer.h"
#include "TestSupport.h"
#include "TimeBudget.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <set>
#include <thread>

using namespace pelmora;
using namespace pelmora::carddav;
using pelmora::test::PeerConnection;
using pelmora::test::ScriptedPeer;

namespace {

struct Request {
    std::string line; // "PUT /book/a.vcf HTTP/1.1"
    std::string authorization;
    std::string body;
};

// One request off the connection; an empty line when the client closed it.
Request readRequest(PeerConnection& connection)
{
    Request request;
    request.line = connection.readLine();
    std::size_t length = 0;
    for (std::string header = connection.readLine(); !header.empty(); header = connection.readLine()) {
        const auto colon = header.find(':');
        std::string name = header.substr(0, colon);
        std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) { return char(std::tolower(c)); });
        const std::string value = colon == std::string::npos ? std::string() : header.substr(colon + 2);
        if (name == "authorization")
            request.authorization = value;
        else if (name == "content-length")
            length = std::stoul(value);
    }
    request.body = connection.read(length);
    return request;
}

std::string reply(const std::string& status, const std::string& extra = {})
{
    return "HTTP/1.1 " + status + "\r\n" + extra + "Content-Length: 0\r\n\r\n";
}

// The answer to a listing of an empty book at /book/, closing the connection.
std::string emptyBookListing()
{
    const std::string body = "<?xml version=\"1.0\"?><d:multistatus xmlns:d=\"DAV:\"><d:response>"
                             "<d:href>/book/</d:href><d:propstat><d:prop><d:resourcetype><d:collection/>"
                             "</d:resourcetype></d:prop><d:status>HTTP/1.1 200 OK</d:status></d:propstat>"
                             "</d:response></d:multistatus>";
    return "HTTP/1.1 207 Multi-Status\r\nConnection: close\r\nContent-Type: application/xml\r\nContent-Length: "
        + std::to_string(body.size()) + "\r\n\r\n" + body;
}

// A server that wants `scheme` ("Basic" or "Digest") and keeps every connection open: it answers
// a request without credentials with 401 and stores every card sent with them.
ScriptedPeer::Script wanting(const std::string& scheme)
{
    return [scheme](PeerConnection& connection, ScriptedPeer& peer) {
        for (Request request = readRequest(connection); !request.line.empty(); request = readRequest(connection)) {
            peer.record(request.line + " | " + request.authorization.substr(0, request.authorization.find(' ')));
            if (request.authorization.rfind(scheme + " ", 0) != 0)
                connection.send(reply("401 Unauthorized",
                    scheme == "Basic" ? "WWW-Authenticate: Basic realm=\"book\"\r\n"
                                      : "WWW-Authenticate: Digest realm=\"book\", nonce=\"n0nce\", qop=\"auth\", "
                                        "algorithm=MD5\r\n"));
            else
                connection.send(reply("201 Created", "ETag: \"e1\"\r\n"));
        }
    };
}

Connection account()
{
    Connection c;
    c.user = "pelmora";
    c.password = "s3cret pass";
    c.timeoutSeconds = 10;
    c.connectTimeoutSeconds = 5;
    return c;
}

const char* const kCard = "BEGIN:VCARD\r\nVERSION:3.0\r\nUID:a\r\nFN:A\r\nEND:VCARD\r\n";

// Once the server has said which scheme it wants, each further write is one request: the card is
// not sent first without credentials, refused, and sent again.
TEST(RoundTripTest, AskedForCredentialsOnlyOnce)
{
    for (const std::string scheme : { "Basic", "Digest" }) {
        SCOPED_TRACE(scheme);
        ScriptedPeer peer(wanting(scheme));
        {
            CardDavClient client(account());
            for (int i = 0; i < 5; ++i) {
                const WriteResult result
                    = client.put("http://" + peer.server() + "/book/" + std::to_string(i) + ".vcf", kCard, {});
                EXPECT_TRUE(result.done);
            }
        }
        peer.join();
        const std::vector<std::string> seen = peer.received();
        ASSERT_EQ(seen.size(), 6u) << ::testing::PrintToString(seen);
        EXPECT_EQ(seen[0], "PUT /book/0.vcf HTTP/1.1 | ");
        for (std::size_t i = 1; i < seen.size(); ++i)
            EXPECT_NE(seen[i].find("| " + scheme), std::string::npos) << seen[i];
    }
}

// A redirect to another host never takes the password along, not even once the first host's
// scheme is known and its credentials go with every request.
TEST(RoundTripTest, NoPasswordForAnotherHost)
{
    ScriptedPeer elsewhere([](PeerConnection& connection, ScriptedPeer& peer) {
        const Request request = readRequest(connection);
        peer.record(request.line + " | " + request.authorization);
        connection.send(reply("200 OK", "Connection: close\r\n"));
    });
    ScriptedPeer first([&elsewhere](PeerConnection& connection, ScriptedPeer& peer) {
        for (Request request = readRequest(connection); !request.line.empty(); request = readRequest(connection)) {
            peer.record(request.line);
            if (request.authorization.empty())
                connection.send(reply("401 Unauthorized", "WWW-Authenticate: Basic realm=\"book\"\r\n"));
            else if (request.line.rfind("PUT", 0) == 0)
                connection.send(reply("201 Created"));
            else
                connection.send(reply("307 Temporary Redirect",
                    "Location: http://localhost:" + std::to_string(elsewhere.port()) + "/x\r\n"));
        }
    });
    {
        CardDavClient client(account());
        client.put("http://" + first.server() + "/book/a.vcf", kCard, {});
        const HttpResponse moved = client.session().request("GET", "http://" + first.server() + "/moved", {}, {}, true);
        EXPECT_EQ(moved.status, 200);
    }
    first.join();
    elsewhere.join();
    const std::vector<std::string> there = elsewhere.received();
    ASSERT_EQ(there.size(), 1u);
    EXPECT_EQ(there[0], "GET /x HTTP/1.1 | ");
}

// Writes over several connections: every one comes back once with its own outcome; a card the
// server refuses is that card's error, a connection that breaks is the sync's.
TEST(RoundTripTest, EveryParallelWriteComesBackOnceWithItsOwnOutcome)
{
    // One request a connection, so that the peer, which serves connections one after another,
    // never waits on a client that keeps its connection for a later request.
    ScriptedPeer peer(
        [](PeerConnection& connection, ScriptedPeer& self) {
            const Request request = readRequest(connection);
            self.record(request.line);
            const std::string path = request.line.substr(request.line.find(' ') + 1);
            if (path.rfind("/book/refused", 0) == 0)
                connection.send(reply("403 Forbidden", "Connection: close\r\n"));
            else if (path.rfind("/book/changed", 0) == 0)
                connection.send(reply("412 Precondition Failed", "Connection: close\r\n"));
            else if (path.rfind("/book/cut", 0) == 0)
                connection.close();
            else
                connection.send(reply("201 Created", "ETag: \"" + path + "\"\r\nConnection: close\r\n"));
        },
        12);
    const std::vector<std::string> names { "a", "b", "refused", "c", "changed", "d", "e", "cut", "f", "g", "h", "i" };
    std::map<std::size_t, WriteOutcome> outcomes;
    {
        Connection c;
        c.timeoutSeconds = 10;
        c.connectTimeoutSeconds = 5;
        CardDavClient client(c);
        WritePool pool(client, 4);
        for (std::size_t id = 0; id < names.size(); ++id)
            pool.submit({ id, names[id] == "g", "http://" + peer.server() + "/book/" + names[id] + ".vcf", kCard,
                names[id] == "changed" ? "\"old\"" : "" });
        while (pool.pending() > 0) {
            WriteOutcome outcome = pool.next();
            EXPECT_TRUE(outcomes.emplace(outcome.id, std::move(outcome)).second);
        }
    }
    peer.join();
    ASSERT_EQ(outcomes.size(), names.size());
    EXPECT_EQ(peer.received().size(), names.size());
    for (std::size_t id = 0; id < names.size(); ++id) {
        SCOPED_TRACE(names[id]);
        const WriteOutcome& outcome = outcomes[id];
        if (names[id] == "refused" || names[id] == "cut") {
            ASSERT_TRUE(outcome.error);
            bool refused = false;
            try {
                std::rethrow_exception(outcome.error);
            } catch (const CardRefused&) {
                refused = true;
            } catch (const SyncError&) {
            }
            EXPECT_EQ(refused, names[id] == "refused");
            continue;
        }
        ASSERT_FALSE(outcome.error);
        if (names[id] == "changed") {
            EXPECT_TRUE(outcome.result.preconditionFailed);
        } else {
            EXPECT_TRUE(outcome.result.done);
            if (names[id] != "g") { // a delete's reply carries no new ETag we keep
                EXPECT_EQ(outcome.result.etag, "\"/book/" + names[id] + ".vcf HTTP/1.1\"");
            }
        }
    }
}

// A sync whose connection breaks while its cards are being sent: every card the server confirmed
// is recorded (the next sync does not send it again), a card the server refused did not stop
// the others, and the sync ends with the connection's error. The break comes with the last card,
// when every other one has been taken by a connection: a break earlier leaves the cards not yet
// under way for the next sync, and how many those are depends on timing.
TEST(RoundTripTest, ASyncCutOffWhileSendingKeepsWhatTheServerConfirmed)
{
    int puts = 0;
    ScriptedPeer peer(
        [&puts](PeerConnection& connection, ScriptedPeer& self) {
            const Request request = readRequest(connection);
            self.record(request.line);
            if (request.line.rfind("PROPFIND", 0) == 0) {
                connection.send(emptyBookListing());
                return;
            }
            ++puts;
            if (puts == 2)
                connection.send(reply("403 Forbidden", "Connection: close\r\n"));
            else if (puts == 6)
                connection.close();
            else
                connection.send(
                    reply("201 Created", "ETag: \"e" + std::to_string(puts) + "\"\r\nConnection: close\r\n"));
        },
        8); // the check of the book, its listing, six cards
    test::TempDir dir;
    auto db = data::Database::create(dir.path());
    VCardContacts contacts(db->sql());
    for (int i = 0; i < 6; ++i) {
        exchange::ContactCard card;
        card.fields["LName"] = "Person " + std::to_string(i);
        card.fields["EMail"] = "p" + std::to_string(i) + "@example.org";
        exchange::insertContact(db->sql(), card);
    }
    Connection c;
    c.timeoutSeconds = 10;
    c.connectTimeoutSeconds = 5;
    CardDavClient client(c);
    Synchronizer synchronizer(db->sql(), contacts, client, "http://" + peer.server() + "/book/", false);
    bool stopped = false, refusedOnly = false;
    try {
        synchronizer.run();
    } catch (const CardRefused&) {
        refusedOnly = true;
    } catch (const SyncError&) {
        stopped = true;
    }
    EXPECT_TRUE(stopped);
    EXPECT_FALSE(refusedOnly);
    peer.join();
    EXPECT_EQ(puts, 6);

    // Each contact has its card's name, so the next sync finds what the server stored; only the
    // four the server confirmed have an ETag.
    std::set<std::string> etags;
    std::size_t items = 0;
    for (const SyncItem& item : SyncState(db->sql()).items()) {
        ++items;
        if (item.etag)
            etags.insert(*item.etag);
    }
    EXPECT_EQ(items, 6u);
    EXPECT_EQ(etags, (std::set<std::string> { "\"e1\"", "\"e3\"", "\"e4\"", "\"e5\"" }));
}

// The user goes on editing while a sync sends its cards: while the server takes its time over
// a card, the sync holds no lock on the database. Here the server itself tries a write of the
// user's (with little patience for the lock) each time it gets a card.
TEST(RoundTripTest, TheDatabaseStaysFreeWhileTheServerTakesItsTime)
{
    constexpr int kCards = 6;
    test::TempDir dir;
    auto db = data::Database::create(dir.path());
    const auto file = data::Database::fileIn(dir.path(), data::TableHome::Database);
    std::vector<std::string> refused; // the user's writes that found the database locked
    ScriptedPeer peer(
        [&](PeerConnection& connection, ScriptedPeer&) {
            const Request request = readRequest(connection);
            if (request.line.rfind("PROPFIND", 0) == 0) {
                connection.send(emptyBookListing());
                return;
            }
            try {
                data::SqlDatabase user(file);
                user.exec("PRAGMA busy_timeout = " + std::to_string(int(1000 * test::kSlowdown)));
                user.exec("UPDATE Contacts SET City = 'Edited meanwhile' WHERE Counter = 1");
            } catch (const Error& e) {
                refused.push_back(e.what());
            }
            connection.send(reply("201 Created", "ETag: \"e\"\r\nConnection: close\r\n"));
        },
        2 + kCards); // the check of the book, its listing, the cards
    VCardContacts contacts(db->sql());
    for (int i = 0; i < kCards; ++i) {
        exchange::ContactCard card;
        card.fields["LName"] = "Person " + std::to_string(i);
        exchange::insertContact(db->sql(), card);
    }
    Connection c;
    c.timeoutSeconds = 30;
    c.connectTimeoutSeconds = 5;
    CardDavClient client(c);
    Synchronizer synchronizer(db->sql(), contacts, client, "http://" + peer.server() + "/book/", false);
    const SyncReport report = synchronizer.run();
    peer.join();
    EXPECT_EQ(report.sent, kCards);
    EXPECT_EQ(refused, std::vector<std::string> {});
}

// A server may take minutes to list a large book, and is given the time; a server that does not
// answer at all is told within the plain time-out, before any request that gets more.
TEST(RoundTripTest, ALargeBookGetsTimeASilentServerDoesNot)
{
    ScriptedPeer slowListing(
        [](PeerConnection& connection, ScriptedPeer& self) {
            const Request request = readRequest(connection);
            const bool listing = request.body.find("getetag") != std::string::npos;
            self.record(listing ? "listing" : "check");
            if (listing)
                std::this_thread::sleep_for(std::chrono::milliseconds(1500));
            connection.send(emptyBookListing());
        },
        2);
    Connection c;
    c.timeoutSeconds = 1;
    c.connectTimeoutSeconds = 1;
    {
        test::TempDir dir;
        auto db = data::Database::create(dir.path());
        VCardContacts contacts(db->sql());
        CardDavClient client(c);
        Synchronizer synchronizer(db->sql(), contacts, client, "http://" + slowListing.server() + "/book/", false);
        EXPECT_NO_THROW(synchronizer.run());
        slowListing.join();
        EXPECT_EQ(slowListing.received(), (std::vector<std::string> { "check", "listing" }));
    }

    ScriptedPeer silent(
        [](PeerConnection& connection, ScriptedPeer&) {
            readRequest(connection);
            readRequest(connection); // nothing comes back; returns when the client gives up
        },
        1);
    test::TempDir dir;
    auto db = data::Database::create(dir.path());
    VCardContacts contacts(db->sql());
    CardDavClient client(c);
    Synchronizer synchronizer(db->sql(), contacts, client, "http://" + silent.server() + "/book/", false);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_THROW(synchronizer.run(), ServerTimedOut);
    EXPECT_LT(std::chrono::steady_clock::now() - start, test::budget(std::chrono::seconds(4)));
    silent.join();
}

// A server that takes too long over a large request for cards still gets asked, in halves,
// until the requests are small enough; the sync then has every card.
TEST(RoundTripTest, CardsASlowServerCannotSendInOneGoComeInSmallerRequests)
{
    constexpr int kCards = 8;
    std::vector<std::size_t> asked; // cards named in each request for cards
    ScriptedPeer peer(
        [&asked](PeerConnection& connection, ScriptedPeer&) {
            const Request request = readRequest(connection);
            std::string body = "<?xml version=\"1.0\"?><d:multistatus xmlns:d=\"DAV:\" "
                               "xmlns:c=\"urn:ietf:params:xml:ns:carddav\">";
            if (request.line.rfind("PROPFIND", 0) == 0) {
                for (int i = 0; i < kCards; ++i)
                    body += "<d:response><d:href>/book/" + std::to_string(i)
                        + ".vcf</d:href><d:propstat><d:prop><d:getetag>\"e</d:getetag></d:prop>"
                          "<d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response>";
            } else {
                std::vector<std::string> hrefs;
                for (auto at = request.body.find("<d:href>"); at != std::string::npos;
                     at = request.body.find("<d:href>", at + 1))
                    hrefs.push_back(request.body.substr(at + 8, request.body.find('<', at + 8) - at - 8));
                asked.push_back(hrefs.size());
                if (hrefs.size() > 2) {
                    readRequest(connection); // no answer: the client gives up and closes
                    return;
                }
                for (const std::string& href : hrefs)
                    body += "<d:response><d:href>" + href
                        + "</d:href><d:propstat><d:prop><d:getetag>\"e</d:getetag><c:address-data>"
                          "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Card "
                        + href + "\r\nN:" + href + ";Card;;;\r\nEMAIL:" + href.substr(6)
                        + "@example.org\r\nEND:VCARD\r\n</c:address-data></d:prop>"
                          "<d:status>HTTP/1.1 200 OK</d:status></d:propstat></d:response>";
            }
            body += "</d:multistatus>";
            connection.send("HTTP/1.1 207 Multi-Status\r\nConnection: close\r\nContent-Type: application/xml\r\n"
                            "Content-Length: "
                + std::to_string(body.size()) + "\r\n\r\n" + body);
        },
        8); // the check of the book, its listing, six requests for cards
    test::TempDir dir;
    auto db = data::Database::create(dir.path());
    VCardContacts contacts(db->sql());
    Connection c;
    c.timeoutSeconds = 2;
    c.connectTimeoutSeconds = 5;
    CardDavClient client(c);
    Synchronizer synchronizer(db->sql(), contacts, client, "http://" + peer.server() + "/book/", false);
    synchronizer.setFetchBatch(kCards);
    const SyncReport report = synchronizer.run();
    peer.join();
    EXPECT_EQ(asked, (std::vector<std::size_t> { 8, 4, 2, 2, 2, 2 }));
    EXPECT_EQ(report.received, kCards);
    EXPECT_EQ(db->sql().scalar("SELECT COUNT(*) FROM Contacts", {}), kCards);
}

} // namespace
