#include "PageCommandsFixture.h"
#include "ScriptedPeer.h"
#include "TestServers.h"

#include "app/MainCommands.h"
#include "app/TfrmFilter.h"
#include "data/Database.h"
#include "data/SqlDatabase.h"
#include "email/TSetupDlg.h"
#include "email/TSMTPForm.h"
#include "protocols/TmsSMTP.h"

#include <QAction>
#include <QComboBox>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QUrl>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>

using pelmora::email::TSetupDlg;
using pelmora::email::TSMTPForm;
using pelmora::protocols::MailSecurity;
using pelmora::test::TempDir;
using pelmora::test::TestServers;

namespace {

// Reads a delivered message as a mail program on the other side would: the headers decoded,
// the body text, and every attached file's name and bytes (in hex).
const char* readerScript = R"(import email, json, sys
from email import policy
msg = email.message_from_bytes(open(sys.argv[1], "rb").read(), policy=policy.default)
out = {"from": str(msg["From"]), "to": str(msg["To"]), "cc": str(msg.get("Cc", "")),
       "subject": str(msg["Subject"]), "body": "", "files": []}
for part in msg.walk():
    if part.is_multipart():
        continue
    name = part.get_filename()
    if name:
        out["files"].append({"name": name, "hex": part.get_payload(decode=True).hex()})
    elif part.get_content_type() == "text/plain" and not out["body"]:
        out["body"] = part.get_content().replace("\r\n", "\n")
print(json.dumps(out))
)";

std::string hex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (unsigned char c : bytes) {
        text += digits[c >> 4];
        text += digits[c & 15];
    }
    return text;
}

// The e-mail side of the program as a user meets it: the account is set up in "E-mail Setup",
// messages are written in "Send E-mail" opened from the main window, and the real SMTP store
// receives them; what it received is read back with Python's own mail parser.
class MailWalkTest : public pelmora::test::PageCommandsTest {
protected:
    static void SetUpTestSuite() { s_servers = std::make_unique<TestServers>("smtp"); }
    static void TearDownTestSuite() { s_servers.reset(); }

    void SetUp() override
    {
        if (!s_servers->available())
            PELMORA_SKIP_OR_FAIL("the test servers could not be started here");
        for (const auto& entry : std::filesystem::directory_iterator(s_servers->smtpSpool()))
            std::filesystem::remove(entry.path());
        pelmora::test::writeFile(files / "reader.py", readerScript);
        pelmora::test::writeFile(files / "photo.bin", std::string("\x00\xff\x10\r\n.\r\nend", 10));
        pelmora::test::writeFile(files / "notes.txt", "first line\nsecond line\n");
        contacts().edit();
        contacts().setString("EMail", "ann@x.test");
        contacts().post();
        contact = contacts().asInteger("Counter");
    }

    pelmora::data::TableView& contacts() const { return data->TBLCon; }
    std::int64_t scalar(const std::string& sql) const { return data->currentDatabase()->sql().scalar(sql); }
    TSMTPForm* sendWindow() const { return form->findChild<TSMTPForm*>(); }
    QString path(const char* name) const { return QString::fromStdString((files / name).string()); }

    // Fills in "E-mail Setup" opened from the Setup menu and confirms it with OK.
    void setUp(const std::string& smtp, const QString& password = QString::fromStdString(s_servers->password()))
    {
        inModal<TSetupDlg>([this] { form->commands()->action(QStringLiteral("mnuEmailSetup"))->trigger(); },
            [&](TSetupDlg* dialog) {
                dialog->SmtpServer->setText(QString::fromStdString(smtp));
                dialog->UserAddressEdit->setText(QStringLiteral("me@here.test"));
                dialog->SenderName->setText(QStringLiteral("Zoë Müller"));
                dialog->UserNameEdit->setText(QString::fromStdString(s_servers->user()));
                dialog->PasswordEdit->setText(password);
                dialog->CharSetComboBox->setCurrentIndex(2); // UTF-8
                dialog->OKBtn->click();
            });
    }

    // Composes to the current contact from the e-mail tab: one file by the Attach dialog, one
    // dropped on the window; `press` is the button that ends it.
    void compose(const QString& subject, const std::function<QAbstractButton*(TSMTPForm*)>& press,
        const QString& cc = QStringLiteral("bob@x.test; carl@x.test"))
    {
        form->showPage(pelmora::app::TfrmMainForm::EmailTab);
        inModal<TSMTPForm>("btnCompose", [&](TSMTPForm* window) {
            EXPECT_EQ(window->ToEdit->text(), QStringLiteral("ann@x.test"));
            EXPECT_EQ(window->ListView1->count(), 0) << "nothing of the previous message";
            window->CcEdit->setText(cc);
            window->SubjectEdit->setText(subject);
            window->BodyMemo->setPlainText(QStringLiteral("Dear Ann,\nthe files, as promised.\n"));
            prompts->texts.push_back(path("photo.bin"));
            window->AttachButton->click();
            EXPECT_EQ(prompts->shown.takeLast(), QStringLiteral("Attach|")) << "the file dialog";
            drop(window, path("notes.txt"));
            EXPECT_EQ(window->ListView1->count(), 2);
            press(window)->click();
            EXPECT_FALSE(window->isVisible()) << "the window closes once the message is stored";
            if (window->isVisible())
                window->close();
        });
    }

    static void drop(QWidget* window, const QString& file)
    {
        QMimeData mime;
        mime.setUrls({ QUrl::fromLocalFile(file), QUrl::fromLocalFile(QStringLiteral("/etc/hostname")) });
        const QPointF at(window->width() / 2.0, window->height() / 2.0);
        QDragEnterEvent enter(at.toPoint(), Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(window, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent dropped(at, Qt::CopyAction, &mime, Qt::LeftButton, {});
        QApplication::sendEvent(window, &dropped);
    }

    struct Delivery {
        nlohmann::json envelope;
        nlohmann::json message;
    };
    // What the server received, in the order it received it (the store numbers its files).
    std::vector<Delivery> deliveries() const
    {
        std::vector<std::filesystem::path> received;
        for (const auto& entry : std::filesystem::directory_iterator(s_servers->smtpSpool())) {
            if (entry.path().extension() == ".eml")
                received.push_back(entry.path());
        }
        auto number = [](const std::filesystem::path& file) {
            const std::string stem = file.stem().string();
            return std::stol(stem.substr(stem.rfind('-') + 1));
        };
        std::sort(
            received.begin(), received.end(), [&](const auto& a, const auto& b) { return number(a) < number(b); });
        std::vector<Delivery> found;
        for (const auto& file : received) {
            const auto entry = std::filesystem::directory_entry(file);
            auto envelope = entry.path();
            envelope.replace_extension(".json");
            const std::string command
                = "/usr/bin/python3 '" + (files / "reader.py").string() + "' '" + entry.path().string() + "'";
            std::string out;
            if (FILE* pipe = ::popen(command.c_str(), "r")) {
                char buffer[4096];
                for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;)
                    out.append(buffer, got);
                ::pclose(pipe);
            }
            found.push_back({ nlohmann::json::parse(pelmora::test::readFile(envelope)),
                nlohmann::json::parse(out, nullptr, false) });
        }
        return found;
    }
    void clearSpool() const
    {
        for (const auto& entry : std::filesystem::directory_iterator(s_servers->smtpSpool()))
            std::filesystem::remove(entry.path());
    }

    // The one message of the contact that is queued or sent, checked as stored.
    void expectStored(std::int64_t counter, bool queued) const
    {
        const std::string row = "FROM EMAIL WHERE Counter = " + std::to_string(counter);
        EXPECT_EQ(scalar("SELECT Contact " + row), contact);
        EXPECT_EQ(scalar("SELECT Queue " + row), queued ? 1 : 0);
        EXPECT_EQ(scalar("SELECT Status " + row), 1);
        EXPECT_EQ(scalar("SELECT AttachNum " + row), 2);
        EXPECT_EQ(scalar("SELECT COUNT(*) FROM Attach WHERE EmailNum = " + std::to_string(counter)), 2);
    }

    static std::unique_ptr<TestServers> s_servers;
    TempDir files;
    std::int64_t contact = 0;
};

std::unique_ptr<TestServers> MailWalkTest::s_servers;

TEST_F(MailWalkTest, SentOverPlainStartTlsAndTlsTheMessageArrivesWholeAndIsFiledUnderItsContact)
{
    pelmora::test::TrustedStore trust(s_servers->caFile());
    struct Way {
        const char* port;
        MailSecurity security;
    };
    const Way ways[] = { { "port", MailSecurity::Auto }, { "starttls_port", MailSecurity::StartTls },
        { "tls_port", MailSecurity::Implicit } };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.port);
        clearSpool();
        setUp(s_servers->server("smtp", way.port));
        // The program picks the protection by the well-known ports; the test servers use free ones.
        sendWindow()->smtpClient().Security = way.security;
        const std::int64_t before = scalar("SELECT COUNT(*) FROM EMAIL WHERE Contact = " + std::to_string(contact));
        compose(QStringLiteral("Grüße zum Frühling"), [](TSMTPForm* w) { return w->SendButton; });
        EXPECT_TRUE(prompts->shown.isEmpty()) << errors().toStdString();
        EXPECT_EQ(sendWindow()->StatusPanels[0]->text(), QStringLiteral("Connection closed"));

        auto got = deliveries();
        ASSERT_EQ(got.size(), 1u);
        EXPECT_EQ(got[0].envelope["mail_from"], "me@here.test");
        EXPECT_EQ(got[0].envelope["rcpt_tos"], (nlohmann::json { "ann@x.test", "bob@x.test", "carl@x.test" }));
        const nlohmann::json& message = got[0].message;
        ASSERT_TRUE(message.is_object()) << "Python could not read the message";
        EXPECT_EQ(message["from"], "Zoë Müller <me@here.test>");
        EXPECT_EQ(message["to"], "ann@x.test");
        EXPECT_EQ(message["cc"], "bob@x.test, carl@x.test");
        EXPECT_EQ(message["subject"], "Grüße zum Frühling");
        EXPECT_EQ(message["body"].get<std::string>().find("Dear Ann,\nthe files, as promised."), 0u) << message["body"];
        ASSERT_EQ(message["files"].size(), 2u);
        EXPECT_EQ(message["files"][0]["name"], "photo.bin");
        EXPECT_EQ(message["files"][0]["hex"], hex(pelmora::test::readFile(files / "photo.bin")));
        EXPECT_EQ(message["files"][1]["name"], "notes.txt");
        EXPECT_EQ(message["files"][1]["hex"], hex(pelmora::test::readFile(files / "notes.txt")));

        const std::int64_t counter = sendWindow()->storedCounter();
        expectStored(counter, false);
        EXPECT_EQ(scalar("SELECT COUNT(*) FROM EMAIL WHERE Contact = " + std::to_string(contact)), before + 1);
        // The e-mail tab shows the new message at once.
        EXPECT_EQ(data->TBLEmail.recordCount(), before + 1);
        prompts->shown.clear();
    }
}

TEST_F(MailWalkTest, AMessageThatCouldNotGoStaysQueuedUntilSendQueuedDeliversItOnce)
{
    pelmora::test::TrustedStore trust(s_servers->caFile());
    // The server is down: the error is shown in the window's status line and in a box.
    setUp("127.0.0.1:" + std::to_string(pelmora::test::closedPort()));
    compose(QStringLiteral("down"), [](TSMTPForm* w) { return w->SendButton; });
    const std::int64_t down = sendWindow()->storedCounter();
    ASSERT_NE(down, 0);
    ASSERT_EQ(prompts->shown.size(), 1) << errors().toStdString();
    EXPECT_EQ(prompts->shown[0], QStringLiteral("Error|") + sendWindow()->StatusPanels[0]->text());
    EXPECT_FALSE(sendWindow()->StatusPanels[0]->text().isEmpty());
    expectStored(down, true);

    // The server refuses the sign-on.
    setUp(s_servers->server("smtp", "starttls_port"), QStringLiteral("wrong"));
    sendWindow()->smtpClient().Security = MailSecurity::StartTls;
    compose(QStringLiteral("refused"), [](TSMTPForm* w) { return w->SendButton; });
    const std::int64_t refused = sendWindow()->storedCounter();
    ASSERT_EQ(prompts->shown.size(), 2) << errors().toStdString();
    EXPECT_TRUE(sendWindow()->StatusPanels[0]->text().startsWith(QStringLiteral("535"))) << errors().toStdString();
    expectStored(refused, true);

    // Kept for later on purpose: stored queued, nothing goes out.
    compose(QStringLiteral("later"), [](TSMTPForm* w) { return w->SpeedButton1; });
    const std::int64_t later = sendWindow()->storedCounter();
    expectStored(later, true);
    EXPECT_TRUE(deliveries().empty());
    EXPECT_EQ(prompts->shown.size(), 2) << errors().toStdString();

    // With the password mended, Send Queued of the e-mail tab delivers each of them once.
    setUp(s_servers->server("smtp", "starttls_port"));
    prompts->shown.clear();
    button("btnSendQueued")->click();
    EXPECT_TRUE(prompts->shown.isEmpty()) << errors().toStdString();
    for (std::int64_t counter : { down, refused, later })
        expectStored(counter, false);
    auto got = deliveries();
    ASSERT_EQ(got.size(), 3u);
    std::multiset<std::string> subjects;
    for (const Delivery& delivery : got) {
        subjects.insert(delivery.message["subject"].get<std::string>());
        EXPECT_EQ(delivery.envelope["rcpt_tos"], (nlohmann::json { "ann@x.test", "bob@x.test", "carl@x.test" }));
        EXPECT_EQ(delivery.message["files"].size(), 2u);
    }
    EXPECT_EQ(subjects, (std::multiset<std::string> { "down", "refused", "later" }));
    button("btnSendQueued")->click();
    EXPECT_EQ(deliveries().size(), 3u) << "nothing goes twice";
}

TEST_F(MailWalkTest, SendToAllGoesToTheFilteredContactsInTheirOrderAndLeavesTheMainWindowAlone)
{
    setUp(s_servers->server("smtp"));
    // Four contacts of one company: two with an address, one without, one whose stored address
    // was planted with a line break to add a recipient of its own.
    const char* addresses[] = { "ann@x.test", "", "evil@x.test\r\nRCPT TO:<extra@x.test>", "dora@x.test" };
    std::vector<std::int64_t> walkers;
    contacts().first();
    for (const char* address : addresses) {
        contacts().edit();
        contacts().setString("Company", "Walkersmith Ltd");
        contacts().setString("EMail", address);
        contacts().post();
        walkers.push_back(contacts().asInteger("Counter"));
        contacts().next();
    }
    inModal<pelmora::app::TfrmFilter>([this] { form->commands()->action(QStringLiteral("mnuFilter"))->trigger(); },
        [](pelmora::app::TfrmFilter* dialog) {
            dialog->setValue(QStringLiteral("Company"), QStringLiteral("Walkersmith"));
            dialog->accept();
        });
    ASSERT_EQ(contacts().recordCount(), 4);
    ASSERT_TRUE(contacts().gotoRowId(walkers[3]));
    contact = walkers[3];

    form->showPage(pelmora::app::TfrmMainForm::EmailTab);
    inModal<TSMTPForm>("btnCompose", [&](TSMTPForm* window) {
        EXPECT_EQ(window->ToEdit->text(), QStringLiteral("dora@x.test"));
        window->SubjectEdit->setText(QStringLiteral("News for everyone"));
        window->BodyMemo->setPlainText(QStringLiteral("Hello all"));
        window->btnSendAll->click();
        if (window->isVisible())
            window->close();
    });
    EXPECT_EQ(contacts().asInteger("Counter"), walkers[3]) << "the main window stays on its contact";
    ASSERT_EQ(prompts->shown.size(), 1) << errors().toStdString();
    EXPECT_NE(prompts->shown[0].indexOf(QStringLiteral("control character")), -1) << errors().toStdString();

    std::vector<std::string> recipients;
    for (const Delivery& delivery : deliveries()) {
        EXPECT_EQ(delivery.message["subject"], "News for everyone");
        for (const auto& to : delivery.envelope["rcpt_tos"])
            recipients.push_back(to.get<std::string>());
    }
    // The To line, then the filter's contacts with an address in the main window's order, the
    // current one among them; the planted address is refused and the others still go out.
    EXPECT_EQ(recipients, (std::vector<std::string> { "dora@x.test", "ann@x.test", "dora@x.test" }));
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM EMAIL WHERE Subject = 'News for everyone'"), 1);
    EXPECT_EQ(scalar("SELECT Contact FROM EMAIL WHERE Subject = 'News for everyone'"), walkers[3]);
    EXPECT_EQ(scalar("SELECT Queue FROM EMAIL WHERE Subject = 'News for everyone'"), 0);
}

} // namespace
