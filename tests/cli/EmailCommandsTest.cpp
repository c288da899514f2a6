#include "CommandHome.h"
#include "TestServers.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>

using pelmora::test::CommandHome;
using pelmora::test::readFile;
using pelmora::test::RunResult;
using pelmora::test::TempDir;
using pelmora::test::writeFile;

namespace {

class EmailCommandsTest : public pelmora::test::ServerSuite {
protected:
    static void SetUpTestSuite() { startServers("pop3 smtp"); }
    void SetUp() override
    {
        ServerSuite::SetUp();
        if (IsSkipped())
            return;
        ::setenv("PELMORA_USER", servers().user().c_str(), 1);
        ::setenv("PELMORA_PASSWORD", servers().password().c_str(), 1);
        for (const auto& entry : std::filesystem::directory_iterator(servers().smtpSpool()))
            std::filesystem::remove(entry.path());
        setSmtp(servers().server("smtp"));
        ASSERT_EQ(home.run({ "settings", "set", "EMail Address=me@here.test", "Sender Name=Zoë Me",
                               "Server=" + servers().server("pop3"), "CharSet=7" })
                      .exitCode,
            0);
        RunResult added = home.run({ "table", "add", "Contacts", "LName=Adams", "EMail=ann@x.test" });
        ASSERT_EQ(added.exitCode, 0) << added.err;
        contact = added.out.substr(0, added.out.find('\n'));
    }
    void TearDown() override
    {
        ::unsetenv("PELMORA_USER");
        ::unsetenv("PELMORA_PASSWORD");
    }

    void setSmtp(const std::string& server)
    {
        ASSERT_EQ(home.run({ "settings", "set", "SmtpServer=" + server }).exitCode, 0);
    }
    nlohmann::json emailRow(const std::string& counter)
    {
        RunResult rows = home.run({ "table", "list", "EMAIL", "--where", "Counter = " + counter });
        auto json = nlohmann::json::parse(rows.out);
        return json.empty() ? nlohmann::json() : json[0];
    }
    std::vector<std::string> delivered(const std::string& extension)
    {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::directory_iterator(servers().smtpSpool()))
            if ((entry.path().extension() == ".eml") == (extension == ".eml"))
                found.push_back(readFile(entry.path()));
        return found;
    }

    CommandHome home;
    TempDir files;
    std::string contact;
};

} // namespace

TEST_F(EmailCommandsTest, SendStoresTheMessageAndDeliversItWithCopiesAndFiles)
{
    writeFile(files / "a.bin", std::string("\x00\xff\x01 a", 5));
    writeFile(files / "b.txt", "bee\n");
    writeFile(files / "body.txt", "Dear Ann,\nhello.\n");
    RunResult sent = home.run({ "email", "send", "--contact", contact, "--to", "ann@x.test", "--subject", "Grüße",
        "--body-file", (files / "body.txt").string(), "--attach", (files / "a.bin").string(), "--attach",
        (files / "b.txt").string(), "--cc", "bob@x.test;carl@x.test", "--cc", "dora@x.test" });
    ASSERT_EQ(sent.exitCode, 0) << sent.err;
    auto result = nlohmann::json::parse(sent.out);
    EXPECT_FALSE(result["queued"].get<bool>());
    EXPECT_EQ(result["reply"].get<std::string>().substr(0, 3), "250");

    auto envelopes = delivered(".json");
    ASSERT_EQ(envelopes.size(), 1u);
    EXPECT_EQ(nlohmann::json::parse(envelopes[0])["rcpt_tos"],
        (nlohmann::json { "ann@x.test", "bob@x.test", "carl@x.test", "dora@x.test" }));
    std::string text = delivered(".eml").at(0);
    EXPECT_NE(text.find("a.bin"), std::string::npos);
    EXPECT_NE(text.find("AP8BIGE="), std::string::npos) << "the bytes of a.bin";
    EXPECT_NE(text.find("b.txt"), std::string::npos);
    // A stored CharSet past the list is used as the last choice.
    EXPECT_NE(text.find("charset=\"utf-8\""), std::string::npos) << text.substr(0, 600);

    auto row = emailRow(std::to_string(result["counter"].get<long>()));
    EXPECT_EQ(row["Queue"], false);
    EXPECT_EQ(row["Status"], 1);
    EXPECT_EQ(row["AttachNum"], 2);
    EXPECT_EQ(row["Subject"], "Grüße");
    EXPECT_EQ(row["Contact"].get<long>(), std::stol(contact));
    EXPECT_EQ(nlohmann::json::parse(home.run({ "settings" }).out)["CharSet"], 7) << "the stored value is kept";
}

TEST_F(EmailCommandsTest, AMessageTheServerDidNotTakeWaitsForSendQueued)
{
    setSmtp("127.0.0.1:1");
    RunResult failed = home.run({ "email", "send", "--contact", contact, "--to", "ann@x.test", "--subject", "later" });
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_FALSE(failed.err.empty());
    auto result = nlohmann::json::parse(failed.out);
    EXPECT_TRUE(result["queued"].get<bool>());
    const std::string counter = std::to_string(result["counter"].get<long>());
    EXPECT_EQ(emailRow(counter)["Queue"], true);

    RunResult kept
        = home.run({ "email", "send", "--contact", contact, "--to", "ann@x.test", "--subject", "kept", "--later" });
    ASSERT_EQ(kept.exitCode, 0) << kept.err;

    setSmtp(servers().server("smtp"));
    RunResult queued = home.run({ "email", "send-queued", "--contact", contact });
    ASSERT_EQ(queued.exitCode, 0) << queued.err;
    auto results = nlohmann::json::parse(queued.out);
    ASSERT_EQ(results.size(), 2u);
    EXPECT_FALSE(results[0]["queued"].get<bool>());
    EXPECT_EQ(emailRow(counter)["Queue"], false);
    EXPECT_EQ(delivered(".eml").size(), 2u);

    // Nothing is left, so a second run delivers nothing twice.
    RunResult again = home.run({ "email", "send-queued", "--all" });
    EXPECT_EQ(nlohmann::json::parse(again.out).size(), 0u);
    EXPECT_EQ(delivered(".eml").size(), 2u);
}

TEST_F(EmailCommandsTest, ALineBreakPlantedInAStoredAddressSendsNothing)
{
    RunResult kept
        = home.run({ "email", "send", "--contact", contact, "--to", "ann@x.test", "--subject", "s", "--later" });
    const std::string counter = std::to_string(nlohmann::json::parse(kept.out)["counter"].get<long>());
    ASSERT_EQ(home.run({ "table", "set", "EMAIL", counter, "ToEmail=ann@x.test>\r\nRCPT TO:<eve@x.test" }).exitCode, 0);
    RunResult queued = home.run({ "email", "send-queued", "--all" });
    EXPECT_EQ(queued.exitCode, 1);
    EXPECT_NE(queued.err.find("control character"), std::string::npos) << queued.err;
    EXPECT_TRUE(delivered(".eml").empty());
    EXPECT_EQ(emailRow(counter)["Queue"], true);

    RunResult check = home.run({ "email", "check" });
    EXPECT_EQ(check.exitCode, 0) << check.out;
    EXPECT_TRUE(delivered(".eml").empty());
}

TEST_F(EmailCommandsTest, RetrieveFileShowSaveAndDeleteReceivedMail)
{
    for (const char* sub : { "new", "cur" }) {
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(servers().maildir() / sub, error))
            std::filesystem::remove(entry.path());
    }
    servers().deliver("1.A.test",
        "From: Ann <ANN@x.test>\nSubject: report\nMessage-ID: <r@x>\nMIME-Version: 1.0\n"
        "Content-Type: multipart/mixed; boundary=b\n\n--b\nContent-Type: text/plain\n\nline one\nline two\n"
        "--b\nContent-Type: application/octet-stream; name=\"../r.bin\"\nContent-Transfer-Encoding: base64\n\n"
        "aGVsbG8=\n--b--\n");
    servers().deliver("2.B.test", "From: stranger@y.test\nSubject: hi\n\nbody\n");
    RunResult retrieved = home.run({ "email", "retrieve" });
    ASSERT_EQ(retrieved.exitCode, 0) << retrieved.err;
    auto messages = nlohmann::json::parse(retrieved.out);
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_EQ(messages[0]["subject"], "report");
    EXPECT_EQ(messages[0]["number"], 0);
    ASSERT_EQ(messages[0]["attachments"].size(), 1u);
    const std::string file = messages[0]["attachments"][0];
    EXPECT_EQ(std::filesystem::path(file).filename(), "r.bin");
    EXPECT_EQ(readFile(file), "hello");
    const std::string counter = std::to_string(messages[0]["counter"].get<std::int64_t>());

    EXPECT_EQ(nlohmann::json::parse(home.run({ "email", "list", "--inbox" }).out).size(), 2u);
    RunResult filed = home.run({ "email", "file-all" });
    EXPECT_EQ(nlohmann::json::parse(filed.out), nlohmann::json({ { "filed", 1 }, { "left", 1 } }));
    auto mine = nlohmann::json::parse(home.run({ "email", "list", "--contact", contact, "--status", "received" }).out);
    ASSERT_EQ(mine.size(), 1u);
    EXPECT_EQ(mine[0]["counter"].get<std::int64_t>(), messages[0]["counter"].get<std::int64_t>());
    EXPECT_EQ(home.run({ "email", "file", counter, "--to", "0" }).exitCode, 1);

    auto shown = nlohmann::json::parse(home.run({ "email", "show", counter }).out);
    EXPECT_EQ(shown["body"], "line one\nline two");
    const auto saved = files / "saved.txt";
    ASSERT_EQ(home.run({ "email", "save", counter, "--out", saved.string() }).exitCode, 0);
    EXPECT_TRUE(readFile(saved).ends_with("Content: \r\nline one\r\nline two\r\n"));
    EXPECT_NE(home.run({ "email", "save", counter, "--out", saved.string() }).exitCode, 0);
    EXPECT_EQ(nlohmann::json::parse(home.run({ "email", "attachments", counter }).out)[0]["exists"], true);

    ASSERT_EQ(home.run({ "email", "delete", counter }).exitCode, 0);
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(home.run({ "email", "show", counter }).exitCode, 1);
    EXPECT_EQ(nlohmann::json::parse(home.run({ "email", "list", "--all" }).out).size(), 1u);
}

TEST_F(EmailCommandsTest, ImportStoresEachMessageOnce)
{
    writeFile(files / "box", "From a@b Mon\nSubject: one\n\nx\nFrom c@d Tue\nSubject: two\n\ny\n");
    RunResult dry = home.run({ "email", "import", (files / "box").string(), "--format", "mbox", "--dry-run" });
    ASSERT_EQ(dry.exitCode, 0) << dry.err;
    EXPECT_EQ(nlohmann::json::parse(dry.out),
        nlohmann::json({ { "messages", 2 }, { "stored", 2 }, { "kept_whole", 0 }, { "skipped", 0 } }));
    EXPECT_EQ(nlohmann::json::parse(
                  home.run({ "email", "import", (files / "box").string(), "--format", "mbox" }).out)["stored"],
        2);
    EXPECT_EQ(nlohmann::json::parse(
                  home.run({ "email", "import", (files / "box").string(), "--format", "mbox" }).out)["skipped"],
        2);
    EXPECT_EQ(home.run({ "email", "import", (files / "missing").string(), "--format", "mbox" }).exitCode, 1);
    EXPECT_EQ(home.run({ "email", "import", (files / "box").string(), "--format", "pst" }).exitCode, 2);
}
