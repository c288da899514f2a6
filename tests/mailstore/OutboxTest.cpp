#include "mailstore/Outbox.h"

#include "data/Database.h"
#include "data/SqlDatabase.h"
#include "protocols/TmsSMTP.h"
#include "ScriptedPeer.h"
#include "TestServers.h"

#include <gtest/gtest.h>

using namespace pelmora::mailstore;
using pelmora::protocols::TmsSMTP;
using pelmora::test::PeerConnection;
using pelmora::test::ScriptedPeer;
using pelmora::test::TempDir;

namespace {

// A server that takes the whole message and then answers its end with `dataReply`, and then
// hangs up without waiting for the good-bye when `dropAtQuit`.
ScriptedPeer::Script server(std::string dataReply, bool dropAtQuit = false)
{
    return [dataReply, dropAtQuit](PeerConnection& connection, ScriptedPeer& self) {
        connection.send("220 ready\r\n");
        for (;;) {
            std::string line = self.expectLine(connection);
            if (connection.closed())
                return;
            if (line == "DATA") {
                connection.send("354 go on\r\n");
                connection.readUntil("\r\n.\r\n");
                connection.send(dataReply);
            } else if (line == "QUIT") {
                if (!dropAtQuit)
                    connection.send("221 bye\r\n");
                connection.close();
                return;
            } else {
                connection.send("250 ok\r\n");
            }
        }
    };
}

class OutboxTest : public pelmora::test::ServerSuite {
protected:
    static void SetUpTestSuite() { startServers("smtp"); }

    TempDir dir;
    std::shared_ptr<pelmora::data::Database> db = pelmora::data::Database::create(dir.path());

    Outbox outbox(const std::string& server)
    {
        MailAccount account;
        account.smtpServer = server;
        account.address = "me@here.test";
        account.timeOut = 20;
        return Outbox(*db, account);
    }
    std::vector<nlohmann::json> envelopes()
    {
        std::vector<nlohmann::json> found;
        for (const auto& entry : std::filesystem::directory_iterator(servers().smtpSpool()))
            if (entry.path().extension() != ".eml")
                found.push_back(nlohmann::json::parse(pelmora::test::readFile(entry.path())));
        return found;
    }
};

} // namespace

TEST_F(OutboxTest, AFailedSendStaysQueuedAndGoesOutOnceLater)
{
    Outbox down = outbox("127.0.0.1:" + std::to_string(pelmora::test::closedPort()));
    Draft draft { 3, "to@x.test", "cc1@x.test; cc2@x.test", "Hello", "text", {} };
    TmsSMTP smtp;
    down.account().configure(smtp);
    SendResult failed = down.send(draft, false, smtp);
    EXPECT_TRUE(failed.queued);
    EXPECT_FALSE(failed.error.empty());
    StoredMessage row = down.mailStore().load(failed.counter);
    EXPECT_TRUE(row.queue);
    EXPECT_EQ(row.status, kOutgoing);

    Outbox up = outbox(servers().server("smtp"));
    TmsSMTP working;
    up.account().configure(working);
    SendResult sent = up.sendStored(failed.counter, working);
    EXPECT_FALSE(sent.queued) << sent.error;
    EXPECT_EQ(sent.reply.substr(0, 3), "250");
    EXPECT_TRUE(up.mailStore().queued().empty());
    EXPECT_EQ(up.mailStore().load(failed.counter).dateCreated, row.dateCreated);
    auto found = envelopes();
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0]["rcpt_tos"], (nlohmann::json { "to@x.test", "cc1@x.test", "cc2@x.test" }));
}

TEST_F(OutboxTest, OnlyTheServersAcceptanceTakesAMessageOutOfTheQueue)
{
    Draft draft { 3, "to@x.test", "", "Hello", "text", {} };
    {
        ScriptedPeer refusing(server("554 no thanks\r\n"));
        Outbox box = outbox(refusing.server());
        TmsSMTP smtp;
        box.account().configure(smtp);
        SendResult result = box.send(draft, false, smtp);
        EXPECT_TRUE(result.queued);
        EXPECT_NE(result.error.find("554"), std::string::npos) << result.error;
        EXPECT_TRUE(box.mailStore().load(result.counter).queue);
    }
    {
        // Accepted, then the server vanished before the good-bye: the message is the server's,
        // and sending it again would deliver it twice.
        ScriptedPeer rude(server("250 taken\r\n", true));
        Outbox box = outbox(rude.server());
        TmsSMTP smtp;
        box.account().configure(smtp);
        SendResult result = box.send(draft, false, smtp);
        EXPECT_FALSE(result.queued) << result.error;
        EXPECT_EQ(result.reply, "250 taken");
        EXPECT_FALSE(box.mailStore().load(result.counter).queue);
    }
    {
        Outbox box = outbox("unused.invalid");
        TmsSMTP smtp;
        SendResult later = box.send(draft, true, smtp);
        EXPECT_TRUE(later.queued);
        EXPECT_TRUE(later.error.empty());
    }
}
