#include "../app/GuiTest.h"
#include "email/TSetupDlg.h"
#include "settings/Settings.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

using pelmora::email::TSetupDlg;
using pelmora::settings::Settings;

namespace {

class SetupDlgTest : public pelmora::test::GuiTestBase {
protected:
    void SetUp() override
    {
        stored.server = "pop.x.test";
        stored.smtpServer = "smtp.x.test:587";
        stored.userName = "ann";
        stored.password = "secret";
        stored.senderName = "Ann";
        stored.emailAddress = "ann@x.test";
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    }
    Settings stored;
    TSetupDlg dialog;
};

} // namespace

TEST_F(SetupDlgTest, ShowsAndStoresTheSettingsWithTheKeyboardOrderOfAUser)
{
    stored.charSet = 2;
    stored.ras = 2;
    dialog.load(stored, { "isp", "work" });
    EXPECT_EQ(dialog.CharSetComboBox->currentText(), QStringLiteral("UTF-8"));
    EXPECT_EQ(dialog.RASComboBox->currentText(), QStringLiteral("work"));
    EXPECT_EQ(dialog.PasswordEdit->echoMode(), QLineEdit::Password);
    EXPECT_EQ(QApplication::focusWidget(), dialog.ServerEdit);

    std::vector<QString> order;
    for (QWidget* w = dialog.ServerEdit; order.size() < 12; w = w->nextInFocusChain()) {
        if (w->focusPolicy() & Qt::TabFocus)
            order.push_back(w->objectName());
    }
    EXPECT_EQ(order,
        (std::vector<QString> { "ServerEdit", "SmtpServer", "EncodingComboBox", "CharSetComboBox", "SenderName",
            "UserNameEdit", "PasswordEdit", "RASComboBox", "UserAddressEdit", "OKBtn", "CancelBtn", "BitBtn3" }));

    dialog.SenderName->setText(QString(300, QLatin1Char('n')));
    dialog.RASComboBox->setCurrentIndex(1);
    dialog.EncodingComboBox->setCurrentIndex(1);
    Settings changed = stored;
    dialog.store(changed);
    EXPECT_EQ(changed.senderName, std::string(255, 'n'));
    EXPECT_EQ(changed.ras, 1);
    EXPECT_EQ(dialog.rasService(), QStringLiteral("isp"));
    EXPECT_EQ(changed.encoding, 1);
    EXPECT_EQ(changed.smtpServer, "smtp.x.test:587");
}

TEST_F(SetupDlgTest, ChoicesOutsideTheListsShowClampedAndAreKeptUnlessChanged)
{
    stored.charSet = 9;
    stored.encoding = -4;
    stored.ras = 5;
    dialog.load(stored, { "isp" });
    EXPECT_EQ(dialog.CharSetComboBox->currentIndex(), 2);
    EXPECT_EQ(dialog.EncodingComboBox->currentIndex(), 0);
    EXPECT_EQ(dialog.RASComboBox->currentIndex(), 0);
    Settings kept = stored;
    dialog.store(kept);
    EXPECT_EQ(kept.charSet, 9);
    EXPECT_EQ(kept.encoding, -4);
    EXPECT_EQ(kept.ras, 5);
    EXPECT_TRUE(dialog.rasService().isEmpty());

    dialog.CharSetComboBox->setCurrentIndex(1);
    dialog.store(kept);
    EXPECT_EQ(kept.charSet, 1);
}
