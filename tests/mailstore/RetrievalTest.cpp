#include "mailstore/Retrieval.h"
#include "mailstore/Inbox.h"
#include "mailstore/StoredMessage.h"

#include "data/Database.h"
#include "data/SqlDatabase.h"
#include "protocols/TmsCustomPOP.h"
#include "ScriptedPeer.h"
#include "TestServers.h"

#include <gtest/gtest.h>

#include <set>

using namespace pelmora::mailstore;
using pelmora::protocols::MailSecurity;
using pelmora::protocols::TmsCustomPOP;
using pelmora::test::PeerConnection;
using pelmora::test::ScriptedPeer;
using pelmora::test::TempDir;

namespace {

std::string message(const std::string& subject, const std::vector<std::string>& names = {})
{
    std::string text = "From: Ann <ann@example.com>\nSubject: " + subject + "\nMessage-ID: <" + subject
        + "@test>\nMIME-Version: 1.0\nContent-Type: multipart/mixed; boundary=\"b\"\n\n--b\nContent-Type: "
          "text/plain\n\nHello\n";
    for (const std::string& name : names)
        text += "--b\nContent-Type: application/octet-stream; name=\"" + name
            + "\"\nContent-Transfer-Encoding: base64\n\naGVsbG8=\n";
    return text + "--b--\n";
}

class RetrievalTest : public pelmora::test::ServerSuite {
protected:
    static void SetUpTestSuite() { startServers("pop3"); }

    TempDir dir;
    std::shared_ptr<pelmora::data::Database> db = pelmora::data::Database::create(dir.path());
    std::filesystem::path attach = dir / "attach";

    void SetUp() override
    {
        ServerSuite::SetUp();
        std::filesystem::create_directories(attach);
        if (!IsSkipped())
            emptyMailbox();
    }
    void emptyMailbox()
    {
        for (const char* sub : { "new", "cur" }) {
            std::error_code error;
            for (const auto& entry : std::filesystem::directory_iterator(servers().maildir() / sub, error))
                std::filesystem::remove(entry.path());
        }
    }
    std::size_t onServer()
    {
        std::size_t count = 0;
        for (const char* sub : { "new", "cur" }) {
            std::error_code error;
            for (auto it = std::filesystem::directory_iterator(servers().maildir() / sub, error);
                 !error && it != std::filesystem::directory_iterator(); it.increment(error))
                ++count;
        }
        return count;
    }
    void account(TmsCustomPOP& pop)
    {
        pop.Server = servers().server("pop3", "port");
        pop.Security = MailSecurity::Plain;
        pop.UserName = servers().user();
        pop.Password = servers().password();
        pop.TimeOut = 20;
    }
    RetrievalResult retrieve(Retrieval& retrieval, bool leave = false)
    {
        TmsCustomPOP pop;
        account(pop);
        return retrieval.run(pop, leave);
    }
    std::int64_t rows() { return db->sql().scalar("SELECT COUNT(*) FROM \"EMAIL\""); }
};

// A POP3 server holding `messages` that announces PIPELINING when `pipelining`. Pipelined, it
// answers the RETRs only once every one has arrived, so a client that waits for each reply
// before its next request stalls. `atFirstDelete` runs when the first DELE arrives; after
// `breakAfter` messages sent it closes the connection instead.
ScriptedPeer::Script scriptedServer(std::vector<std::string> messages, bool pipelining,
    std::function<void()> atFirstDelete = {}, std::size_t breakAfter = 0)
{
    return [=](PeerConnection& connection, ScriptedPeer& self) {
        connection.send("+OK ready\r\n");
        std::vector<std::size_t> waiting;
        std::size_t sent = 0;
        bool deleting = false;
        for (;;) {
            const std::string line = self.expectLine(connection);
            if (connection.closed())
                return;
            if (line.rfind("RETR ", 0) == 0) {
                waiting.push_back(std::stoul(line.substr(5)));
                if (pipelining && waiting.back() < messages.size())
                    continue;
                for (std::size_t number : waiting) {
                    if (breakAfter && sent == breakAfter)
                        return connection.close();
                    connection.send("+OK\r\n" + messages.at(number - 1) + ".\r\n");
                    ++sent;
                }
                waiting.clear();
            } else if (line == "STAT") {
                connection.send("+OK " + std::to_string(messages.size()) + " 100\r\n");
            } else if (line == "CAPA") {
                connection.send(pipelining ? "+OK\r\nTOP\r\nPIPELINING\r\nUIDL\r\n.\r\n" : "-ERR unknown command\r\n");
            } else if (line == "LIST") {
                std::string reply = "+OK\r\n";
                for (std::size_t at = 0; at < messages.size(); ++at)
                    reply += std::to_string(at + 1) + " " + std::to_string(messages[at].size()) + "\r\n";
                connection.send(reply + ".\r\n");
            } else if (line.rfind("DELE ", 0) == 0) {
                if (!deleting && atFirstDelete)
                    atFirstDelete();
                deleting = true;
                connection.send("+OK\r\n");
            } else if (line == "QUIT") {
                return connection.send("+OK bye\r\n");
            } else {
                connection.send("+OK\r\n");
            }
        }
    };
}

class ScriptedRetrievalTest : public ::testing::Test {
protected:
    TempDir dir;
    std::shared_ptr<pelmora::data::Database> db = pelmora::data::Database::create(dir.path());
    std::filesystem::path attach = dir / "attach";

    void SetUp() override { std::filesystem::create_directories(attach); }
    RetrievalResult retrieve(ScriptedPeer& peer)
    {
        Retrieval retrieval(*db, attach);
        TmsCustomPOP pop;
        pop.Server = peer.server();
        pop.Security = MailSecurity::Plain;
        pop.UserName = "u";
        pop.Password = "p";
        pop.TimeOut = 5;
        RetrievalResult result = retrieval.run(pop);
        peer.join();
        return result;
    }
    std::size_t files() { return std::size_t(std::distance(std::filesystem::directory_iterator(attach), {})); }
    std::int64_t rows() { return db->sql().scalar("SELECT COUNT(*) FROM \"EMAIL\""); }
};

class PipeliningRetrievalTest : public ScriptedRetrievalTest, public ::testing::WithParamInterface<bool> { };

std::string wire(const std::string& text)
{
    std::string out;
    for (char c : text)
        out += c == '\n' ? std::string("\r\n") : std::string(1, c);
    return out;
}

} // namespace

// Whether or not the server pipelines: nothing is deleted before every message is in, and
// only the messages stored are deleted.
TEST_P(PipeliningRetrievalTest, DeletesOnlyStoredMessagesAndOnlyAfterTheLastOneIsIn)
{
    const bool pipelining = GetParam();
    db->sql().exec("CREATE TRIGGER refuse BEFORE INSERT ON \"EMAIL\" WHEN NEW.\"Subject\" = 'poison' "
                   "BEGIN SELECT RAISE(ABORT, 'cannot store'); END");
    std::size_t filesAtFirstDelete = 0;
    ScriptedPeer peer(scriptedServer(
        { wire(message("a", { "a.bin" })), wire(message("poison", { "p.bin" })), wire(message("c", { "c.bin" })) },
        pipelining, [&] { filesAtFirstDelete = files(); }));
    const RetrievalResult result = retrieve(peer);
    EXPECT_TRUE(result.error.empty()) << result.error;
    EXPECT_TRUE(result.leftOnServer);
    ASSERT_EQ(result.messages.size(), 2u);
    EXPECT_EQ(rows(), 2);
    EXPECT_EQ(filesAtFirstDelete, 2u);
    EXPECT_EQ(peer.received(),
        (std::vector<std::string> {
            "USER u", "PASS p", "STAT", "CAPA", "LIST", "RETR 1", "RETR 2", "RETR 3", "DELE 1", "DELE 3", "QUIT" }));
}

INSTANTIATE_TEST_SUITE_P(WithAndWithout, PipeliningRetrievalTest, ::testing::Bool());

TEST_F(ScriptedRetrievalTest, AConnectionLostWithRequestsOnTheirWayDeletesNothing)
{
    ScriptedPeer peer(scriptedServer({ wire(message("a")), wire(message("b")), wire(message("c")) }, true, {}, 1));
    const RetrievalResult result = retrieve(peer);
    EXPECT_FALSE(result.error.empty());
    EXPECT_TRUE(result.leftOnServer);
    ASSERT_EQ(result.messages.size(), 1u);
    // The one stored stays on the server too: recognised, it is not stored twice next time.
    for (const std::string& line : peer.received()) {
        EXPECT_NE(line.rfind("DELE", 0), 0u) << line;
        EXPECT_NE(line, "QUIT");
    }
}

TEST_F(RetrievalTest, StoresEveryMessageWithItsFilesAndEmptiesTheServer)
{
    servers().deliver("1.A.test", message("first"));
    servers().deliver("2.B.test", message("second", { "att.0", "att.0" }));
    servers().deliver("3.C.test", "From: bob@example.com\nSubject: \n\nno subject\n");
    Retrieval retrieval(*db, attach);
    std::vector<std::string> texts;
    std::vector<std::pair<int, int>> progress;
    retrieval.onStatus = [&](const std::string& text) { texts.push_back(text); };
    retrieval.onProgress = [&](int done, int total) { progress.emplace_back(done, total); };
    const RetrievalResult result = retrieve(retrieval);
    EXPECT_TRUE(result.error.empty()) << result.error;
    EXPECT_FALSE(result.leftOnServer);
    ASSERT_EQ(result.messages.size(), 3u);
    EXPECT_EQ(onServer(), 0u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(result.messages[i].number, std::int64_t(i));
    EXPECT_EQ(result.messages[1].attachments.size(), 2u);
    EXPECT_NE(result.messages[1].attachments[0], result.messages[1].attachments[1]);
    const StoredMessage third = MailStore(*db).load(result.messages[2].counter);
    EXPECT_EQ(third.subject, "No Subject");
    EXPECT_EQ(third.contact, kInbox);
    EXPECT_EQ(third.status, kReceived);
    EXPECT_EQ(third.number, 2);
    EXPECT_EQ(texts.front(), "Opening connection");
    EXPECT_NE(std::find(texts.begin(), texts.end(), "Retrieving message 2 of 3"), texts.end());
    EXPECT_EQ(texts.back(), "Connection closed");
    EXPECT_EQ(progress.back(), std::make_pair(3, 3));
}

TEST_F(RetrievalTest, AMessageThatCannotBeStoredStaysOnTheServerAndComesOnceLater)
{
    servers().deliver("1.A.test", message("good"));
    servers().deliver("2.B.test", message("poison", { "x.bin" }));
    servers().deliver("3.C.test", message("also-good"));
    db->sql().exec("CREATE TRIGGER refuse BEFORE INSERT ON \"EMAIL\" WHEN NEW.\"Subject\" = 'poison' "
                   "BEGIN SELECT RAISE(ABORT, 'cannot store'); END");
    Retrieval retrieval(*db, attach);
    RetrievalResult result = retrieve(retrieval);
    EXPECT_TRUE(result.leftOnServer);
    EXPECT_EQ(result.errors.size(), 1u);
    EXPECT_EQ(result.messages.size(), 2u);
    EXPECT_EQ(onServer(), 1u);
    EXPECT_TRUE(std::filesystem::is_empty(attach)); // the file of the failed message is gone again

    db->sql().exec("DROP TRIGGER refuse");
    result = retrieve(retrieval);
    EXPECT_FALSE(result.leftOnServer);
    ASSERT_EQ(result.messages.size(), 1u);
    EXPECT_EQ(result.messages[0].subject, "poison");
    EXPECT_EQ(rows(), 3);
    EXPECT_EQ(onServer(), 0u);
}

TEST_F(RetrievalTest, MessagesFetchedAgainAreStoredOnce)
{
    // What a retrieval cut off before its sign-off leaves: stored here, still on the server.
    servers().deliver("1.A.test", message("one"));
    servers().deliver("2.B.test", "Subject: no id\n\nbody\n");
    Retrieval retrieval(*db, attach);
    EXPECT_EQ(retrieve(retrieval, true).messages.size(), 2u);
    EXPECT_EQ(onServer(), 2u);
    const RetrievalResult again = retrieve(retrieval);
    ASSERT_EQ(again.messages.size(), 2u);
    EXPECT_TRUE(again.messages[0].duplicate);
    EXPECT_TRUE(again.messages[1].duplicate);
    EXPECT_EQ(rows(), 2);
    EXPECT_EQ(onServer(), 0u);
}

TEST_F(RetrievalTest, StopEndsAfterTheCurrentMessageAndSignsOff)
{
    for (int i = 0; i < 4; ++i)
        servers().deliver(std::to_string(i) + ".S.test", message("m" + std::to_string(i)));
    Retrieval retrieval(*db, attach);
    retrieval.onStored = [&](const RetrievedMessage&) { retrieval.requestStop(); };
    const RetrievalResult result = retrieve(retrieval);
    EXPECT_TRUE(result.stopped);
    EXPECT_FALSE(result.leftOnServer);
    EXPECT_EQ(result.messages.size(), 1u);
    // The sign-off took effect: the stored message is gone from the server, the rest wait.
    EXPECT_EQ(onServer(), 3u);
}

TEST_F(RetrievalTest, AWrongPasswordIsReportedAndStoresNothing)
{
    servers().deliver("1.A.test", message("one"));
    Retrieval retrieval(*db, attach);
    TmsCustomPOP pop;
    account(pop);
    pop.Password = "wrong";
    const RetrievalResult result = retrieval.run(pop);
    EXPECT_FALSE(result.error.empty());
    EXPECT_TRUE(result.leftOnServer);
    EXPECT_EQ(rows(), 0);
    EXPECT_EQ(onServer(), 1u);
}

TEST_F(RetrievalTest, TheMimeCorpusArrivesWholeWithEveryFileInTheFolder)
{
    const std::filesystem::path corpus = pelmora::test::corpusDir() / "mime";
    if (pelmora::test::corpusDir().empty() || !std::filesystem::is_directory(corpus))
        PELMORA_SKIP_OR_FAIL("the corpus is not here");
    std::size_t delivered = 0;
    for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
        servers().deliver(std::to_string(delivered) + ".corpus", pelmora::test::readFile(entry.path()));
        ++delivered;
    }
    Retrieval retrieval(*db, attach);
    const RetrievalResult result = retrieve(retrieval);
    EXPECT_TRUE(result.error.empty()) << result.error;
    EXPECT_FALSE(result.leftOnServer);
    for (const std::string& error : result.errors)
        ADD_FAILURE() << error;
    EXPECT_EQ(result.messages.size(), delivered);
    EXPECT_EQ(onServer(), 0u);
    std::set<std::string> files;
    std::size_t stored = 0;
    for (const RetrievedMessage& message : result.messages) {
        stored += !message.duplicate;
        for (const std::string& file : message.attachments) {
            EXPECT_EQ(std::filesystem::path(file).parent_path(), attach);
            EXPECT_TRUE(std::filesystem::is_regular_file(file)) << file;
            EXPECT_TRUE(files.insert(file).second) << "two attachments share " << file;
        }
    }
    EXPECT_EQ(std::int64_t(stored), rows());
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(attach), {}), std::ptrdiff_t(files.size()));
}

TEST_F(RetrievalTest, AnAttachmentsFolderThatBreaksMidwayLosesNothing)
{
    for (int i = 0; i < 3; ++i)
        servers().deliver(std::to_string(i) + ".F.test", message("f" + std::to_string(i), { "a.bin" }));
    Retrieval retrieval(*db, attach);
    retrieval.onStored = [&](const RetrievedMessage&) { std::filesystem::rename(attach, dir / "moved"); };
    const RetrievalResult result = retrieve(retrieval);
    EXPECT_TRUE(result.leftOnServer);
    EXPECT_EQ(result.messages.size(), 1u);
    EXPECT_EQ(result.errors.size(), 2u);
    EXPECT_EQ(rows(), 1);
    // The stored file could not be synced where it was written, so the session ended without
    // its sign-off and the server kept everything.
    EXPECT_FALSE(result.error.empty());
    EXPECT_EQ(onServer(), 3u);

    std::filesystem::create_directories(attach);
    retrieval.onStored = nullptr;
    const RetrievalResult again = retrieve(retrieval);
    EXPECT_TRUE(again.error.empty()) << again.error;
    ASSERT_EQ(again.messages.size(), 3u);
    EXPECT_TRUE(again.messages[0].duplicate);
    EXPECT_EQ(rows(), 3);
    EXPECT_EQ(onServer(), 0u);
}
