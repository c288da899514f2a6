#include "net/SocketErrors.h"
#include "protocols/TmsSMTP.h"

#include "TestServers.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace pelmora::protocols;
using pelmora::test::TempDir;
using pelmora::test::TestServers;

namespace {

// What the server stored: the one message and its envelope.
struct Stored {
    std::string text;
    nlohmann::json envelope;
};

} // namespace

class SmtpServerTest : public pelmora::test::ServerSuite {
protected:
    static void SetUpTestSuite() { startServers("smtp"); }
    void SetUp() override
    {
        ServerSuite::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        for (const auto& entry : std::filesystem::directory_iterator(servers().smtpSpool()))
            std::filesystem::remove(entry.path());
    }
    Stored stored() const
    {
        Stored result;
        for (const auto& entry : std::filesystem::directory_iterator(servers().smtpSpool())) {
            if (entry.path().extension() == ".eml")
                result.text = pelmora::test::readFile(entry.path());
            else if (entry.path().extension() == ".json")
                result.envelope = nlohmann::json::parse(pelmora::test::readFile(entry.path()));
        }
        return result;
    }
    std::string send(TmsSMTP& smtp, const std::string& text, const SmtpEnvelope& envelope)
    {
        TempDir dir;
        pelmora::test::writeFile(dir / "spool.eml", text);
        return smtp.SendSpool(envelope, dir / "spool.eml");
    }
};

TEST_F(SmtpServerTest, PlainDeliveryArrivesByteForByte)
{
    const std::string text = "From: me@here.test\r\nSubject: dots\r\n\r\n.\r\n..\r\n.leading\r\nend\r\n";
    TmsSMTP smtp;
    smtp.Server = servers().server("smtp");
    std::string reply = send(smtp, text, { "me@here.test", { "to@x.test", "cc@x.test", "bcc@x.test" } });
    EXPECT_EQ(reply.substr(0, 3), "250");
    Stored got = stored();
    EXPECT_EQ(got.text, text);
    EXPECT_EQ(got.envelope["mail_from"], "me@here.test");
    EXPECT_EQ(got.envelope["rcpt_tos"], (nlohmann::json { "to@x.test", "cc@x.test", "bcc@x.test" }));
}

TEST_F(SmtpServerTest, StartTlsWithAuthAndImplicitTls)
{
    pelmora::test::TrustedStore store(servers().caFile());
    TempDir logs;
    for (MailSecurity security : { MailSecurity::StartTls, MailSecurity::Implicit }) {
        SetUp();
        TmsSMTP smtp;
        smtp.Security = security;
        smtp.Server = servers().server("smtp", security == MailSecurity::StartTls ? "starttls_port" : "tls_port");
        smtp.UserName = servers().user();
        smtp.Password = servers().password();
        smtp.LogFileName = (logs / "smtp.log").string();
        send(smtp, "Subject: tls\r\n\r\nsecret body\r\n", { "me@here.test", { "to@x.test" } });
        EXPECT_EQ(stored().text, "Subject: tls\r\n\r\nsecret body\r\n");
        smtp.SaveTranscript();
        std::string transcript = pelmora::test::readFile(logs / "smtp.log");
        EXPECT_EQ(transcript.find("secret body"), std::string::npos);
        EXPECT_NE(transcript.find("AUTH PLAIN ****"), std::string::npos) << transcript;
        EXPECT_EQ(transcript.find("czNjcmV0"), std::string::npos); // no part of the encoded password
    }
}

TEST_F(SmtpServerTest, WrongPasswordAndUntrustedCertificateAreRefused)
{
    TmsSMTP smtp;
    smtp.Security = MailSecurity::StartTls;
    smtp.Server = servers().server("smtp", "starttls_port");
    smtp.UserName = servers().user();
    smtp.Password = "wrong";
    {
        pelmora::test::TrustedStore store(servers().caFile());
        try {
            send(smtp, "x\r\n", { "a@b.test", { "c@d.test" } });
            FAIL() << "a wrong password was accepted";
        } catch (const pelmora::net::ESocketError& error) {
            EXPECT_EQ(std::string(error.what()).substr(0, 3), "535");
        }
    }
    pelmora::test::TrustedStore none("");
    try {
        send(smtp, "x\r\n", { "a@b.test", { "c@d.test" } });
        FAIL() << "an untrusted certificate was accepted";
    } catch (const pelmora::net::ESocketError& error) {
        EXPECT_NE(std::string(error.what()).find("not trusted"), std::string::npos) << error.what();
    }
    EXPECT_TRUE(stored().text.empty());
}

// On the submission ports the mail goes only over TLS and after a sign-on: a server that offers
// no STARTTLS, no AUTH, or only mechanisms this client does not know is refused with a clear
// error before the envelope, and the servers (which would take the mail) store nothing.
TEST_F(SmtpServerTest, SubmissionServersThatCanNotSignOnGetNoMail)
{
    pelmora::test::TrustedStore store(servers().caFile());
    struct Case {
        MailSecurity security;
        const char* port;
        const char* error;
    };
    for (const Case& c : { Case { MailSecurity::StartTls, "port", "does not offer STARTTLS" },
             Case { MailSecurity::StartTls, "starttls_noauth_port", "offers no sign-on (AUTH)" },
             Case { MailSecurity::StartTls, "starttls_foreign_port", "no sign-on method this program knows" },
             Case { MailSecurity::Implicit, "tls_noauth_port", "offers no sign-on (AUTH)" },
             Case { MailSecurity::Implicit, "tls_foreign_port", "no sign-on method this program knows" } }) {
        SCOPED_TRACE(c.port);
        TempDir logs;
        TmsSMTP smtp;
        smtp.Security = c.security;
        smtp.Server = servers().server("smtp", c.port);
        smtp.UserName = servers().user();
        smtp.Password = servers().password();
        smtp.LogFileName = (logs / "smtp.log").string();
        try {
            send(smtp, "Subject: kept back\r\n\r\nbody\r\n", { "me@here.test", { "to@x.test" } });
            ADD_FAILURE() << "the mail went out";
        } catch (const pelmora::net::ESocketError& error) {
            EXPECT_NE(std::string(error.what()).find(c.error), std::string::npos) << error.what();
        }
        smtp.SaveTranscript();
        std::string transcript = pelmora::test::readFile(logs / "smtp.log");
        EXPECT_EQ(transcript.find("MAIL FROM"), std::string::npos) << transcript;
        EXPECT_EQ(transcript.find("\nAUTH"), std::string::npos) << "a sign-on was tried anyway: " << transcript;
        EXPECT_TRUE(stored().text.empty());
    }
}

// Without a user name there is nothing to sign on with: the submission ports are not even
// connected to, while the plain port takes the mail as it always did.
TEST_F(SmtpServerTest, OnlyThePlainPortSendsWithoutAUserName)
{
    pelmora::test::TrustedStore store(servers().caFile());
    for (MailSecurity security : { MailSecurity::StartTls, MailSecurity::Implicit }) {
        TmsSMTP smtp;
        smtp.Security = security;
        smtp.Server = servers().server("smtp", security == MailSecurity::StartTls ? "starttls_port" : "tls_port");
        try {
            send(smtp, "x\r\n", { "a@b.test", { "c@d.test" } });
            ADD_FAILURE() << "sent without signing on";
        } catch (const pelmora::net::ESocketError& error) {
            EXPECT_NE(std::string(error.what()).find("requires sign-on"), std::string::npos) << error.what();
        }
        EXPECT_FALSE(smtp.Connected());
        EXPECT_TRUE(stored().text.empty());
    }
    TmsSMTP plain;
    plain.Security = MailSecurity::Plain;
    plain.Server = servers().server("smtp");
    plain.UserName = servers().user(); // a name given for the plain port is simply not used
    send(plain, "Subject: plain\r\n\r\nbody\r\n", { "a@b.test", { "c@d.test" } });
    EXPECT_EQ(stored().text, "Subject: plain\r\n\r\nbody\r\n");
}
