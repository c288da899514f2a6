#include "../app/GuiTest.h"

#include "comms/TEditAndDial.h"
#include "comms/Telephony.h"

#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace pelmora::comms;

namespace {

class EditAndDialTest : public pelmora::test::GuiTestBase {
protected:
    void SetUp() override
    {
        pelmora::test::guiApp();
        setCallHandler([this](const CallRequest& call) { calls.push_back(call); });
    }
    void TearDown() override { setCallHandler({}); }

    std::vector<CallRequest> calls;
    TEditAndDial control;
};

TEST_F(EditAndDialTest, KeepsItsButtonAtTheRightEdgeAndAMinimumHeight)
{
    EXPECT_EQ(control.width(), 121);
    control.show(); // a hidden widget is laid out when it is shown
    control.resize(200, 10);
    EXPECT_EQ(control.height(), 24);
    EXPECT_EQ(control.button()->geometry(), QRect(176, 0, 24, 24));
    EXPECT_EQ(control.edit()->geometry(), QRect(0, 0, 170, 24));
    control.resize(300, 40);
    EXPECT_EQ(control.button()->geometry(), QRect(276, 0, 24, 40));
}

TEST_F(EditAndDialTest, DialsTheTextExactlyAsTyped)
{
    QTest::keyClicks(control.edit(), QStringLiteral("+44 (0)20 7946-0958"));
    control.button()->click();
    control.setText(QString());
    control.button()->click();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].destination, QStringLiteral("+44 (0)20 7946-0958"));
    EXPECT_TRUE(calls[1].destination.isEmpty());
}

TEST_F(EditAndDialTest, BeforeDialMayNameTheCalledParty)
{
    control.setBeforeDial([](TEditAndDial*, QString& calledParty) { calledParty = QStringLiteral("Ada Byron"); });
    control.setText(QStringLiteral("555"));
    control.dial();
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].calledParty, QStringLiteral("Ada Byron"));
}

TEST_F(EditAndDialTest, TheButtonShortcutDialsFromTheEdit)
{
    control.setButtonShortCut(QKeySequence(Qt::CTRL | Qt::Key_D));
    control.setText(QStringLiteral("123"));
    QTest::keyClick(control.edit(), Qt::Key_D, Qt::ControlModifier);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(control.text(), QStringLiteral("123")); // the key was not typed into the edit
    control.setButtonEnabled(false);
    QTest::keyClick(control.edit(), Qt::Key_D, Qt::ControlModifier);
    EXPECT_EQ(calls.size(), 1u);
}

TEST_F(EditAndDialTest, StandardKindBringsTheStandardGlyphBack)
{
    QPixmap red(16, 16);
    red.fill(Qt::red);
    control.setButtonGlyphDial(QIcon(red));
    EXPECT_EQ(control.buttonKind(), dkCustom);
    control.setButtonKind(dkStandard);
    EXPECT_EQ(control.buttonGlyphDial().cacheKey(), TEditAndDial::standardGlyph().cacheKey());
}

TEST_F(EditAndDialTest, OverlongTextsAreCutToWhatTheServiceTakes)
{
    requestMakeCall({ QString(300, QLatin1Char('9')), QString(300, QLatin1Char('x')) });
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].destination.size(), 255);
    EXPECT_EQ(calls[0].calledParty.size(), 255);
}

TEST(TelephonyTest, TelUriKeepsTheNumbersCharacters)
{
    EXPECT_EQ(telUri(QStringLiteral("+1-555-0100")), QStringLiteral("tel:+1-555-0100"));
    EXPECT_EQ(telUri(QStringLiteral("(555) 01 00")), QStringLiteral("tel:(555)%2001%2000"));
    EXPECT_EQ(telUri(QStringLiteral("5&x=y")), QStringLiteral("tel:5%26x%3Dy"));
}

} // namespace
