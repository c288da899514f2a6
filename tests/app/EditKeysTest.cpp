#include "SampleMainForm.h"

#include "data/TfrmDataModule.h"

#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>

namespace {

// Ctrl+Ins and Shift+Del are also New Record and Delete Record; in an edit they copy and cut.
class EditKeysTest : public pelmora::test::SampleMainFormTest {
protected:
    EditKeysTest()
    {
        form->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(form.get()));
    }
};

TEST_F(EditKeysTest, CtrlInsCopiesAndShiftDelCutsInAnEdit)
{
    const auto contacts = data->TBLCon.recordCount();
    auto* company = form->findChild<QLineEdit*>(QStringLiteral("edtCompany"));
    company->setFocus();
    company->setText(QStringLiteral("Acme Ltd"));
    company->selectAll();
    QApplication::clipboard()->setText(QStringLiteral("before"));
    QTest::keyClick(form->windowHandle(), Qt::Key_Insert, Qt::ControlModifier); // as the window system delivers it
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("Acme Ltd"));
    EXPECT_FALSE(data->TBLCon.state() == pelmora::data::ViewState::Insert);

    company->setSelection(0, 5); // "Acme "
    QTest::keyClick(form->windowHandle(), Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("Acme "));
    EXPECT_EQ(company->text(), QStringLiteral("Ltd"));
    EXPECT_TRUE(prompts->shown.isEmpty()) << prompts->shown.join(QLatin1Char('\n')).toStdString(); // no delete question
    EXPECT_EQ(data->TBLCon.recordCount(), contacts);

    // The same in a drop-down's edit and in a memo.
    auto* city = form->findChild<QComboBox*>(QStringLiteral("cmbCity"));
    city->setFocus();
    city->setEditText(QStringLiteral("Springfield"));
    city->lineEdit()->selectAll();
    QTest::keyClick(form->windowHandle(), Qt::Key_Insert, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("Springfield"));
    auto* memo = form->findChild<QPlainTextEdit*>(QStringLiteral("memComments"));
    ASSERT_NE(memo, nullptr);
    memo->setFocus();
    memo->setPlainText(QStringLiteral("A memo"));
    memo->selectAll();
    QTest::keyClick(form->windowHandle(), Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("A memo"));
    EXPECT_TRUE(memo->toPlainText().isEmpty());
    EXPECT_FALSE(data->TBLCon.state() == pelmora::data::ViewState::Insert);
    EXPECT_TRUE(prompts->shown.isEmpty()) << prompts->shown.join(QLatin1Char('\n')).toStdString();
}

} // namespace
