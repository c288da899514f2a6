#include "net/SocketErrors.h"
#include "protocols/DotStuffing.h"
#include "protocols/TmsSMTP.h"

#include "ScriptedPeer.h"
#include "TestServers.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>

using namespace pelmora::protocols;
using pelmora::net::ECanceledError;
using pelmora::net::ESocketError;
using pelmora::test::PeerConnection;
using pelmora::test::ScriptedPeer;
using pelmora::test::TempDir;

namespace {

const SmtpEnvelope envelope { "me@here.test", { "to@there.test", "cc@there.test", "bcc@there.test" } };

// A well-behaved server that records every command and the data as it arrived.
ScriptedPeer::Script acceptingServer(const std::string& greeting = "220 ready\r\n")
{
    return [greeting](PeerConnection& connection, ScriptedPeer& self) {
        connection.send(greeting);
        for (;;) {
            std::string line = self.expectLine(connection);
            if (connection.closed())
                return;
            if (line == "DATA") {
                connection.send("354 go on\r\n");
                self.record(connection.readUntil("\r\n.\r\n"));
                connection.send("250 2.0.0 queued as 42\r\n");
            } else if (line == "QUIT") {
                connection.send("221 bye\r\n");
                return;
            } else {
                connection.send("250 ok\r\n");
            }
        }
    };
}

std::filesystem::path spoolWith(const TempDir& dir, const std::string& text)
{
    auto path = dir / "spool.eml";
    pelmora::test::writeFile(path, text);
    return path;
}

} // namespace

TEST(DotStuffingTest, EveryLineStartingWithADotAcrossBlocks)
{
    DotStuffer stuffer;
    std::string out;
    stuffer.stuff(".a\r\nb\r", out);
    stuffer.stuff("\n.", out);
    stuffer.stuff(".\r\n.\r\n", out);
    EXPECT_EQ(out, "..a\r\nb\r\n...\r\n..\r\n");
    EXPECT_TRUE(stuffer.atLineStart());

    // Unstuffing gives back the text whatever way the reply is cut, and stops at the terminator.
    static const char wire[] = "..a\r\nb\r\n...\r\n\0x\r\n.\r\n+OK next";
    const std::string wireWithNul(wire, sizeof wire - 1);
    for (std::size_t cut = 0; cut <= wireWithNul.size(); ++cut) {
        DotUnstuffer unstuffer;
        std::string text;
        std::size_t used = unstuffer.feed(std::string_view(wireWithNul).substr(0, cut), text);
        if (!unstuffer.finished())
            used += unstuffer.feed(std::string_view(wireWithNul).substr(cut), text);
        ASSERT_TRUE(unstuffer.finished()) << cut;
        EXPECT_EQ(text, ".a\r\nb\r\n..\r\n x\r\n") << cut;
        EXPECT_EQ(wireWithNul.substr(used), "+OK next") << cut;
    }
}

TEST(SmtpTest, DialogueEnvelopeAndData)
{
    ScriptedPeer peer(acceptingServer("220-first\r\n220-second\r\n220 \r\n"));
    TempDir dir;
    TmsSMTP smtp;
    smtp.Server = peer.server();
    std::vector<std::string> events;
    smtp.OnError = [&](pelmora::net::TagSocket&, std::string& msg) { events.push_back("error " + msg); };
    smtp.OnMailSent = [&](TmsSMTP&) { events.push_back("sent"); };
    std::string reply = smtp.SendSpool(envelope, spoolWith(dir, "Subject: x\r\n\r\n.\r\n.dot\r\nlast\r\n"));
    EXPECT_EQ(reply, "250 2.0.0 queued as 42");
    peer.join();
    EXPECT_EQ(peer.received(),
        (std::vector<std::string> { "HELO " + smtp.LocalHostName, "MAIL FROM:<me@here.test>", "RCPT TO:<to@there.test>",
            "RCPT TO:<cc@there.test>", "RCPT TO:<bcc@there.test>", "DATA",
            "Subject: x\r\n\r\n..\r\n..dot\r\nlast\r\n.\r\n", "QUIT" }));
    EXPECT_EQ(events, std::vector<std::string> { "sent" });
}

TEST(SmtpTest, LongAddressesGoWhole)
{
    // A domain of five labels of 60 letters: 320 characters, as long as an address is stored.
    std::string domain;
    for (int label = 0; label < 5; ++label)
        domain += std::string(60, char('a' + label)) + ".";
    domain += "test";
    const std::string longAddress = std::string(10, 'x') + "@" + domain;
    ScriptedPeer peer(acceptingServer("220 ready\r\n"));
    TempDir dir;
    TmsSMTP smtp;
    smtp.Server = peer.server();
    SmtpEnvelope longEnvelope { longAddress, { "to@there.test", longAddress } };
    EXPECT_EQ(smtp.SendSpool(longEnvelope, spoolWith(dir, "Subject: x\r\n\r\nbody\r\n")), "250 2.0.0 queued as 42");
    peer.join();
    const std::vector<std::string>& received = peer.received();
    ASSERT_GE(received.size(), 4u);
    EXPECT_EQ(received[1], "MAIL FROM:<" + longAddress + ">");
    EXPECT_EQ(received[3], "RCPT TO:<" + longAddress + ">");
}

TEST(SmtpTest, RejectedHeloNameFallsBackQuietly)
{
    ScriptedPeer peer([](PeerConnection& connection, ScriptedPeer& self) {
        connection.send("220 ready\r\n");
        self.expectLine(connection);
        connection.send("501 bad name\r\n");
        acceptingServer("")(connection, self);
    });
    TempDir dir;
    TmsSMTP smtp;
    smtp.Server = peer.server();
    int errors = 0;
    smtp.OnError = [&](pelmora::net::TagSocket&, std::string&) { ++errors; };
    smtp.SendSpool({ "a@b", { "c@d" } }, spoolWith(dir, "x\r\n"));
    peer.join();
    EXPECT_EQ(peer.received().at(1), "HELO");
    EXPECT_EQ(errors, 0);
}

TEST(SmtpTest, RejectionsFailWithTheReplyAndStillSayQuit)
{
    for (const std::string rejected : { "RCPT", "DATA" }) {
        ScriptedPeer peer([rejected](PeerConnection& connection, ScriptedPeer& self) {
            connection.send("220 ready\r\n");
            for (;;) {
                std::string line = self.expectLine(connection);
                if (connection.closed())
                    return;
                if (line.rfind(rejected, 0) == 0)
                    connection.send("554 5.7.1 no thanks\r\n");
                else if (line == "QUIT")
                    return connection.send("221 bye\r\n");
                else
                    connection.send("250 ok\r\n");
            }
        });
        TempDir dir;
        TmsSMTP smtp;
        smtp.Server = peer.server();
        bool sent = false;
        smtp.OnMailSent = [&](TmsSMTP&) { sent = true; };
        try {
            smtp.SendSpool({ "a@b", { "c@d" } }, spoolWith(dir, "x\r\n"));
            ADD_FAILURE() << "rejection not reported";
        } catch (const ESocketError& error) {
            EXPECT_STREQ(error.what(), "554 5.7.1 no thanks");
        }
        peer.join();
        EXPECT_EQ(peer.received().back(), "QUIT");
        EXPECT_TRUE(sent);
        EXPECT_FALSE(smtp.Connected());
    }
}

TEST(SmtpTest, ProgressByBlocksAndUnansweredDataIsNoSuccess)
{
    ScriptedPeer peer(acceptingServer());
    TempDir dir;
    TmsSMTP smtp;
    smtp.Server = peer.server();
    std::vector<int> progress;
    smtp.OnProgress = [&](TmsSMTP&, int percent) { progress.push_back(percent); };
    smtp.SendSpool({ "a@b", { "c@d" } }, spoolWith(dir, std::string(4998, 'x') + "\r\n"));
    EXPECT_EQ(progress, (std::vector<int> { 41, 82, 100, 0, 0 }));

    ScriptedPeer hangsUp([](PeerConnection& connection, ScriptedPeer& self) {
        connection.send("220 ready\r\n");
        while (self.expectLine(connection) != "DATA")
            connection.send("250 ok\r\n");
        connection.send("354 go on\r\n");
        connection.readUntil("\r\n.\r\n");
        connection.close();
    });
    smtp.Server = hangsUp.server();
    EXPECT_THROW(smtp.SendSpool({ "a@b", { "c@d" } }, spoolWith(dir, "x\r\n")), ESocketError);
}

// The cancel must wake the blocked write itself. Were the wake lost, the send would end only
// when the peer's stall ends (over a second after the cancel); 750 ms leaves a loaded machine
// room to schedule the woken thread late and still tells the two apart.
TEST(SmtpTest, CancelDuringDataEndsTheWriteAtOnce)
{
    ScriptedPeer peer([](PeerConnection& connection, ScriptedPeer& self) {
        connection.send("220 ready\r\n");
        while (self.expectLine(connection) != "DATA" && !connection.closed())
            connection.send("250 ok\r\n");
        connection.send("354 go on\r\n");
        connection.stall(1500); // the text fills the buffers and the client waits
    });
    TempDir dir;
    auto spool = spoolWith(dir, std::string(32 << 20, 'x'));
    TmsSMTP smtp;
    smtp.Server = peer.server();
    std::mutex progressMutex; // the cancel reports its 0 from the canceling thread
    std::vector<int> progress;
    std::atomic<bool> sending { false };
    smtp.OnProgress = [&](TmsSMTP&, int percent) {
        std::lock_guard lock(progressMutex);
        progress.push_back(percent);
        sending = true;
    };
    std::atomic<std::chrono::steady_clock::time_point> canceledAt { std::chrono::steady_clock::time_point::max() };
    std::thread canceler([&] {
        for (int i = 0; i < 500 && !sending; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        canceledAt = std::chrono::steady_clock::now();
        smtp.Cancel();
    });
    EXPECT_THROW(smtp.SendSpool({ "a@b", { "c@d" } }, spool), ECanceledError);
    auto late = std::chrono::steady_clock::now() - canceledAt.load();
    canceler.join();
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(late).count(), 750);
    std::lock_guard lock(progressMutex);
    EXPECT_EQ(progress.back(), 0);
    EXPECT_FALSE(smtp.Connected());
}

TEST(SmtpTest, MessageChecksComeAfterSignOnAndStillEndWithQuit)
{
    ScriptedPeer peer(acceptingServer(), 2);
    TmsSMTP smtp;
    smtp.Server = peer.server();
    try {
        smtp.Send();
        ADD_FAILURE() << "sent without a message";
    } catch (const ESocketError& error) {
        EXPECT_STREQ(error.what(), "MailMessage property must be assigned");
    }
    pelmora::mail::TmsMessage message;
    message.Recipients.Add("to@x.test", "");
    smtp.MailMessage = &message;
    try {
        smtp.Send();
        ADD_FAILURE() << "sent without a sender";
    } catch (const pelmora::Error& error) {
        EXPECT_STREQ(error.what(), "The address of sender is required");
    }
    peer.join();
    auto received = peer.received();
    EXPECT_EQ(std::count(received.begin(), received.end(), "QUIT"), 2);
    EXPECT_EQ(std::count_if(
                  received.begin(), received.end(), [](const std::string& line) { return line.rfind("MAIL", 0) == 0; }),
        0);
}

TEST(SmtpTest, SilentServerTimesOutAndBareCodeEndsAReply)
{
    ScriptedPeer silent([](PeerConnection& connection, ScriptedPeer&) { connection.stall(1500); });
    TmsSMTP smtp;
    smtp.Server = silent.server();
    smtp.TimeOut = 1;
    EXPECT_THROW(smtp.SendSpool({ "a@b", { "c@d" } }, "/nonexistent"), pelmora::net::ETimedOutError);
    EXPECT_FALSE(smtp.Connected());

    ScriptedPeer terse([](PeerConnection& connection, ScriptedPeer& self) {
        connection.send("220\r\n");
        for (std::string line; (line = self.expectLine(connection)) != "DATA" && !connection.closed();)
            connection.send("250 \r\n");
        connection.send("354\r\n");
        connection.readUntil("\r\n.\r\n");
        connection.send("250\r\n");
        self.expectLine(connection);
        connection.send("221\r\n");
    });
    TempDir dir;
    smtp.Server = terse.server();
    EXPECT_EQ(smtp.SendSpool({ "a@b", { "c@d" } }, spoolWith(dir, "x\r\n")), "250");
}

TEST(SmtpTest, EndlessReplyIsCutOff)
{
    ScriptedPeer peer([](PeerConnection& connection, ScriptedPeer&) {
        std::string lines;
        for (std::size_t i = 0; i <= TmsSMTP::MaxReplyLines; ++i)
            lines += "220-more\r\n";
        connection.send(lines);
        connection.stall(300);
    });
    TmsSMTP smtp;
    smtp.Server = peer.server();
    try {
        smtp.SendSpool({ "a@b", { "c@d" } }, "/nonexistent");
        FAIL() << "an endless reply was accepted";
    } catch (const ESocketError& error) {
        EXPECT_STREQ(error.what(), "The server's reply goes on for more than 1000 lines");
    }
}

TEST(SmtpTest, RefusedConnectionReportsOneError)
{
    TmsSMTP smtp;
    smtp.Server = "127.0.0.1:" + std::to_string(pelmora::test::closedPort());
    std::vector<std::string> errors;
    smtp.OnError = [&](pelmora::net::TagSocket&, std::string& msg) { errors.push_back(msg); };
    EXPECT_THROW(smtp.SendSpool({ "a@b", { "c@d" } }, "/nonexistent"), ESocketError);
    EXPECT_EQ(errors, std::vector<std::string> { "[10061] Connection refused" });
    EXPECT_FALSE(smtp.Connected());
}

// The settings hold only "host:port", so the port alone decides how the mail goes; a choice made
// in code wins over it.
TEST(SmtpTest, ThePortDecidesTheSignOn)
{
    EXPECT_EQ(effectiveSecurity(MailSecurity::Auto, 25), MailSecurity::Plain);
    EXPECT_EQ(effectiveSecurity(MailSecurity::Auto, 2525), MailSecurity::Plain);
    EXPECT_EQ(effectiveSecurity(MailSecurity::Auto, 587), MailSecurity::StartTls);
    EXPECT_EQ(effectiveSecurity(MailSecurity::Auto, 465), MailSecurity::Implicit);
    EXPECT_EQ(effectiveSecurity(MailSecurity::Plain, 587), MailSecurity::Plain);
    EXPECT_EQ(effectiveSecurity(MailSecurity::StartTls, 25), MailSecurity::StartTls);
}

// A server in the middle that strips STARTTLS from the reply must not get the password or the
// mail in clear text; the good-bye is still said.
TEST(SmtpTest, ASubmissionServerWithoutStartTlsGetsNothingInClear)
{
    ScriptedPeer peer([](PeerConnection& connection, ScriptedPeer& self) {
        connection.send("220 ready\r\n");
        for (;;) {
            std::string line = self.expectLine(connection);
            if (connection.closed() || line == "QUIT")
                return connection.send("221 bye\r\n");
            connection.send(
                line.rfind("EHLO", 0) == 0 ? "250-here\r\n250-AUTH PLAIN LOGIN\r\n250 SIZE 1000\r\n" : "250 ok\r\n");
        }
    });
    TempDir dir;
    TmsSMTP smtp;
    smtp.Security = MailSecurity::StartTls;
    smtp.Server = peer.server();
    smtp.UserName = "user";
    smtp.Password = "password";
    EXPECT_THROW(smtp.SendSpool(envelope, spoolWith(dir, "secret\r\n")), ESocketError);
    peer.join();
    EXPECT_EQ(peer.received(), (std::vector<std::string> { "EHLO " + smtp.LocalHostName, "QUIT" }));
}

// The end of data must come on a line of its own after a CR LF, whatever the text ends with:
// no line break, a bare CR or LF, a line cut at a block's end, or a line break split over two blocks.
TEST(SmtpTest, TheEndOfDataFollowsACrLfWhateverTheTextEndsWith)
{
    const std::string full(TmsSMTP::BlockSize, 'b');
    const std::string splitBreak = std::string(TmsSMTP::BlockSize - 1, 's') + "\r\n";
    struct Case {
        std::string text;
        std::string sent;
    };
    for (const Case& c : { Case { "no break", "no break\r\n.\r\n" }, Case { "lf only\n", "lf only\n\r\n.\r\n" },
             Case { "cr only\r", "cr only\r\r\n.\r\n" }, Case { "line\r\n", "line\r\n.\r\n" },
             Case { full, full + "\r\n.\r\n" }, Case { splitBreak, splitBreak + ".\r\n" } }) {
        SCOPED_TRACE(c.text.substr(0, 10));
        ScriptedPeer peer(acceptingServer());
        TempDir dir;
        TmsSMTP smtp;
        smtp.Server = peer.server();
        smtp.TimeOut = 5;
        EXPECT_EQ(smtp.SendSpool({ "a@b", { "c@d" } }, spoolWith(dir, c.text)), "250 2.0.0 queued as 42");
        peer.join();
        std::vector<std::string> received = peer.received();
        ASSERT_GE(received.size(), 5u);
        EXPECT_EQ(received.at(4), c.sent);
    }
}

TEST(SmtpTest, AddressesThatWouldBreakTheCommandLineAreRefusedBeforeConnecting)
{
    // Nothing listens on the port: a client that connected at all would fail with 10061 instead.
    const std::string server = "127.0.0.1:" + std::to_string(pelmora::test::closedPort());
    const std::string injected = "b@x.com>\r\nRCPT TO:<evil@x.com";
    for (const std::string& bad : { injected, std::string("b@x.com\n"), std::string("b@x\0.com", 8),
             std::string("b@x.com\x7f"), std::string("b\t@x.com"), std::string("b@x.com>"), std::string("<b@x.com") }) {
        for (bool asSender : { false, true }) {
            TmsSMTP smtp;
            smtp.Server = server;
            std::vector<std::string> errors;
            smtp.OnError = [&](pelmora::net::TagSocket&, std::string& msg) { errors.push_back(msg); };
            SmtpEnvelope bent = asSender ? SmtpEnvelope { bad, { "c@d" } } : SmtpEnvelope { "a@b", { "c@d", bad } };
            EXPECT_THROW(smtp.SendSpool(bent, "/nonexistent"), ESocketError);
            // A stored address goes through the same check when the message is composed here.
            pelmora::mail::TmsMessage message;
            message.Sender = pelmora::mail::TmsMailAddress(asSender ? bad : "a@b", "");
            message.BCC.Add(asSender ? "c@d" : bad, "");
            smtp.MailMessage = &message;
            EXPECT_THROW(smtp.Send(), ESocketError);
            ASSERT_EQ(errors.size(), 2u);
            EXPECT_NE(errors[0].find("nothing was sent"), std::string::npos) << errors[0];
            EXPECT_EQ(errors[0].find('\n'), std::string::npos) << "the error text itself must not break lines";
        }
    }
    TmsSMTP smtp;
    smtp.Server = server;
    try {
        smtp.SendSpool({ "a@x.com", { injected } }, "/nonexistent");
    } catch (const ESocketError& error) {
        EXPECT_STREQ(error.what(),
            "The address \"b@x.com>\\r\\nRCPT TO:<evil@x.com\" holds a line break or another control character; "
            "nothing was sent");
    }
}

TEST(SmtpTest, ServerOutOfStepIsNeverTakenForSuccess)
{
    // A server answering one RCPT twice, the second answer at once or a moment later: the client
    // must not read the spare answer as the reply to DATA, nor 354 as the end of data's.
    for (int delay : { 0, 100 }) {
        ScriptedPeer peer([delay](PeerConnection& connection, ScriptedPeer& self) {
            connection.send("220 ready\r\n");
            for (;;) {
                std::string line = self.expectLine(connection);
                if (connection.closed())
                    return;
                if (line.rfind("RCPT", 0) == 0) {
                    connection.send(delay ? "250 ok\r\n" : "250 ok\r\n250 ok\r\n");
                    if (delay) {
                        connection.stall(delay);
                        connection.send("250 ok\r\n");
                    }
                } else if (line == "DATA") {
                    connection.send("354 go ahead\r\n");
                    self.record(connection.readUntil("\r\n.\r\n"));
                    connection.send("250 queued\r\n");
                } else if (line == "QUIT") {
                    return connection.send("221 bye\r\n");
                } else {
                    connection.send("250 ok\r\n");
                }
            }
        });
        TempDir dir;
        TmsSMTP smtp;
        smtp.Server = peer.server();
        try {
            smtp.SendSpool({ "a@b", { "c@d" } }, spoolWith(dir, "x\r\n"));
            ADD_FAILURE() << "a server out of step passed as a delivery (delay " << delay << ")";
        } catch (const ESocketError& error) {
            EXPECT_NE(std::string(error.what()).find("DATA"), std::string::npos) << error.what();
        }
        peer.join();
        auto received = peer.received();
        EXPECT_EQ(std::find(received.begin(), received.end(), "x\r\n.\r\n"), received.end()) << "text sent";
        EXPECT_FALSE(smtp.Connected());
    }

    // A 354 to the end of data is no delivery either, nor a 250 where the data should start.
    for (const std::string& wrong : { std::string("end"), std::string("start") }) {
        ScriptedPeer peer([wrong](PeerConnection& connection, ScriptedPeer& self) {
            connection.send("220 ready\r\n");
            while (self.expectLine(connection) != "DATA" && !connection.closed())
                connection.send("250 ok\r\n");
            if (wrong == "start")
                return connection.send("250 ok\r\n");
            connection.send("354 go ahead\r\n");
            connection.readUntil("\r\n.\r\n");
            connection.send("354 go ahead\r\n");
            self.expectLine(connection);
        });
        TempDir dir;
        TmsSMTP smtp;
        smtp.Server = peer.server();
        try {
            smtp.SendSpool({ "a@b", { "c@d" } }, spoolWith(dir, "x\r\n"));
            ADD_FAILURE() << "wrong reply at the " << wrong << " of data passed";
        } catch (const ESocketError& error) {
            EXPECT_STREQ(error.what(),
                wrong == "end" ? "Unexpected reply to the end of data: 354 go ahead"
                               : "Unexpected reply to DATA: 250 ok");
        }
        peer.join();
    }
}

TEST(SmtpTest, TextBeforeTheTlsHandshakeIsRefused)
{
    // Whoever sits on the line can append a reply to "220 go ahead" in clear; read after the
    // handshake it would pass for the protected server's answer.
    ScriptedPeer peer([](PeerConnection& connection, ScriptedPeer& self) {
        connection.send("220 ready\r\n");
        self.expectLine(connection);
        connection.send("250-here\r\n250 STARTTLS\r\n");
        self.expectLine(connection);
        connection.send("220 go ahead\r\n250 injected\r\n");
        connection.stall(300);
    });
    TmsSMTP smtp;
    smtp.Server = peer.server();
    smtp.Security = MailSecurity::StartTls;
    smtp.UserName = "user"; // the submission port takes no mail without one
    smtp.Password = "password";
    try {
        smtp.SendSpool({ "a@b", { "c@d" } }, "/nonexistent");
        ADD_FAILURE() << "plain text before the handshake was accepted";
    } catch (const ESocketError& error) {
        EXPECT_STREQ(error.what(), "The server sent more text before the TLS handshake");
    }
    peer.join();
    EXPECT_FALSE(smtp.Connected());
}
