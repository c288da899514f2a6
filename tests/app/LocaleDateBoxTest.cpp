#include "GuiTest.h"

#include "records/TfrmActivity.h"
#include "records/TfrmDateRange1.h"
#include "widgets/DateText.h"
#include "widgets/TCustomEditAndBtn.h"

#include <QLineEdit>
#include <QTest>

namespace {

using pelmora::comms::TCustomEditAndBtn;

// Date boxes take the locale's short form whole, however long it is.
class LocaleDateBoxTest : public pelmora::test::GuiTestBase {
protected:
    ~LocaleDateBoxTest() override { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    // Types the longest date of the default locale into `box`; what the box kept.
    static QString typeLongestDate(TCustomEditAndBtn* box)
    {
        box->edit()->setFocus();
        box->edit()->selectAll(); // the range dialog starts with today's date
        box->edit()->insert(pelmora::app::dateText(QDate(2026, 12, 28))); // as typed: cut at the length, checked
        return box->edit()->text();
    }
};

TEST_F(LocaleDateBoxTest, LongShortFormsAreTypedInFull)
{
    const std::pair<QLocale::Language, int> languages[] = { { QLocale::Hungarian, 13 }, { QLocale::Korean, 13 },
        { QLocale::Bulgarian, 13 }, { QLocale::Slovak, 12 }, { QLocale::English, 10 } };
    for (const auto& [language, length] : languages) {
        const QLocale locale(language);
        QLocale::setDefault(locale);
        const QString longest = pelmora::app::dateText(QDate(2026, 12, 28));
        EXPECT_EQ(pelmora::app::dateTextLength(), length) << longest.toStdString();

        pelmora::records::TfrmActivity editor(nullptr);
        editor.show();
        QCoreApplication::processEvents();
        auto* when = editor.findChild<TCustomEditAndBtn*>(QStringLiteral("edtDateOf"));
        ASSERT_NE(when, nullptr);
        EXPECT_EQ(typeLongestDate(when), longest) << locale.name().toStdString();
        EXPECT_GE(when->edit()->width(), when->edit()->fontMetrics().horizontalAdvance(longest))
            << locale.name().toStdString();

        // The range dialog's boxes take the form's quoted text ("г." in Bulgarian) as well.
        pelmora::records::TfrmDateRange1 range;
        range.show();
        QCoreApplication::processEvents();
        EXPECT_EQ(typeLongestDate(range.findChild<TCustomEditAndBtn*>(QStringLiteral("edtFromDate"))), longest)
            << locale.name().toStdString();
    }
}

} // namespace
