#include "GuiTest.h"
#include "TestSupport.h"

#include "archive/TZipMaster.h"
#include "data/TMsgform.h"
#include "databases/GuiDatabasePrompts.h"
#include "databases/TfrmChoosDir.h"
#include "databases/TMsgform.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>

namespace pelmora::test {
namespace {

QString q(const char* text)
{
    return QString::fromUtf8(text);
}

TEST(ArchiveDialogsTest, TheFilterIsWrittenAsQtReadsItAndZipIsAddedToABareName)
{
    EXPECT_EQ(databases::qtFileFilter(q("Pelmora Files (*.PMB)|*.pmb")), q("Pelmora Files (*.pmb)"));
    EXPECT_EQ(databases::qtFileFilter(q("Archives|*.zip;*.pmb")), q("Archives (*.zip *.pmb)"));
    // The first filter, the one the dialogs open on, shows the back-ups the program writes.
    EXPECT_TRUE(databases::archiveFilters().startsWith(q("Pelmora back-ups (*.pmb *.zip);;Pelmora Files (*.pmb);;")));

    TempDir dir;
    const QString bare = QString::fromStdString((dir.path() / "backup").string());
    EXPECT_EQ(databases::withDefaultExtension(bare, false), bare + q(".zip"));
    EXPECT_EQ(databases::withDefaultExtension(bare + q(".pmb"), false), bare + q(".pmb"));
    EXPECT_EQ(databases::withDefaultExtension(bare, true), bare + q(".zip"));
    writeFile(dir.path() / "backup", "an archive without an extension");
    EXPECT_EQ(databases::withDefaultExtension(bare, true), bare); // opened as it exists
}

TEST(ArchiveDialogsTest, QuestionsGoThroughThePromptsWithTheirTitlesAndAnswers)
{
    guiApp();
    ScriptedPrompts* prompts = installScriptedPrompts();
    databases::GuiDatabasePrompts gui;
    prompts->texts = { q("Clients"), q("/tmp/back"), {} };
    EXPECT_EQ(gui.askName("Database Name", "Enter Database Name: "), std::optional<std::string>("Clients"));
    EXPECT_EQ(gui.askSavePath("Choose Directory and File Name"), std::filesystem::path("/tmp/back.zip"));
    EXPECT_EQ(gui.askOpenPath("Pick ZIP file to Restore"), std::nullopt); // cancelled
    prompts->answers = { true, false };
    EXPECT_TRUE(gui.confirm("first\rsecond", false));
    EXPECT_FALSE(gui.confirm("Do You Want to Delete the database?", true));
    EXPECT_EQ(prompts->shown,
        (QStringList { q("Database Name|Enter Database Name: "), q("Choose Directory and File Name|"),
            q("Pick ZIP file to Restore|"), q("Pelmora|first\nsecond"),
            q("Pelmora|Do You Want to Delete the database?") }));
}

class ProgressWindowTest : public GuiTestBase {
protected:
    data::TMsgform state;
    archive::TZipMaster zip;
    databases::TMsgform window { state, zip };
};

TEST_F(ProgressWindowTest, FollowsTheStateOfTheOperation)
{
    EXPECT_EQ(window.windowTitle(), q("Compress Messages"));
    EXPECT_EQ(window.fileLabel()->toolTip(), q("File being manipulated"));
    EXPECT_TRUE(window.fileLabel()->alignment() & Qt::AlignRight);
    EXPECT_EQ(window.cursor().shape(), Qt::WaitCursor);

    state.clearMemo();
    state.show();
    EXPECT_TRUE(window.isVisible());
    state.addLine("Beginning Add to /tmp/a.zip");
    state.progress(0, "database.sqlite", 4 * 32768);
    state.progress(1, "database.sqlite", 4 * 32768);
    EXPECT_EQ(window.fileLabel()->toolTip(), q("database.sqlite"));
    EXPECT_EQ(window.progressBar()->maximum(), 4);
    EXPECT_EQ(window.progressBar()->value(), 2);
    EXPECT_EQ(window.memo()->toPlainText(), q("Beginning Add to /tmp/a.zip"));
    state.hide();
    EXPECT_FALSE(window.isVisible());

    // The next operation starts with an empty memo.
    state.clearMemo();
    state.show();
    state.addLine("Beginning Extract");
    EXPECT_EQ(window.memo()->toPlainText(), q("Beginning Extract"));
}

TEST_F(ProgressWindowTest, DismissHidesAndCancelStopsTheArchive)
{
    state.show();
    window.dismissButton()->click();
    EXPECT_FALSE(window.isVisible());
    EXPECT_TRUE(state.visible()); // the operation goes on unseen
    EXPECT_EQ(window.dismissButton()->text(), q("&Dismiss"));
    EXPECT_EQ(window.dismissButton()->toolTip(), q("Hide"));
    EXPECT_EQ(window.cancelButton()->text(), q("&Cancel Operation"));
    window.cancelButton()->click();
    EXPECT_TRUE(zip.Cancelled());
}

TEST(DirectoryChooserTest, OpensOnTheDriveOfAPathAndGivesBackTheChosenDirectory)
{
    guiApp();
    TempDir temp;
    std::filesystem::create_directories(temp / "archive" / "2026");
    databases::TfrmChoosDir chooser;
    chooser.show();
    ASSERT_GT(chooser.DriveList->count(), 0);
    EXPECT_EQ(chooser.DriveList->itemText(0), QDir::rootPath());
    EXPECT_EQ(chooser.directory(), QDir::rootPath()); // nothing chosen yet: the drive itself

    const QString wanted = QString::fromStdString((temp / "archive" / "2026").string());
    chooser.setDirectory(wanted);
    EXPECT_EQ(chooser.directory(), wanted);
    EXPECT_TRUE(wanted.startsWith(chooser.DriveList->currentText()));
}

} // namespace
} // namespace pelmora::test
