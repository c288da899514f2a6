#include "../app/GuiTest.h"
#include "email/TMailAddressDlg.h"

#include "mail/TmsMailAddress.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using pelmora::email::TMailAddressDlg;
using pelmora::mail::TmsMailAddress;

namespace {

// Runs the dialog over `address`, types `name` into it and ends with OK or Cancel.
bool editWith(TmsMailAddress& address, const QString& name, bool ok)
{
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<TMailAddressDlg*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Address"));
        EXPECT_EQ(dialog->AddressEdit->text(), QString::fromStdString(address.Address.str()));
        dialog->NameEdit->selectAll();
        dialog->NameEdit->insert(name); // typed as a whole: key clicks are ASCII only
        QTest::keyClick(dialog->NameEdit, ok ? Qt::Key_Return : Qt::Key_Escape); // OK is the default
    });
    return TMailAddressDlg::edit(nullptr, address);
}

TEST(AddressDialogTest, OkCopiesBothTextsBackAndCancelLeavesTheAddress)
{
    pelmora::test::guiApp();
    TmsMailAddress address("bob@example.net", "Bob");
    EXPECT_FALSE(editWith(address, QStringLiteral("Robert"), false));
    EXPECT_EQ(address, TmsMailAddress("bob@example.net", "Bob"));
    EXPECT_TRUE(editWith(address, QStringLiteral("Róbert Brown"), true));
    EXPECT_EQ(address.Name, "Róbert Brown");
    EXPECT_EQ(address.Address, "bob@example.net");
}

TEST(AddressDialogTest, TheBoxesTakeNoMoreThanTheAddressKeeps)
{
    pelmora::test::guiApp();
    // What the box shows is what is stored: a longer text is refused while typing, never cut
    // out of sight afterwards.
    TmsMailAddress address("a@example.net", "");
    EXPECT_TRUE(editWith(address, QString(300, QLatin1Char('n')), true));
    EXPECT_EQ(address.Name.str(), std::string(pelmora::mail::MaxShortText, 'n'));
}

} // namespace
