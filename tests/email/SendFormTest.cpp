#include "../app/GuiTest.h"
#include "email/TSMTPForm.h"

#include "data/Database.h"
#include "data/SqlDatabase.h"
#include "ScriptedPeer.h"
#include "TestServers.h"

#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

#include <gtest/gtest.h>

using pelmora::email::TSMTPForm;
using pelmora::test::PeerConnection;
using pelmora::test::ScriptedPeer;
using pelmora::test::TempDir;

namespace {

class SendFormTest : public pelmora::test::ServerSuite {
protected:
    static void SetUpTestSuite() { startServers("smtp"); }
    void SetUp() override
    {
        pelmora::test::guiApp();
        prompts = pelmora::test::installScriptedPrompts();
        ServerSuite::SetUp();
        if (IsSkipped())
            return;
        for (const auto& entry : std::filesystem::directory_iterator(servers().smtpSpool()))
            std::filesystem::remove(entry.path());
        form = std::make_unique<TSMTPForm>();
        form->database = [this] { return db.get(); };
        form->account = [this] {
            pelmora::mailstore::MailAccount account;
            account.smtpServer = server;
            account.address = "me@here.test";
            account.timeOut = 20;
            return account;
        };
        server = servers().server("smtp");
        form->newMessage(4, QStringLiteral("ann@x.test"));
        form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    }
    std::int64_t scalar(const std::string& sql) { return db->sql().scalar(sql); }
    std::size_t deliveries()
    {
        std::size_t count = 0;
        for (const auto& entry : std::filesystem::directory_iterator(servers().smtpSpool()))
            count += entry.path().extension() == ".eml";
        return count;
    }

    TempDir dir;
    std::shared_ptr<pelmora::data::Database> db = pelmora::data::Database::create(dir.path());
    pelmora::test::ScriptedPrompts* prompts = nullptr;
    std::string server;
    std::unique_ptr<TSMTPForm> form;
};

} // namespace

TEST_F(SendFormTest, EveryNewMessageStartsWithoutThePreviousFiles)
{
    form->addAttachment(QStringLiteral("/tmp/one.txt"));
    form->addAttachment(QStringLiteral("/tmp/two.txt"));
    form->ListView1->setFocus();
    form->ListView1->item(0)->setSelected(true);
    QTest::keyClick(form->ListView1, Qt::Key_Delete);
    ASSERT_EQ(form->ListView1->count(), 1);
    EXPECT_EQ(form->ListView1->item(0)->text(), QStringLiteral("/tmp/two.txt"));

    // A dropped file keeps its whole path, however long.
    const QString deep = QStringLiteral("/tmp/") + QString(300, QLatin1Char('d')) + QStringLiteral("/file.bin");
    form->dropFiles({ QUrl::fromLocalFile(deep), QUrl::fromLocalFile(QStringLiteral("/tmp/second.txt")) });
    ASSERT_EQ(form->ListView1->count(), 2);
    EXPECT_EQ(form->ListView1->item(1)->text(), deep);

    form->newMessage(5, QStringLiteral("bob@x.test"));
    EXPECT_EQ(form->ListView1->count(), 0);
    EXPECT_EQ(form->ToEdit->text(), QStringLiteral("bob@x.test"));
}

TEST_F(SendFormTest, AFailedSendIsKeptQueuedAndSendQueuedDeliversItOnce)
{
    pelmora::test::writeFile(dir / "a.txt", "attached");
    form->addAttachment(QString::fromStdString((dir / "a.txt").string()));
    form->CcEdit->setText(QStringLiteral("cc@x.test"));
    form->BodyMemo->setPlainText(QStringLiteral("hello"));
    server = "127.0.0.1:" + std::to_string(pelmora::test::closedPort());
    form->SendButtonClick();
    EXPECT_FALSE(form->isVisible());
    ASSERT_EQ(prompts->shown.size(), 1);
    EXPECT_TRUE(prompts->shown[0].startsWith(QStringLiteral("Error|"))) << prompts->shown[0].toStdString();
    EXPECT_EQ(scalar("SELECT Queue FROM EMAIL"), 1);
    EXPECT_EQ(scalar("SELECT Status FROM EMAIL"), 1);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM Attach"), 1);
    EXPECT_EQ(deliveries(), 0u);

    server = servers().server("smtp");
    auto results = form->sendQueued(4);
    ASSERT_EQ(results.size(), 1u);
    EXPECT_FALSE(results[0].queued) << results[0].error;
    EXPECT_EQ(scalar("SELECT Queue FROM EMAIL"), 0);
    EXPECT_EQ(deliveries(), 1u);
    EXPECT_TRUE(form->sendQueued(4).empty());
}

TEST_F(SendFormTest, SendToAllGoesToEveryAddressAndStoresOneRow)
{
    form->broadcastAddresses = [] { return std::vector<std::string> { "a@x.test", "", "b@x.test" }; };
    form->btnSendAllClick();
    EXPECT_TRUE(prompts->shown.isEmpty()) << prompts->shown.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(deliveries(), 3u);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM EMAIL"), 1);
    EXPECT_EQ(scalar("SELECT Queue FROM EMAIL"), 0);
}

TEST_F(SendFormTest, CloseIsRefusedDuringATransferAndCancelLeavesTheMessageQueued)
{
    ScriptedPeer silent([](PeerConnection& connection, ScriptedPeer&) { connection.stall(3000); });
    server = silent.server();
    bool stillOpen = false;
    QTimer::singleShot(300, form.get(), [&] {
        form->close();
        stillOpen = form->isVisible();
        EXPECT_TRUE(form->busy());
        EXPECT_TRUE(form->CancelButton->isEnabled());
        EXPECT_FALSE(form->SendButton->isEnabled());
        form->CancelButtonClick();
    });
    form->SendButtonClick();
    EXPECT_TRUE(stillOpen);
    EXPECT_TRUE(prompts->shown.contains(QStringLiteral("Error|Transfer in Progress.  Click Cancel button first.")));
    EXPECT_EQ(scalar("SELECT Queue FROM EMAIL"), 1);
    EXPECT_EQ(prompts->shown.size(), 1) << "a cancel is not reported as an error";
    EXPECT_FALSE(form->busy());
}

TEST_F(SendFormTest, EnterInAFieldNeitherSendsToAllNorClosesTheWindow)
{
    form->broadcastAddresses = [] { return std::vector<std::string> { "a@x.test", "b@x.test" }; };
    form->SubjectEdit->setFocus();
    QTest::keyClicks(form->SubjectEdit, QStringLiteral("Half a subject"));
    QTest::keyClick(form->SubjectEdit, Qt::Key_Return);
    QTest::keyClick(form->ToEdit, Qt::Key_Enter);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->storedCounter(), 0);
    EXPECT_EQ(scalar("SELECT COUNT(*) FROM EMAIL"), 0);
    EXPECT_EQ(deliveries(), 0u);
}
