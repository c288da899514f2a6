#include "SampleMainForm.h"

#include "app/MainCommands.h"
#include "reports/ReportPreview.h"
#include "reports/TfrmReportDlg.h"

#include <QAbstractButton>
#include <QAction>
#include <QRadioButton>

#include <cstdio>

namespace pelmora::test {
namespace {

std::string pdfText(const std::filesystem::path& file)
{
    return shellOutput("pdftotext -layout '" + file.string() + "' - 2>/dev/null");
}

// Runs `check` on the modal window of type W as soon as it is shown, then closes it.
template <typename W> void whenShown(std::function<void(W&)> check, bool accept = false)
{
    QTimer::singleShot(0, [check, accept] {
        auto* window = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        auto* shown = dynamic_cast<W*>(window);
        EXPECT_NE(shown, nullptr);
        if (shown)
            check(*shown);
        if (window)
            accept ? window->accept() : window->reject();
    });
}

class ReportsTest : public SampleMainFormTest { };

TEST_F(ReportsTest, TheReportsDialogRemembersItsChoice)
{
    whenShown<reports::TfrmReportDlg>(
        [](reports::TfrmReportDlg& dialog) {
            EXPECT_EQ(dialog.windowTitle(), "Reports");
            EXPECT_TRUE(dialog.findChild<QRadioButton*>("rbWeb")->isChecked());
            dialog.findChild<QRadioButton*>("rbFull")->setChecked(true);
        },
        true);
    EXPECT_EQ(reports::TfrmReportDlg::choose(form.get()), "contacts");

    whenShown<reports::TfrmReportDlg>(
        [](reports::TfrmReportDlg& dialog) { EXPECT_TRUE(dialog.findChild<QRadioButton*>("rbFull")->isChecked()); });
    EXPECT_EQ(reports::TfrmReportDlg::choose(form.get()), ""); // cancelled
}

TEST_F(ReportsTest, PageButtonsPreviewTheCurrentContactsRecordsAndSaveThemAsPdf)
{
    for (const char* name : { "btnActivityReport", "btnDocumentsReport", "btnEmailReport", "btnLinksReport" })
        EXPECT_TRUE(form->findChild<QAbstractButton*>(name)->isEnabled()) << name;
    EXPECT_TRUE(form->commands()->action("mnuPrint")->isEnabled());
    EXPECT_TRUE(form->commands()->action("mnuReports")->isEnabled());

    data->TBLCon.first();
    const std::int64_t current = data->TBLCon.asInteger("Counter");
    const std::string last = data->TBLCon.asString("LName");
    data->TBLActivity.first();
    ASSERT_FALSE(data->TBLActivity.isEmpty());
    const std::string activity = data->TBLActivity.asString("Activity");
    const auto pdf = home.path() / "activities.pdf";
    prompts->texts.push_back(QString::fromStdString(pdf.string()));
    whenShown<reports::ReportPreview>([](reports::ReportPreview& preview) {
        EXPECT_EQ(preview.reportPrinter().pageLayout().orientation(), QPageLayout::Landscape);
        preview.findChild<QAction*>("actSaveAsPdf")->trigger();
    });
    form->findChild<QAbstractButton*>("btnActivityReport")->click();

    EXPECT_EQ(data->TBLCon.asInteger("Counter"), current); // the window's record stays
    ASSERT_TRUE(std::filesystem::exists(pdf)) << prompts->shown.join('\n').toStdString();
    if (std::system("pdftotext -v >/dev/null 2>&1") != 0)
        PELMORA_SKIP_OR_FAIL("pdftotext (poppler-utils) is not installed");
    const std::string text = pdfText(pdf);
    for (const std::string& expected :
        { std::string("Activity List"), std::string("Page #1"), std::string("Detaill"), last, activity })
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
}

TEST_F(ReportsTest, TheContactReportFollowsTheMainWindowsFilterAndPostsFirst)
{
    data->TBLCon.first();
    const std::string kept = data->TBLCon.asString("LName");
    data->TBLCon.setFilter("LName = '" + kept + "'");
    data->TBLCon.setFiltered(true);
    data->TBLCon.edit();
    data->TBLCon.setString("Company", "Posted Before Printing");

    const auto pdf = home.path() / "web.pdf";
    prompts->texts.push_back(QString::fromStdString(pdf.string()));
    whenShown<reports::TfrmReportDlg>(
        [](reports::TfrmReportDlg& dialog) { dialog.findChild<QRadioButton*>("rbWeb")->setChecked(true); }, true);
    // The preview opens once the dialog has closed: wait for it, a few seconds at most.
    auto* poll = new QTimer(form.get());
    int polls = 0;
    QObject::connect(poll, &QTimer::timeout, [poll, &polls] {
        auto* preview = dynamic_cast<reports::ReportPreview*>(QApplication::activeModalWidget());
        if (!preview && ++polls < 250)
            return;
        poll->stop();
        if (preview) {
            preview->saveAsPdf();
            preview->reject();
        }
    });
    poll->start(20);
    form->commands()->action("mnuPrint")->trigger();

    EXPECT_EQ(data->TBLCon.state(), data::ViewState::Browse);
    ASSERT_TRUE(std::filesystem::exists(pdf));
    if (std::system("pdftotext -v >/dev/null 2>&1") != 0)
        PELMORA_SKIP_OR_FAIL("pdftotext (poppler-utils) is not installed");
    const std::string text = pdfText(pdf);
    EXPECT_NE(text.find("Contact Web Related Information"), std::string::npos);
    EXPECT_NE(text.find("Posted Before Printing"), std::string::npos);
    EXPECT_NE(text.find(kept), std::string::npos);
    EXPECT_EQ(text.find("Whitaker"), std::string::npos) << text; // filtered out
}

} // namespace
} // namespace pelmora::test
