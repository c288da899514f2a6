#include "GuiTest.h"
#include "TestSupport.h"

#include "app/ActivitiesPage.h"
#include "app/MainCommands.h"
#include "app/TfrmMainForm.h"
#include "app/UserFieldsPage.h"
#include "comms/Telephony.h"
#include "net/TagRas.h"

#include <QAction>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <QTableView>
#include <QTabWidget>

#include <gtest/gtest.h>

using pelmora::app::TfrmMainForm;

namespace {

class MainFormTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        pelmora::test::guiApp();
        auto scripted = std::make_unique<pelmora::test::ScriptedPrompts>();
        prompts = scripted.get();
        pelmora::app::setPrompts(std::move(scripted));
        startForm();
    }

    void startForm()
    {
        form = std::make_unique<TfrmMainForm>(pelmora::settings::Paths::forProgramDir(home.path()));
        form->show();
    }
    void TearDown() override
    {
        form.reset();
        pelmora::test::installScriptedPrompts();
        pelmora::comms::setCallHandler({});
    }

    QAction* command(const char* name) const { return form->commands()->action(QLatin1String(name)); }

    pelmora::test::TempDir home;
    pelmora::test::ScriptedPrompts* prompts = nullptr;
    std::unique_ptr<TfrmMainForm> form;
};

TEST_F(MainFormTest, ShowsEightPagesInOrderStartingOnMain)
{
    QTabWidget* pages = form->pageControl();
    QStringList titles;
    for (int i = 0; i < pages->count(); ++i)
        titles << pages->tabText(i);
    EXPECT_EQ(titles,
        (QStringList { "Main", "E-Mail", "Links", "Activities", "User Fields", "Contacts", "Notes", "Documents" }));
    EXPECT_EQ(pages->currentIndex(), 0);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Pelmora"));
}

TEST_F(MainFormTest, TabEntriesOfTheViewAndEmailMenusSelectTheirPage)
{
    for (int i = 7; i >= 0; --i) {
        command(qPrintable(QStringLiteral("mnuTab%1").arg(i)))->trigger();
        EXPECT_EQ(form->pageControl()->currentIndex(), i);
    }
    command("mnuEmailTab")->trigger();
    EXPECT_EQ(form->pageControl()->currentIndex(), TfrmMainForm::EmailTab);
}

TEST_F(MainFormTest, CommandsWithoutTheirWindowOrDatabaseAreDisabledNotFake)
{
    for (const char* name : { "mnuOpenDatabase", "mnuNewRecord", "mnuDeleteRecord", "mnuFilter", "mnuSearch", "mnuFind",
             "mnuSort", "mnuInbox", "mnuCompose", "mnuContactList", "mnuPrint", "mnuNextRecord", "mnuUnmarkAll",
             "mnuPack", "mnuEmailSetup" })
        EXPECT_FALSE(command(name)->isEnabled()) << name;
    for (const char* name :
        { "mnuExit", "mnuCut", "mnuCopy", "mnuPaste", "mnuAbout", "mnuHelpContents", "tbBrowseWeb" })
        EXPECT_TRUE(command(name)->isEnabled()) << name;
    EXPECT_FALSE(form->pageControl()->widget(TfrmMainForm::MainTab)->isEnabled());
}

TEST_F(MainFormTest, StatusLineHasItsThreePanelsAndTheRecordPosition)
{
    const int widths[] = { 350, 170, 50 }; // the second is wide enough for the order ("By Contact Number")
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(form->findChild<QLabel*>(QStringLiteral("StatusPanel%1").arg(i))->width(), widths[i]);
    form->setRecordPosition(3, 12);
    EXPECT_EQ(form->findChild<QLabel*>(QStringLiteral("lblRecordPosition"))->text(), QStringLiteral("3 of 12"));
    auto* header = form->findChild<QLineEdit*>(QStringLiteral("edtDetailes"));
    EXPECT_TRUE(header->isReadOnly());
    EXPECT_TRUE(header->font().bold());
}

TEST_F(MainFormTest, UserFieldCaptionsTakeOnlyNonEmptyNames)
{
    pelmora::app::UserFieldsPage* page = form->userFieldsPage();
    EXPECT_EQ(page->fieldNames().size(), 20);
    EXPECT_EQ(page->caption(QStringLiteral("Date1")), QStringLiteral("Date 1"));
    page->setCaption(QStringLiteral("Date1"), QStringLiteral("Birthday"));
    page->setCaption(QStringLiteral("Num5"), QString());
    page->setCaption(QStringLiteral("NoSuchField"), QStringLiteral("ignored"));
    EXPECT_EQ(page->caption(QStringLiteral("Date1")), QStringLiteral("Birthday"));
    EXPECT_EQ(page->caption(QStringLiteral("Num5")), QStringLiteral("Number 5"));
    EXPECT_EQ(page->caption(QStringLiteral("User10")), QStringLiteral("User 10"));
}

TEST_F(MainFormTest, ActivityListsStartOnAllWithNoDescriptionChosenAfterARefill)
{
    pelmora::app::ActivitiesPage* page = form->activitiesPage();
    EXPECT_EQ(page->dateList()->currentText(), QStringLiteral("All"));
    EXPECT_EQ(page->statusList()->currentText(), QStringLiteral("All"));
    page->setActivityDescriptions({ QStringLiteral("Call"), QStringLiteral("Meeting") });
    EXPECT_EQ(page->activityList()->count(), 3);
    EXPECT_EQ(page->activityList()->itemText(0), QStringLiteral("All"));
    EXPECT_EQ(page->activityList()->currentIndex(), -1);
}

TEST_F(MainFormTest, DialingHandsTheNumberOverUnchanged)
{
    std::vector<pelmora::comms::CallRequest> calls;
    pelmora::comms::setCallHandler([&calls](const pelmora::comms::CallRequest& call) { calls.push_back(call); });
    form->dial(QStringLiteral("+1 (555) 010-2030"));
    form->dial(QString());
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].destination, QStringLiteral("+1 (555) 010-2030"));
    EXPECT_TRUE(calls[0].calledParty.isEmpty());
    EXPECT_TRUE(calls[1].destination.isEmpty()); // an empty number is still requested
}

TEST_F(MainFormTest, AboutGoesThroughThePrompts)
{
    command("mnuAbout")->trigger();
    ASSERT_EQ(prompts->shown.size(), 1);
    EXPECT_TRUE(prompts->shown.front().startsWith(QStringLiteral("About Pelmora|Pelmora")));
}

TEST_F(MainFormTest, GridsCarryTheirColumnTitles)
{
    auto* grid = form->findChild<QTableView*>(QStringLiteral("grdActivity"));
    ASSERT_NE(grid, nullptr);
    QStringList titles;
    for (int i = 0; i < grid->model()->columnCount(); ++i)
        titles << grid->model()->headerData(i, Qt::Horizontal).toString();
    EXPECT_EQ(titles, (QStringList { "Activity", "When", "Priority", "Done", "Details", "Notes", "Created" }));
    // Widths are in characters: "Details" (40) is five times "When" (8), give or take the margins.
    EXPECT_GT(grid->columnWidth(4), 4 * grid->columnWidth(1));
}

} // namespace

namespace {

TEST_F(MainFormTest, FirstStartWithoutAnIniFileWritesEveryKeyAtExit)
{
    EXPECT_TRUE(form->findChild<QLabel*>(QStringLiteral("lblDataName"))->text().isEmpty());
    EXPECT_EQ(form->settings().fileHtm, "1");
    EXPECT_EQ(form->settings().defImp, 1);
    form->close();
    const std::string ini = pelmora::test::readFile(home / "pelmora.ini");
    int keys = 0;
    for (const pelmora::settings::SettingKey& key : pelmora::settings::settingKeys()) {
        const bool written = ini.find(std::string(key.name) + "=") != std::string::npos;
        EXPECT_EQ(written, key.writtenAtExit) << key.name;
        keys += written;
    }
    EXPECT_EQ(keys, 14);
    EXPECT_NE(ini.find("LastData=" + (home.path() / "data").string()), std::string::npos) << ini;
    EXPECT_NE(ini.find("FileHtm=1"), std::string::npos);
}

TEST_F(MainFormTest, SampleAsLastDataOpensTheDataDirectoryAndWritesItsPathBack)
{
    form.reset();
    pelmora::test::writeFile(
        home / "pelmora.ini", "[Setup]\r\nLastData=Sample\r\nLastDataName=Sample\r\nServer=pop.example.org\r\n");
    startForm();
    EXPECT_EQ(form->findChild<QLabel*>(QStringLiteral("lblDataName"))->text(), QStringLiteral("Sample"));
    EXPECT_EQ(form->settings().lastData, (home.path() / "data").string());
    form->settings().fileHtm = "7"; // changed while running, written only at exit
    EXPECT_EQ(pelmora::test::readFile(home / "pelmora.ini").find("FileHtm"), std::string::npos);
    form->close();
    const pelmora::settings::Settings saved = pelmora::settings::Settings::load(home / "pelmora.ini");
    EXPECT_EQ(saved.lastData, (home.path() / "data").string());
    EXPECT_EQ(saved.server, "pop.example.org");
    EXPECT_EQ(saved.fileHtm, "7");
}

} // namespace

TEST_F(MainFormTest, DialUpLinkTakesItsEntryFromTheSettingsAndReportsToTheStatusLine)
{
    namespace fs = std::filesystem;
    fs::create_directory(home / "peers");
    pelmora::test::writeFile(home / "peers" / "work", "");
    pelmora::test::writeFile(home / "peers" / "home", "");
    pelmora::test::writeFile(home / "pppd",
        "#!/bin/sh\ntrap 'exit 5' TERM\necho 'local  IP address 10.0.0.2'\nwhile :; do sleep 0.05; done\n");
    fs::permissions(home / "pppd", fs::perms::owner_all);
    auto backend = [&] { return pelmora::net::makePppdRasBackend(home / "peers", home / "pppd"); };

    form->settings().ras = 9; // the phone book has lost entries since it was stored
    form->useRasBackend(backend());
    EXPECT_EQ(form->agRas1().Service(), "");
    EXPECT_EQ(form->settings().ras, 9);

    form->settings().ras = 2;
    form->useRasBackend(backend());
    ASSERT_EQ(form->agRas1().Service(), "work");
    auto* panel = form->findChild<QLabel*>(QStringLiteral("StatusPanel0"));
    form->agRas1().Connect();
    EXPECT_EQ(panel->text(), QStringLiteral("Connected"));
    form->agRas1().Disconnect();
    EXPECT_EQ(panel->text(), QStringLiteral("Disconnected"));
}
