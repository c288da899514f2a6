#include "net/SocketErrors.h"
#include "protocols/MessageSpool.h"
#include "protocols/TmsCustomPOP.h"

#include "ScriptedPeer.h"
#include "TestServers.h"

#include <gtest/gtest.h>

#include <atomic>

#include <chrono>
#include <iterator>
#include <thread>

using namespace pelmora::protocols;
using pelmora::net::ESocketError;
using pelmora::test::PeerConnection;
using pelmora::test::ScriptedPeer;

namespace {

// Keeps every message text; refuses the ones whose index is in `refuse`.
class CollectingPOP : public TmsCustomPOP {
public:
    std::vector<std::string> texts;
    std::vector<int> refuse;

protected:
    void MessageReceived(int index, std::istream& text) override
    {
        if (std::find(refuse.begin(), refuse.end(), index) != refuse.end())
            throw pelmora::Error("cannot store this one");
        texts.emplace_back(std::istreambuf_iterator<char>(text), std::istreambuf_iterator<char>());
    }
};

// A POP3 server holding `messages` (already in their dot-stuffed wire form), which sends each
// reply in the pieces given by `cut` to exercise reads that split the terminator. `listing`,
// when given, is sent whole in answer to a LIST for the whole mailbox.
ScriptedPeer::Script popServer(std::vector<std::string> messages, std::string passReply = "+OK logged in",
    std::size_t cut = 0, std::string listing = {})
{
    return [=](PeerConnection& connection, ScriptedPeer& self) {
        connection.send("+OK POP3 ready\r\n");
        for (;;) {
            std::string line = self.expectLine(connection);
            if (connection.closed())
                return;
            std::string verb = line.substr(0, 4);
            bool numbered = line.size() > 5 && (verb == "LIST" || verb == "RETR" || verb == "DELE");
            std::size_t number = numbered ? std::stoul(line.substr(5)) : 0;
            if (verb == "PASS") {
                connection.send(passReply + "\r\n");
            } else if (verb == "STAT") {
                connection.send("+OK " + std::to_string(messages.size()) + " 1000\r\n");
            } else if (line == "LIST") {
                std::string reply = listing;
                if (reply.empty()) {
                    reply = "+OK\r\n";
                    for (std::size_t at = 0; at < messages.size(); ++at)
                        reply += std::to_string(at + 1) + " " + std::to_string(messages[at].size()) + "\r\n";
                    reply += ".\r\n";
                }
                connection.send(reply);
            } else if (verb == "LIST") {
                connection.send(
                    "+OK " + std::to_string(number) + " " + std::to_string(messages.at(number - 1).size()) + "\r\n");
            } else if (verb == "RETR") {
                std::string reply = "+OK\r\n" + messages.at(number - 1) + ".\r\n";
                std::size_t at = cut ? reply.size() - cut : reply.size();
                connection.send(reply.substr(0, at));
                if (at < reply.size()) {
                    connection.stall(30);
                    connection.send(reply.substr(at));
                }
            } else if (verb == "QUIT") {
                return connection.send("+OK bye\r\n");
            } else {
                connection.send("+OK\r\n");
            }
        }
    };
}

} // namespace

TEST(PopTest, RetrievalDialogueWithDeletion)
{
    ScriptedPeer peer(popServer({ "Subject: one\r\n\r\n..dotted\r\n", "Subject: two\r\n\r\nx\r\n" }));
    CollectingPOP pop;
    pop.Server = peer.server();
    pop.UserName = "user";
    pop.Password = "pw";
    std::vector<int> progress;
    pop.OnProgress = [&](TmsCustomPOP&, int percent) { progress.push_back(percent); };
    pop.Retrieve(false);
    peer.join();
    EXPECT_EQ(peer.received(),
        (std::vector<std::string> {
            "USER user", "PASS pw", "STAT", "LIST", "RETR 1", "DELE 1", "RETR 2", "DELE 2", "QUIT" }));
    EXPECT_EQ(pop.texts, (std::vector<std::string> { "Subject: one\r\n\r\n.dotted\r\n", "Subject: two\r\n\r\nx\r\n" }));
    EXPECT_EQ(progress, (std::vector<int> { 90, 100, 0, 100, 0 })); // the announced size counts the stuffed dot
}

TEST(PopTest, TerminatorSplitAnyWayIsFound)
{
    for (std::size_t cut : { 1u, 2u, 3u, 4u, 5u, 6u }) {
        ScriptedPeer peer(popServer({ "Subject: s\r\n\r\nbody\r\n" }, "+OK", cut));
        CollectingPOP pop;
        pop.Server = peer.server();
        pop.UserName = "u";
        pop.Password = "p";
        pop.TimeOut = 5;
        pop.Retrieve(true);
        peer.join();
        ASSERT_EQ(pop.texts.size(), 1u) << cut;
        EXPECT_EQ(pop.texts[0], "Subject: s\r\n\r\nbody\r\n") << cut;
        EXPECT_EQ(peer.received().back(), "QUIT");
        for (const std::string& line : peer.received())
            EXPECT_NE(line.rfind("DELE", 0), 0u) << "left on the server, yet deleted";
    }
}

TEST(PopTest, EmptyMailboxAndWrongPassword)
{
    ScriptedPeer empty(popServer({}));
    CollectingPOP pop;
    pop.Server = empty.server();
    pop.UserName = "u";
    pop.Password = "p";
    pop.Retrieve(false);
    empty.join();
    EXPECT_EQ(empty.received(), (std::vector<std::string> { "USER u", "PASS p", "STAT", "QUIT" }));

    ScriptedPeer refusing(popServer({ "x\r\n" }, "-ERR [AUTH] Authentication failed."));
    pop.Server = refusing.server();
    std::vector<std::string> errors;
    pop.OnError = [&](pelmora::net::TagSocket&, std::string& msg) { errors.push_back(msg); };
    try {
        pop.Retrieve(false);
        FAIL() << "a refused password passed";
    } catch (const ESocketError& error) {
        EXPECT_STREQ(error.what(), "-ERR [AUTH] Authentication failed.");
    }
    refusing.join();
    EXPECT_EQ(refusing.received().back(), "QUIT");
    EXPECT_EQ(errors, std::vector<std::string> { "-ERR [AUTH] Authentication failed." });

    pop.UserName.clear();
    EXPECT_THROW(pop.Retrieve(false), ESocketError);
}

TEST(PopTest, MessageThatCannotBeHandedOnStaysOnTheServer)
{
    ScriptedPeer peer(popServer({ "a\r\n", "b\r\n", "c\r\n" }));
    CollectingPOP pop;
    pop.Server = peer.server();
    pop.UserName = "u";
    pop.Password = "p";
    pop.refuse = { 1 };
    std::vector<std::string> errors;
    pop.OnError = [&](pelmora::net::TagSocket&, std::string& msg) { errors.push_back(msg); };
    pop.Retrieve(false);
    peer.join();
    auto received = peer.received();
    EXPECT_NE(std::find(received.begin(), received.end(), "DELE 1"), received.end());
    EXPECT_EQ(std::find(received.begin(), received.end(), "DELE 2"), received.end());
    EXPECT_NE(std::find(received.begin(), received.end(), "DELE 3"), received.end());
    EXPECT_EQ(pop.texts, (std::vector<std::string> { "a\r\n", "c\r\n" }));
    EXPECT_EQ(errors, std::vector<std::string> { "Message 2 kept on the server: cannot store this one" });
}

TEST(PopTest, ServerClosingMidMessageKeepsIt)
{
    ScriptedPeer peer([](PeerConnection& connection, ScriptedPeer& self) {
        connection.send("+OK ready\r\n");
        for (std::string reply : { "+OK", "+OK", "+OK 1 100", "+OK\r\n1 100\r\n." }) {
            self.expectLine(connection);
            connection.send(reply + "\r\n");
        }
        self.expectLine(connection);
        connection.send("+OK\r\nSubject: cut\r\n\r\nhalf a mess");
        connection.close();
    });
    CollectingPOP pop;
    pop.Server = peer.server();
    pop.UserName = "u";
    pop.Password = "p";
    EXPECT_THROW(pop.Retrieve(false), ESocketError);
    peer.join();
    EXPECT_TRUE(pop.texts.empty());
    for (const std::string& line : peer.received())
        EXPECT_NE(line.rfind("DELE", 0), 0u);
}

TEST(MessageSpoolTest, LargeMessageMovesToAFileAndComesBackWhole)
{
    std::string whole;
    MessageSpool spool;
    for (int i = 0; whole.size() <= MessageSpool::MemoryLimit + 100000; ++i) {
        std::string block(4093, static_cast<char>('a' + i % 26));
        spool.append(block);
        whole += block;
    }
    spool.finish();
    auto reader = spool.reader();
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(*reader), std::istreambuf_iterator<char>()), whole);
}

class PopServerTest : public pelmora::test::ServerSuite {
protected:
    static void SetUpTestSuite() { startServers("pop3"); }
    void account(CollectingPOP& pop, bool secure = false)
    {
        pop.Server = servers().server("pop3", secure ? "tls_port" : "port");
        pop.Security = secure ? MailSecurity::Implicit : MailSecurity::Plain;
        pop.UserName = servers().user();
        pop.Password = servers().password();
    }
};

TEST_F(PopServerTest, RetrievesDeletesAndLeaves)
{
    servers().deliver("1.M1.test", "Subject: first\n\n.single dot line\n..two dots\nend\n");
    servers().deliver("2.M2.test", "Subject: second\n\nbody\n");
    CollectingPOP pop;
    account(pop);
    pop.Retrieve(true);
    ASSERT_EQ(pop.texts.size(), 2u);
    EXPECT_EQ(pop.texts[0], "Subject: first\r\n\r\n.single dot line\r\n..two dots\r\nend\r\n");

    CollectingPOP again;
    account(again, true);
    pelmora::test::TrustedStore store(servers().caFile());
    again.Retrieve(false);
    EXPECT_EQ(again.texts, pop.texts);

    CollectingPOP after;
    account(after);
    after.Retrieve(false);
    EXPECT_TRUE(after.texts.empty());
    EXPECT_EQ(after.MessageCount(), 0);
}

TEST_F(PopServerTest, WrongPasswordFailsWithTheServersReply)
{
    CollectingPOP pop;
    account(pop);
    pop.Password = "wrong";
    try {
        pop.Retrieve(false);
        FAIL() << "a wrong password passed";
    } catch (const ESocketError& error) {
        EXPECT_EQ(std::string(error.what()).substr(0, 4), "-ERR");
    }
    EXPECT_FALSE(pop.Connected());
}

TEST(PopTest, RefusedGreetingAndCancelDuringAMessage)
{
    ScriptedPeer refusing([](PeerConnection& connection, ScriptedPeer&) {
        connection.send("-ERR too busy\r\n");
        connection.stall(200);
    });
    CollectingPOP pop;
    pop.Server = refusing.server();
    pop.UserName = "u";
    pop.Password = "p";
    try {
        pop.Retrieve(false);
        ADD_FAILURE() << "a refused greeting passed";
    } catch (const ESocketError& error) {
        EXPECT_STREQ(error.what(), "-ERR too busy");
    }
    refusing.join();

    ScriptedPeer stalling([](PeerConnection& connection, ScriptedPeer& self) {
        connection.send("+OK ready\r\n");
        for (std::string reply : { "+OK", "+OK", "+OK 1 100", "+OK\r\n1 100\r\n." }) {
            self.expectLine(connection);
            connection.send(reply + "\r\n");
        }
        self.expectLine(connection);
        connection.send("+OK\r\nSubject: slow\r\n");
        connection.stall(2000);
    });
    pop.Server = stalling.server();
    // Written by the canceling thread while this one waits; a lost wake would end the wait only
    // with the stall, 1.6 s after the cancel, so 750 ms tells the two apart on a loaded machine.
    std::atomic<std::chrono::steady_clock::time_point> canceledAt { std::chrono::steady_clock::time_point::max() };
    std::thread canceler([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        canceledAt = std::chrono::steady_clock::now();
        pop.Cancel();
    });
    EXPECT_THROW(pop.Retrieve(false), pelmora::net::ECanceledError);
    auto late = std::chrono::steady_clock::now() - canceledAt.load();
    canceler.join();
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(late).count(), 750);
    EXPECT_FALSE(pop.Connected());
    auto received = stalling.received();
    EXPECT_EQ(std::find(received.begin(), received.end(), "QUIT"), received.end()); // a cancel sends nothing more
}

TEST(PopTest, AccountTextThatWouldBreakTheCommandLineIsRefusedBeforeConnecting)
{
    CollectingPOP pop;
    pop.Server = "127.0.0.1:" + std::to_string(pelmora::test::closedPort()); // a connect would say 10061
    for (auto [user, password] : std::vector<std::pair<std::string, std::string>> {
             { "u\r\nDELE 1", "p" }, { std::string("u\0", 2), "p" }, { "u", "secret\r\nDELE 1" }, { "u", "se\x1b" } }) {
        pop.UserName = user;
        pop.Password = password;
        try {
            pop.Retrieve(false);
            ADD_FAILURE() << "account text with a control character passed";
        } catch (const ESocketError& error) {
            std::string text = error.what();
            EXPECT_NE(text.find("nothing was sent"), std::string::npos) << text;
            EXPECT_EQ(text.find("secret"), std::string::npos) << "a password is never shown";
            EXPECT_EQ(text.find('\n'), std::string::npos);
        }
    }
}

TEST(PopTest, SpareReplyStopsTheDialogue)
{
    CollectingPOP pop;
    pop.UserName = "u";
    pop.Password = "p";
    // A spare line after the listing would be read as RETR's status, and the text after it as a message.
    ScriptedPeer doubleAnswer([](PeerConnection& connection, ScriptedPeer& self) {
        connection.send("+OK ready\r\n");
        for (std::string reply : { "+OK", "+OK", "+OK 1 100", "+OK\r\n1 3\r\n.\r\n+OK 1 3" }) {
            self.expectLine(connection);
            connection.send(reply + "\r\n");
        }
        while (!connection.closed() && self.expectLine(connection) != "QUIT")
            connection.send("+OK\r\n");
    });
    pop.Server = doubleAnswer.server();
    try {
        pop.Retrieve(false);
        ADD_FAILURE() << "a spare reply was read as an answer";
    } catch (const ESocketError& error) {
        EXPECT_STREQ(error.what(), "The server sent a reply nobody asked for before RETR");
    }
    doubleAnswer.join();
    EXPECT_TRUE(pop.texts.empty());
    for (const std::string& line : doubleAnswer.received())
        EXPECT_NE(line.rfind("DELE", 0), 0u);
}

TEST(PopTest, DeletionTimeOutIsReportedAsATimeOut)
{
    ScriptedPeer silentOnDele([](PeerConnection& connection, ScriptedPeer& self) {
        connection.send("+OK ready\r\n");
        for (std::string reply : { "+OK", "+OK", "+OK 2 100", "+OK\r\n1 3\r\n2 3\r\n.", "+OK\r\na\r\n." }) {
            self.expectLine(connection);
            connection.send(reply + "\r\n");
        }
        self.expectLine(connection);
        connection.stall(2500);
    });
    CollectingPOP pop;
    pop.Server = silentOnDele.server();
    pop.UserName = "u";
    pop.Password = "p";
    pop.TimeOut = 1;
    EXPECT_THROW(pop.Retrieve(false), pelmora::net::ETimedOutError);
    silentOnDele.join();
    EXPECT_EQ(pop.texts, std::vector<std::string> { "a\r\n" });
    EXPECT_EQ(silentOnDele.received().back(), "DELE 1");
}

TEST(PopTest, SizeListingThatIsRefusedOrMalformedCostsOnlyTheProgressFigures)
{
    struct Case {
        std::string listing;
        std::vector<std::string> dialogue;
        std::vector<int> progress;
    };
    const std::vector<std::string> messages { "a\r\n", "bb\r\n" };
    for (const Case& c : std::vector<Case> { // Refused: asked message by message instead.
             { "-ERR not now\r\n",
                 { "USER u", "PASS p", "STAT", "LIST", "LIST 1", "RETR 1", "DELE 1", "LIST 2", "RETR 2", "DELE 2",
                     "QUIT" },
                 { 100, 0, 100, 0 } },
             // A line that makes no sense, a number twice, a negative size: no figures at all.
             { "+OK\r\n1 3\r\n2 x\r\n.\r\n",
                 { "USER u", "PASS p", "STAT", "LIST", "RETR 1", "DELE 1", "RETR 2", "DELE 2", "QUIT" }, { 0, 0 } },
             { "+OK\r\n1 3\r\n1 4\r\n.\r\n",
                 { "USER u", "PASS p", "STAT", "LIST", "RETR 1", "DELE 1", "RETR 2", "DELE 2", "QUIT" }, { 0, 0 } },
             { "+OK\r\n1 -3\r\n2 4\r\n.\r\n",
                 { "USER u", "PASS p", "STAT", "LIST", "RETR 1", "DELE 1", "RETR 2", "DELE 2", "QUIT" }, { 0, 0 } },
             // Missing lines only leave those messages without figures.
             { "+OK\r\n2 4\r\n.\r\n",
                 { "USER u", "PASS p", "STAT", "LIST", "RETR 1", "DELE 1", "RETR 2", "DELE 2", "QUIT" },
                 { 0, 100, 0 } } }) {
        ScriptedPeer peer(popServer(messages, "+OK", 0, c.listing));
        CollectingPOP pop;
        pop.Server = peer.server();
        pop.UserName = "u";
        pop.Password = "p";
        pop.TimeOut = 5;
        std::vector<int> progress;
        pop.OnProgress = [&](TmsCustomPOP&, int percent) { progress.push_back(percent); };
        pop.Retrieve(false);
        peer.join();
        EXPECT_EQ(peer.received(), c.dialogue) << c.listing;
        EXPECT_EQ(pop.texts, messages) << c.listing;
        EXPECT_EQ(progress, c.progress) << c.listing;
    }
}

TEST(PopTest, SizeListingLongerThanTheMailboxStopsBeforeAnyMessage)
{
    // With no end in sight the rest of the dialogue cannot be trusted: nothing is fetched or deleted.
    ScriptedPeer peer(popServer({ "a\r\n" }, "+OK", 0, "+OK\r\n1 3\r\n1 3\r\n1 3\r\n"));
    CollectingPOP pop;
    pop.Server = peer.server();
    pop.UserName = "u";
    pop.Password = "p";
    pop.TimeOut = 5;
    try {
        pop.Retrieve(false);
        ADD_FAILURE() << "an endless listing passed";
    } catch (const ESocketError& error) {
        EXPECT_STREQ(error.what(), "Invalid reply to LIST: more lines than messages");
    }
    peer.join();
    EXPECT_TRUE(pop.texts.empty());
    for (const std::string& line : peer.received()) {
        EXPECT_NE(line.rfind("RETR", 0), 0u);
        EXPECT_NE(line.rfind("DELE", 0), 0u);
    }
}
