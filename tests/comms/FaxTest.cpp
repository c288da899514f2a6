#include "../app/GuiTest.h"

#include "comms/FaxRuler.h"
#include "comms/RichTextAdapter.h"
#include "comms/TfrmFax.h"
#include "rtf/RtfDocument.h"
#include "TestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QFileDialog>
#include <QSpinBox>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>
#include <QToolBar>

#include <gtest/gtest.h>

using namespace pelmora;
using comms::TfrmFax;

namespace {

QAction* toolAction(TfrmFax& window, const QString& hint)
{
    for (QAction* action : window.findChild<QToolBar*>("ToolBar")->actions()) {
        if (action->toolTip() == hint)
            return action;
    }
    return nullptr;
}

TEST(RichTextAdapter, TheEditorKeepsWhatTheModelHolds)
{
    pelmora::test::guiApp();
    rtf::Document d = rtf::parseRtf("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}{\\f1 Courier New;}}"
                                    "{\\colortbl ;\\red200\\green0\\blue0;}"
                                    "\\pard\\qc\\f0\\fs28 Title {\\b\\i\\ul\\f1\\cf1 fancy}\\par"
                                    "\\pard\\qr\\fi-360\\li720\\ri300 right\\line broken\\par"
                                    "\\pard{\\pntext\\'b7\\tab}{\\*\\pn\\pnlvlblt}\\fi-360\\li720 one\\par"
                                    "{\\pntext\\'b7\\tab}two\\par\\pard\\qj last}");
    QTextDocument document;
    comms::loadDocument(d, document);
    EXPECT_EQ(document.blockCount(), 5);
    rtf::Document back = comms::saveDocument(document);
    ASSERT_EQ(back.paragraphs.size(), d.paragraphs.size());
    for (std::size_t p = 0; p < d.paragraphs.size(); ++p) {
        EXPECT_EQ(back.paragraphs[p].text(), d.paragraphs[p].text()) << p;
        EXPECT_EQ(back.paragraphs[p].alignment, d.paragraphs[p].alignment) << p;
        EXPECT_EQ(back.paragraphs[p].leftIndent, d.paragraphs[p].leftIndent) << p;
        EXPECT_EQ(back.paragraphs[p].firstIndent, d.paragraphs[p].firstIndent) << p;
        EXPECT_EQ(back.paragraphs[p].rightIndent, d.paragraphs[p].rightIndent) << p;
        EXPECT_EQ(back.paragraphs[p].bullet, d.paragraphs[p].bullet) << p;
    }
    const rtf::CharFormat& fancy = back.paragraphs[0].runs.at(1).format;
    EXPECT_EQ(fancy.font, "Courier New");
    EXPECT_EQ(fancy.halfPoints, 28);
    EXPECT_TRUE(fancy.bold && fancy.italic && fancy.underline && fancy.hasColor);
    EXPECT_EQ(fancy.color, (rtf::Color { 200, 0, 0 }));
    EXPECT_FALSE(back.paragraphs[0].runs[0].format.bold);
}

class FaxWindowTest : public pelmora::test::GuiTestBase {
protected:
    void SetUp() override
    {
        pelmora::test::guiApp();
        window.ask = [this](const QString& text) {
            asked << text;
            TfrmFax::Answer a = answers.empty() ? TfrmFax::Answer::Cancel : answers.front();
            if (!answers.empty())
                answers.pop_front();
            return a;
        };
        window.chooseFile = [this](bool, bool* plain, bool*) {
            if (plain)
                *plain = choosePlain;
            return chosen;
        };
        window.showError = [this](const QString& text) { errors << text; };
        window.resize(640, 480);
        window.show();
        QApplication::processEvents();
    }
    void type(const QString& text) { QTest::keyClicks(window.editor(), text); }

    TfrmFax window;
    std::deque<TfrmFax::Answer> answers;
    QStringList asked;
    QStringList errors;
    QString chosen;
    bool choosePlain = false;
    pelmora::test::TempDir dir;
};

TEST_F(FaxWindowTest, AddressBlockAsksBeforeItReplacesUnsavedText)
{
    EXPECT_EQ(window.windowTitle(), "Untitled - Send Fax");
    ASSERT_TRUE(window.showWithAddress(TfrmFax::personLines("Bo", "Ek", "")));
    EXPECT_EQ(window.editor()->toPlainText(), "To : Bo Ek\n \nFax : \n ");
    EXPECT_TRUE(asked.isEmpty()); // nothing typed yet, nothing to lose
    type("typed");
    // Cancel keeps the page; Yes with a Save As that is cancelled keeps it too.
    answers = { TfrmFax::Answer::Cancel, TfrmFax::Answer::Yes };
    EXPECT_FALSE(window.showWithAddress(TfrmFax::contactLines("Ann", "Lee", "Acme", "1")));
    EXPECT_FALSE(window.showWithAddress(TfrmFax::contactLines("Ann", "Lee", "Acme", "1")));
    EXPECT_TRUE(window.editor()->toPlainText().contains("typed"));
    EXPECT_EQ(asked.first(), "Save changes to Untitled?");
    // Yes with a file name saves, then the block is written.
    chosen = (dir / "page.rtf").string().c_str();
    answers = { TfrmFax::Answer::Yes };
    EXPECT_TRUE(window.showWithAddress(TfrmFax::contactLines("Ann", "Lee", "Acme", "1")));
    EXPECT_TRUE(
        rtf::parseRtf(pelmora::test::readFile(dir / "page.rtf")).plainText().find("typed") != std::string::npos);
    EXPECT_EQ(window.editor()->toPlainText(), "To : Ann Lee\n \nCompany : Acme\n \nFax : 1\n ");
    EXPECT_EQ(window.fileName(), chosen); // the file name stays
}

TEST_F(FaxWindowTest, PlainTextFilesStayPlainAndSavesAreWhole)
{
    pelmora::test::writeFile(dir / "note.txt", "first line\r\nsecond\r\n");
    ASSERT_TRUE(window.loadFile(QString::fromStdString((dir / "note.txt").string())));
    EXPECT_TRUE(window.isPlainText());
    EXPECT_EQ(window.windowTitle(), "note.txt - Send Fax");
    QTextCursor end(window.editor()->document());
    end.movePosition(QTextCursor::End);
    window.editor()->setTextCursor(end);
    type(" more");
    ASSERT_TRUE(window.saveFile(window.fileName(), window.isPlainText()));
    EXPECT_EQ(pelmora::test::readFile(dir / "note.txt"), "first line\nsecond more\n");
    // A failed save reports, keeps the text modified and leaves nothing half-written.
    type("!");
    EXPECT_FALSE(window.saveFile(QString::fromStdString((dir / "missing" / "x.rtf").string()), false));
    EXPECT_EQ(errors.size(), 1);
    EXPECT_TRUE(window.editor()->document()->isModified());
    // A broken rich-text file is refused and the page stays as it was.
    pelmora::test::writeFile(dir / "bad.rtf", "{\\rtf1 {\\b never closed");
    EXPECT_FALSE(window.loadFile(QString::fromStdString((dir / "bad.rtf").string())));
    EXPECT_TRUE(window.editor()->toPlainText().endsWith("more!"));
    EXPECT_EQ(window.fileName().toStdString(), (dir / "note.txt").string());
}

// The open dialog's read-only box: such a file is shown but not editable, and Save asks for a
// new name rather than writing over it.
TEST_F(FaxWindowTest, FileOpenedReadOnlyIsOnlySavedUnderANewName)
{
    TfrmFax fresh; // keeps the program's own open dialog
    std::function<QString(bool, bool*, bool*)> dialogs = fresh.chooseFile;
    int saveAsked = 0;
    fresh.chooseFile = [&](bool saving, bool* plain, bool* readOnly) {
        if (!saving)
            return dialogs(saving, plain, readOnly);
        ++saveAsked;
        return chosen;
    };
    fresh.ask = window.ask;
    fresh.showError = window.showError;
    fresh.show();
    const std::string kept = "{\\rtf1\\ansi kept\\par}";
    pelmora::test::writeFile(dir / "kept.rtf", kept);
    const QString path = QString::fromStdString((dir / "kept.rtf").string());
    // Opens `path` through the dialog, with the read-only box as given.
    auto open = [&](bool readOnly) {
        bool answered = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            auto* box = dialog->findChild<QCheckBox*>(QStringLiteral("chkReadOnly"));
            ASSERT_NE(box, nullptr);
            EXPECT_FALSE(box->isChecked());
            box->setChecked(readOnly);
            dialog->selectFile(path);
            QMetaObject::invokeMethod(dialog, "accept"); // the button a user would press
            answered = true;
        });
        toolAction(fresh, "Open")->trigger();
        EXPECT_TRUE(answered);
    };

    open(true);
    EXPECT_EQ(fresh.fileName(), path);
    EXPECT_TRUE(fresh.isReadOnlyFile());
    EXPECT_TRUE(fresh.editor()->isReadOnly());
    QTest::keyClicks(fresh.editor(), "x");
    EXPECT_EQ(fresh.editor()->toPlainText(), "kept");
    // Save asks for a name; cancelled, the file is untouched.
    toolAction(fresh, "Save")->trigger();
    EXPECT_EQ(saveAsked, 1);
    EXPECT_EQ(pelmora::test::readFile(dir / "kept.rtf"), kept);
    // An address block makes the page writable, but still not over the read-only file.
    ASSERT_TRUE(fresh.showWithAddress(TfrmFax::personLines("Bo", "Ek", "1")));
    EXPECT_FALSE(fresh.editor()->isReadOnly());
    toolAction(fresh, "Save")->trigger();
    EXPECT_EQ(saveAsked, 2);
    EXPECT_EQ(pelmora::test::readFile(dir / "kept.rtf"), kept);
    // Saved under a new name, that file is the user's own: Save writes it directly.
    chosen = QString::fromStdString((dir / "copy.rtf").string());
    toolAction(fresh, "Save")->trigger();
    EXPECT_EQ(fresh.fileName(), chosen);
    EXPECT_FALSE(fresh.isReadOnlyFile());
    toolAction(fresh, "Save")->trigger();
    EXPECT_EQ(saveAsked, 3);
    EXPECT_EQ(pelmora::test::readFile(dir / "kept.rtf"), kept);

    // Without the box ticked the file opens for editing.
    open(false);
    EXPECT_FALSE(fresh.isReadOnlyFile());
    EXPECT_FALSE(fresh.editor()->isReadOnly());
    EXPECT_TRUE(errors.isEmpty()) << errors.join('\n').toStdString();
}

TEST_F(FaxWindowTest, ToolBarFollowsTheTextAndActsOnTheSelection)
{
    rtf::Document d = rtf::parseRtf("{\\rtf1\\ansi\\pard\\qc plain {\\b bold}\\par}");
    comms::loadDocument(d, *window.editor()->document());
    QTextCursor cursor(window.editor()->document());
    cursor.setPosition(7);
    cursor.setPosition(10, QTextCursor::KeepAnchor); // "bol"
    window.editor()->setTextCursor(cursor);
    EXPECT_TRUE(toolAction(window, "Bold")->isChecked());
    EXPECT_TRUE(toolAction(window, "Center")->isChecked());
    EXPECT_FALSE(toolAction(window, "Align Left")->isChecked());
    // Italic on a selection changes it; with no selection only the text typed next.
    toolAction(window, "Italic")->trigger();
    EXPECT_TRUE(comms::saveDocument(*window.editor()->document()).paragraphs[0].runs.back().format.italic);
    cursor.setPosition(2);
    window.editor()->setTextCursor(cursor);
    EXPECT_FALSE(toolAction(window, "Bold")->isChecked());
    toolAction(window, "Bold")->trigger();
    type("X");
    rtf::Document after = comms::saveDocument(*window.editor()->document());
    EXPECT_EQ(after.paragraphs[0].text(), "plXain bold");
    EXPECT_FALSE(after.paragraphs[0].runs[0].format.bold);
    EXPECT_TRUE(after.paragraphs[0].runs[1].format.bold);
    // Sizes below 1 are ignored.
    auto* size = window.findChild<QSpinBox*>("FontSize");
    size->setValue(0);
    EXPECT_GT(window.editor()->currentCharFormat().fontPointSize(), 0);
    size->setValue(30);
    EXPECT_EQ(window.editor()->currentCharFormat().fontPointSize(), 30);
}

TEST_F(FaxWindowTest, RulerMarkersFollowAndSetTheIndents)
{
    // 720 twips = 48 px = 36 pt; -360 = -24 px = -18 pt.
    comms::loadDocument(rtf::parseRtf("{\\rtf1 \\pard\\fi-360\\li720\\ri1440 text}"), *window.editor()->document());
    window.editor()->setTextCursor(QTextCursor(window.editor()->document()));
    window.updateToolbar();
    comms::FaxRuler* ruler = window.ruler();
    EXPECT_EQ(ruler->markerLeft(comms::FaxRuler::FirstIndent), 26); // 18 pt * 4/3 + 2
    EXPECT_EQ(ruler->markerLeft(comms::FaxRuler::LeftIndent), 50); // 36 pt * 4/3 + 2
    EXPECT_EQ(ruler->markerLeft(comms::FaxRuler::RightIndent), ruler->width() - 104 - 6);
    // Dragging the first-line marker moves only the first line: the left marker keeps its place.
    window.applyRulerIndent(comms::FaxRuler::FirstIndent, 62, 4);
    window.updateToolbar();
    EXPECT_EQ(ruler->markerLeft(comms::FaxRuler::FirstIndent), 62);
    EXPECT_EQ(ruler->markerLeft(comms::FaxRuler::LeftIndent), 50);
    // A wider window keeps the right marker at its distance from the right edge.
    window.resize(800, 480);
    QApplication::processEvents();
    EXPECT_EQ(ruler->markerLeft(comms::FaxRuler::RightIndent), ruler->width() - 104 - 6);
    window.applyRulerIndent(comms::FaxRuler::RightIndent, ruler->width() - 30, 4);
    window.updateToolbar();
    EXPECT_EQ(ruler->markerLeft(comms::FaxRuler::RightIndent), ruler->width() - 30);
    rtf::Paragraph p = comms::saveDocument(*window.editor()->document()).paragraphs[0];
    EXPECT_EQ(p.leftIndent, 720);
    EXPECT_EQ(p.firstIndent, 180); // 45 pt first line less 36 pt left, in twips
}

} // namespace
