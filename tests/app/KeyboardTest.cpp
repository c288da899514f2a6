#include "SampleMainForm.h"

#include "app/MainCommands.h"
#include "app/TfrmFilter.h"
#include "comms/Telephony.h"
#include "records/TfrmNotes.h"
#include "widgets/TBrDateForm.h"
#include "widgets/TCustomEditAndBtn.h"
#include "widgets/TDataSource.h"
#include "widgets/TfrmFind.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>

#include <map>
#include <set>

namespace {

using pelmora::app::TfrmMainForm;
using pelmora::comms::TCustomEditAndBtn;

// The letter after a single '&' of a caption, or nothing.
QChar mnemonic(const QString& text)
{
    for (int i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('&'))
            continue;
        if (text.at(i + 1) != QLatin1Char('&'))
            return text.at(i + 1).toLower();
        ++i;
    }
    return {};
}

// "menu: letter used by A and B" for every letter two entries of one menu share.
void findClashes(const QString& where, const QStringList& captions, QStringList& clashes)
{
    std::map<QChar, QString> seen;
    for (const QString& caption : captions) {
        const QChar letter = mnemonic(caption);
        if (letter.isNull())
            continue;
        auto [at, fresh] = seen.emplace(letter, caption);
        if (!fresh)
            clashes << where + QStringLiteral(": ") + at->second + QStringLiteral(" / ") + caption;
    }
}

void findMenuClashes(QMenu* menu, QStringList& clashes)
{
    QStringList captions;
    for (QAction* entry : menu->actions()) {
        captions << entry->text();
        if (entry->menu())
            findMenuClashes(entry->menu(), clashes);
    }
    findClashes(menu->title(), captions, clashes);
}

QStringList buttonCaptions(const QWidget& dialog)
{
    QStringList captions;
    for (const QAbstractButton* button : dialog.findChildren<QAbstractButton*>())
        captions << button->text();
    return captions;
}

class KeyboardTest : public pelmora::test::SampleMainFormTest {
protected:
    ~KeyboardTest() override { pelmora::comms::setCallHandler({}); }

    TCustomEditAndBtn* box(const char* name) const { return form->findChild<TCustomEditAndBtn*>(QLatin1String(name)); }
    static void pressButtonKey(TCustomEditAndBtn* box)
    {
        box->edit()->setFocus();
        QTest::keyClick(box->edit(), Qt::Key_Down, Qt::AltModifier);
    }
};

TEST_F(KeyboardTest, MenusAndDialogsGiveEveryMnemonicOnce)
{
    QStringList clashes;
    QStringList titles;
    for (QAction* entry : form->menuBar()->actions()) {
        titles << entry->text();
        findMenuClashes(entry->menu(), clashes);
    }
    findClashes(QStringLiteral("menu bar"), titles, clashes);
    pelmora::app::TDataSource contacts(data->TBLCon);
    pelmora::app::TfrmFind find(&contacts);
    findClashes(find.windowTitle(), buttonCaptions(find), clashes);
    pelmora::app::TfrmFilter filter(&data->TBLCon);
    findClashes(filter.windowTitle(), buttonCaptions(filter), clashes);
    // "&Pack Database" and "&Print" keep the captions users know from the File menu; pressing P
    // twice reaches the second, as in any menu with a shared letter.
    clashes.removeAll(QStringLiteral("&File: &Pack Database / &Print"));
    EXPECT_TRUE(clashes.isEmpty()) << clashes.join(QLatin1Char('\n')).toStdString();
}

TEST_F(KeyboardTest, TheButtonOfAnEditWithButtonAnswersItsKeyFromTheEdit)
{
    std::vector<QString> dialed;
    pelmora::comms::setCallHandler(
        [&dialed](const pelmora::comms::CallRequest& call) { dialed.push_back(call.destination); });
    pressButtonKey(box("edtPhone2"));
    ASSERT_EQ(dialed.size(), 1u); // the dial button itself takes no focus: the key is the only way
    EXPECT_EQ(dialed.front(), QString::fromStdString(data->TBLCon.asString("Phone2")));
    EXPECT_TRUE(box("edtPhone2")->edit()->toolTip().contains(QStringLiteral("Dial Phone")));

    bool pickerShown = false;
    QTimer::singleShot(0, [&pickerShown] {
        auto* picker = qobject_cast<pelmora::app::TBrDateForm*>(QApplication::activeModalWidget());
        pickerShown = picker != nullptr;
        if (picker)
            picker->reject();
    });
    pressButtonKey(box("edtLastContact"));
    EXPECT_TRUE(pickerShown);
}

TEST_F(KeyboardTest, TabLeavesAMemoInsteadOfTypingIntoIt)
{
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    auto* comments = form->findChild<QPlainTextEdit*>(QStringLiteral("memComments"));
    const QString before = comments->toPlainText();
    comments->setFocus();
    ASSERT_TRUE(comments->hasFocus());
    QTest::keyClick(comments, Qt::Key_Tab);
    EXPECT_FALSE(comments->hasFocus());
    EXPECT_EQ(comments->toPlainText(), before);

    pelmora::app::TDataSource notes(data->TBLNotes);
    pelmora::records::TfrmNotes editor(&notes);
    editor.show();
    editor.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&editor));
    auto* memo = editor.findChild<QPlainTextEdit*>(QStringLiteral("memMemo"));
    ASSERT_NE(memo, nullptr);
    const QString text = memo->toPlainText();
    memo->setFocus();
    ASSERT_TRUE(memo->hasFocus());
    QTest::keyClick(memo, Qt::Key_Tab);
    EXPECT_FALSE(memo->hasFocus());
    EXPECT_EQ(memo->toPlainText(), text);
    EXPECT_FALSE(data->TBLNotes.isEditing());
}

TEST_F(KeyboardTest, AltDownOpensTheMemoBoxOfAMainPageMemo)
{
    auto* description = form->findChild<QPlainTextEdit*>(QStringLiteral("memSiteDesc"));
    ASSERT_NE(description, nullptr);
    QString title;
    QTimer::singleShot(0, [&title] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            title = box->windowTitle();
            box->close();
        }
    });
    description->setFocus();
    QTest::keyClick(description, Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(title, QStringLiteral("Site Description"));
    EXPECT_FALSE(data->TBLCon.isEditing()); // the box was cancelled
}

TEST_F(KeyboardTest, EditMenuCopiesAndPastesInTheDropDownsToo)
{
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    auto* city = form->findChild<QComboBox*>(QStringLiteral("cmbCity"));
    auto* company = form->findChild<QLineEdit*>(QStringLiteral("edtCompany"));
    const QString cityName = city->currentText();
    ASSERT_FALSE(cityName.isEmpty());
    city->setFocus();
    city->lineEdit()->selectAll();
    QApplication::clipboard()->setText(QStringLiteral("before"));
    form->commands()->action(QStringLiteral("mnuCopy"))->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), cityName);

    company->setFocus();
    company->selectAll();
    form->commands()->action(QStringLiteral("mnuCopy"))->trigger();
    city->setFocus();
    city->lineEdit()->selectAll();
    form->commands()->action(QStringLiteral("mnuPaste"))->trigger();
    EXPECT_EQ(city->currentText(), company->text().left(city->lineEdit()->maxLength())); // cut at the field size

    form->showPage(TfrmMainForm::ActivitiesTab);
    auto* grid = form->findChild<QAbstractItemView*>(QStringLiteral("grdActivity"));
    ASSERT_NE(grid, nullptr);
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(0, 0));
    form->commands()->action(QStringLiteral("mnuCopy"))->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), grid->model()->index(0, 0).data().toString());
}

// A page's button row may be wider than a small screen; it wraps onto another line instead of
// holding the whole window wider than the screen or hiding buttons off to the side.
TEST_F(KeyboardTest, EveryPageFitsAWindowOfAThousandPixels)
{
    EXPECT_LE(form->minimumSizeHint().width(), 1000);
    auto* pages = form->findChild<QTabWidget*>(QStringLiteral("PageControl"));
    for (const int width : { 900, 1024, 1400 }) {
        form->resize(width, 700);
        for (int i = 0; i < pages->count(); ++i) {
            pages->setCurrentIndex(i);
            QApplication::processEvents();
            EXPECT_LE(pages->widget(i)->minimumSizeHint().width(), 900) << i;
            EXPECT_LE(pages->widget(i)->width(), width) << i;
            auto* row = pages->widget(i)->findChild<QWidget*>(QStringLiteral("ButtonRow"));
            if (!row)
                continue;
            // Every control of the row shows whole, inside the row and the page, and none covers another.
            std::vector<QRect> placed;
            for (const QWidget* control : row->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                const std::string name = control->objectName().toStdString();
                EXPECT_TRUE(control->isVisible()) << width << ' ' << name;
                EXPECT_TRUE(row->rect().contains(control->geometry())) << width << ' ' << name;
                const QRect onPage(control->mapTo(pages->widget(i), QPoint(0, 0)), control->size());
                EXPECT_TRUE(pages->widget(i)->rect().contains(onPage)) << width << ' ' << name;
                EXPECT_GE(control->width(), control->sizeHint().width()) << width << ' ' << name;
                for (const QRect& other : placed)
                    EXPECT_FALSE(other.intersects(control->geometry())) << width << ' ' << name;
                placed.push_back(control->geometry());
            }
        }
    }
}

// At a small screen's width the E-mail page's row takes two lines; on a wide one, a single line.
TEST_F(KeyboardTest, TheEmailButtonsWrapOnlyWhenTheyDoNotFit)
{
    auto* pages = form->findChild<QTabWidget*>(QStringLiteral("PageControl"));
    auto* page = form->findChild<QWidget*>(QStringLiteral("tabEmail"));
    ASSERT_NE(page, nullptr);
    pages->setCurrentWidget(page);
    auto* row = page->findChild<QWidget*>(QStringLiteral("ButtonRow"));
    ASSERT_NE(row, nullptr);
    const auto lines = [&](int width) {
        form->resize(width, 700);
        QApplication::processEvents();
        std::set<int> tops;
        for (const QPushButton* button : row->findChildren<QPushButton*>())
            tops.insert(button->geometry().center().y());
        return tops.size();
    };
    EXPECT_EQ(lines(1024), 2u);
    EXPECT_EQ(lines(1400), 1u);
    EXPECT_EQ(lines(1024), 2u); // and back again
}

} // namespace
