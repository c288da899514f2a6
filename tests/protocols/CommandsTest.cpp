#include "ScriptedPeer.h"
#include "TestServers.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>

using pelmora::test::readFile;
using pelmora::test::runPelmora;
using pelmora::test::TempDir;
using pelmora::test::TestServers;
using pelmora::test::writeFile;

class CommandsTest : public pelmora::test::ServerSuite {
protected:
    static void SetUpTestSuite() { startServers("pop3 smtp http"); }
    void SetUp() override
    {
        ServerSuite::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        ::setenv("PELMORA_USER", servers().user().c_str(), 1);
        ::setenv("PELMORA_PASSWORD", servers().password().c_str(), 1);
    }
    void TearDown() override
    {
        ::unsetenv("PELMORA_USER");
        ::unsetenv("PELMORA_PASSWORD");
    }
};

TEST_F(CommandsTest, SmtpSendDeliversToEveryRecipient)
{
    TempDir dir;
    writeFile(dir / "body.txt", "Hello,\n.\n.leading dot\nbye\n");
    writeFile(dir / "notes.bin", std::string("\x00\x01\x02 binary", 10));
    auto result = runPelmora({ "smtp", "send", "--server", servers().server("smtp"), "--from", "me@here.test",
        "--from-name", "Me", "--to", "to@x.test", "--cc", "cc@x.test", "--bcc", "bcc@x.test", "--subject", "Greetings",
        "--body-file", (dir / "body.txt").string(), "--attach", (dir / "notes.bin").string(), "--log",
        (dir / "smtp.log").string() });
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out.substr(0, 3), "250");
    std::string text;
    nlohmann::json envelope;
    for (const auto& entry : std::filesystem::directory_iterator(servers().smtpSpool())) {
        if (entry.path().extension() == ".eml")
            text = readFile(entry.path());
        else
            envelope = nlohmann::json::parse(readFile(entry.path()));
    }
    EXPECT_EQ(envelope["rcpt_tos"], (nlohmann::json { "to@x.test", "cc@x.test", "bcc@x.test" }));
    EXPECT_NE(text.find("\r\n.\r\n.leading dot\r\nbye\r\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("bcc@x.test"), std::string::npos);
    EXPECT_NE(text.find("notes.bin"), std::string::npos);
    std::string log = readFile(dir / "smtp.log");
    EXPECT_NE(log.find("Suppressing the message body"), std::string::npos);
    EXPECT_EQ(log.find("leading dot"), std::string::npos);
}

TEST_F(CommandsTest, Pop3RetrieveStoresEveryMessageAndNumbersOn)
{
    servers().deliver("1.M1.cli", "From: Ann <ann@x.test>\nSubject: first\n\nhello\n");
    servers().deliver("2.M2.cli", "From: bob@x.test\nSubject: never ends\nX-Broken: yes\n");
    TempDir dir;
    auto result
        = runPelmora({ "pop3", "retrieve", "--server", servers().server("pop3"), "--out", dir.path().string() });
    ASSERT_EQ(result.exitCode, 0) << result.err;
    auto report = nlohmann::json::parse(result.out);
    ASSERT_EQ(report.size(), 2u) << result.out;
    EXPECT_EQ(report[0]["subject"], "first");
    EXPECT_EQ(report[0]["sender"], "ann@x.test");
    EXPECT_EQ(report[0]["file"], "1.eml");
    EXPECT_EQ(readFile(dir / "1.eml"), "From: Ann <ann@x.test>\r\nSubject: first\r\n\r\nhello\r\n");
    // A message of headers alone is read as one.
    EXPECT_EQ(report[1]["subject"], "never ends");
    EXPECT_EQ(report[1]["attachments"], 0);
    EXPECT_EQ(readFile(dir / "2.eml"), "From: bob@x.test\r\nSubject: never ends\r\nX-Broken: yes\r\n");
    EXPECT_TRUE(std::filesystem::is_empty(servers().maildir() / "new"));
    EXPECT_TRUE(std::filesystem::is_empty(servers().maildir() / "cur"));

    servers().deliver("3.M3.cli", "Subject: later\n\nx\n");
    result = runPelmora({ "pop3", "retrieve", "--server", servers().server("pop3"), "--out", dir.path().string() });
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(nlohmann::json::parse(result.out)[0]["file"], "3.eml");
    EXPECT_EQ(readFile(dir / "1.eml").substr(0, 5), "From:");
}

TEST_F(CommandsTest, HttpGetSavesTheBodyAndPrintsHeaders)
{
    writeFile(servers().webRoot() / "page.htm", "<p>page</p>");
    TempDir dir;
    std::string url = "http://" + servers().server("http") + "/page.htm";
    auto result = runPelmora({ "http", "get", url, "--out", (dir / "page.htm").string() });
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(readFile(dir / "page.htm"), "<p>page</p>");
    EXPECT_EQ(result.out.substr(0, 15), "HTTP/1.1 200 OK");

    for (const std::string path : { "/missing.htm", "/broken" }) {
        result = runPelmora(
            { "http", "get", "http://" + servers().server("http") + path, "--out", (dir / "error.htm").string() });
        EXPECT_EQ(result.exitCode, 1) << path;
        EXPECT_NE(result.err.find(path == "/broken" ? "HTTP/1.1 500" : "HTTP/1.1 404"), std::string::npos)
            << result.err;
        EXPECT_FALSE(std::filesystem::exists(dir / "error.htm")) << path;
        EXPECT_FALSE(std::filesystem::exists(dir / "error.htm.part")) << path;
    }

    result = runPelmora({ "http", "get", "ftp://x/", "--out", (dir / "other").string() });
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Invalid URL\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "other"));

    result
        = runPelmora({ "smtp", "send", "--server", "127.0.0.1:1", "--from", "a@b", "--to", "c@d", "--subject", "s" });
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "[10061] Connection refused\n");
}

TEST_F(CommandsTest, Pop3MessageThatCannotBeStoredStaysOnTheServer)
{
    servers().deliver("1.M1.keep", "Subject: keep me\n\nsafe\n");
    TempDir dir;
    std::filesystem::create_directory(dir / "1.eml.part"); // the file cannot be written
    auto result
        = runPelmora({ "pop3", "retrieve", "--server", servers().server("pop3"), "--out", dir.path().string() });
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("Message 1 kept on the server: Cannot write"), std::string::npos) << result.err;
    EXPECT_EQ(nlohmann::json::parse(result.out).size(), 0u);

    std::filesystem::remove(dir / "1.eml.part");
    result = runPelmora({ "pop3", "retrieve", "--server", servers().server("pop3"), "--out", dir.path().string() });
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(readFile(dir / "1.eml"), "Subject: keep me\r\n\r\nsafe\r\n");
}

using pelmora::test::PeerConnection;
using pelmora::test::ScriptedPeer;

TEST(CommandsFaultTest, InjectedAddressIsRefusedBeforeAnythingIsSent)
{
    // Nothing listens there: a client that tried to connect would report 10061 instead.
    std::string server = "127.0.0.1:" + std::to_string(pelmora::test::closedPort());
    auto result = runPelmora({ "smtp", "send", "--server", server, "--from", "a@x.com", "--to",
        "b@x.com>\r\nRCPT TO:<evil@x.com", "--subject", "s" });
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err,
        "The address \"b@x.com>\\r\\nRCPT TO:<evil@x.com\" holds a line break or another control character; "
        "nothing was sent\n");
}

TEST(CommandsFaultTest, AbortedRetrievalStillReportsWhatWasSaved)
{
    // The first message is saved and deleted, then the server stops answering.
    ScriptedPeer popPeer([](PeerConnection& connection, ScriptedPeer& self) {
        connection.send("+OK ready\r\n");
        for (std::string reply :
            { "+OK", "+OK", "+OK 2 100", "+OK\r\n1 20\r\n2 20\r\n.", "+OK\r\nSubject: first\r\n\r\nx\r\n.", "+OK" }) {
            self.expectLine(connection);
            connection.send(reply + "\r\n");
        }
        self.expectLine(connection);
        connection.stall(2500);
    });
    ::setenv("PELMORA_USER", "u", 1);
    ::setenv("PELMORA_PASSWORD", "p", 1);
    TempDir dir;
    auto result = runPelmora(
        { "pop3", "retrieve", "--server", popPeer.server(), "--timeout", "1", "--out", dir.path().string() });
    ::unsetenv("PELMORA_USER");
    ::unsetenv("PELMORA_PASSWORD");
    popPeer.join();
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "Operation timed out\n");
    auto report = nlohmann::json::parse(result.out);
    ASSERT_EQ(report.size(), 1u) << result.out;
    EXPECT_EQ(report[0]["subject"], "first");
    EXPECT_EQ(readFile(dir / "1.eml"), "Subject: first\r\n\r\nx\r\n");
}
