#include "PageCommandsFixture.h"

#include "app/MailWindows.h"
#include "app/MainCommands.h"
#include "email/TfrmDefineImpFile.h"
#include "email/TfrmEmail.h"
#include "email/TfrmEmailList.h"
#include "email/TfrmShowAttach.h"
#include "mailstore/StoredMessage.h"

#include <QAction>
#include <QComboBox>
#include <QListWidget>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>

using namespace pelmora;

namespace {

// The e-mail commands of the main window: the inbox, the e-mail list, the import definition
// and the e-mail tab's commands on the contact's messages.
class MailWindowsTest : public test::PageCommandsTest {
protected:
    MailWindowsTest()
    {
        contact = data->TBLCon.current()->rowId;
        mailstore::MailStore store(*data->currentDatabase());
        mailstore::StoredMessage message;
        message.contact = contact;
        message.status = mailstore::kOutgoing;
        message.subject = "Order";
        message.senderEmail = "ann@example.com";
        message.body = "one\ntwo";
        const auto file = paths.attachDir() / "order.txt";
        test::writeFile(file, "order");
        message.attachments = { file.string() };
        store.insert(message);
        message.status = mailstore::kReceived;
        message.subject = "Invoice";
        message.attachments.clear();
        store.insert(message);
        data->TBLEmail.refresh();
        data->TBLEmail.first();
        form->showPage(app::TfrmMainForm::EmailTab);
    }
    QAction* action(const char* name) const { return form->commands()->action(QLatin1String(name)); }
    std::int64_t contact = 0;
};

TEST_F(MailWindowsTest, EveryEmailCommandIsOnAndOpensItsWindow)
{
    for (const char* name : { "mnuInbox", "mnuEmailList", "mnuEmailListView", "mnuImportSetup", "mnuSendQueued" })
        EXPECT_TRUE(action(name)->isEnabled()) << name;
    for (const char* name : { "btnSaveAs", "btnPrintEmail", "btnStop", "btnAttached" })
        EXPECT_TRUE(button(name)->isEnabled()) << name;
    inModal<email::TfrmEmail>([this] { action("mnuInbox")->trigger(); },
        [](email::TfrmEmail* inbox) {
            EXPECT_EQ(inbox->windowTitle(), QStringLiteral("E-mail Inbox"));
            inbox->close();
        });
    inModal<email::TfrmDefineImpFile>([this] { action("mnuImportSetup")->trigger(); },
        [](email::TfrmDefineImpFile* window) { window->CancelBtn->click(); });
    action("mnuEmailList")->trigger();
    auto* list = form->findChild<email::TfrmEmailList*>();
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(list->isVisible());
    EXPECT_FALSE(list->isModal());
    EXPECT_EQ(data->TBLEmailFull.recordCount(), 2);
    list->close();
}

TEST_F(MailWindowsTest, EmailTabSelectorSavesAndAttachedFiles)
{
    auto* selector = form->findChild<QComboBox*>(QStringLiteral("cmbSentReceived"));
    ASSERT_TRUE(selector->isEnabled());
    selector->setCurrentText(QStringLiteral("Received"));
    emit selector->textActivated(selector->currentText());
    EXPECT_EQ(data->TBLEmail.recordCount(), 1);
    EXPECT_EQ(data->TBLEmail.asString("Subject"), "Invoice");
    selector->setCurrentText(QStringLiteral("All"));
    emit selector->textActivated(selector->currentText());
    EXPECT_EQ(data->TBLEmail.recordCount(), 2);

    ASSERT_TRUE(data->TBLEmail.locate({ "Subject" }, { data::Value(std::string("Order")) }, {}));
    const auto target = home / "order.txt";
    prompts->texts = { QString::fromStdString(target.string()) };
    button("btnSaveAs")->click();
    EXPECT_NE(test::readFile(target).find("Subject: Order\r\n"), std::string::npos);

    inModal<email::TfrmShowAttach>("btnAttached", [this](email::TfrmShowAttach* window) {
        EXPECT_EQ(window->ListView1->count(), 1);
        EXPECT_EQ(window->ListView1->item(0)->text().toStdString(), (paths.attachDir() / "order.txt").string());
        window->CancelBtn->click();
    });
}

TEST_F(MailWindowsTest, PrintWithoutAPrintCommandSaysSo)
{
    if (!QStandardPaths::findExecutable(QStringLiteral("lp")).isEmpty())
        GTEST_SKIP() << "a print command is installed here";
    button("btnPrintEmail")->click();
    ASSERT_FALSE(prompts->shown.isEmpty());
    EXPECT_TRUE(prompts->shown.last().contains(QStringLiteral("could not be started")));
    EXPECT_NE(test::readFile(paths.emailPrintFile()).find("Subject: "), std::string::npos);
}

} // namespace
