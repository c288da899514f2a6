#include "SampleMainForm.h"

#include "app/MainCommands.h"
#include "data/Database.h"
#include "data/SqlDatabase.h"
#include "email/TfrmEmailList.h"
#include "records/TFrmActivityList.h"
#include "records/TfrmDocFull.h"
#include "reports/ReportPreview.h"
#include "reports/TfrmReportDlg.h"
#include "TimeBudget.h"

#include "reportcore/ReportLayout.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QElapsedTimer>
#include <QProgressDialog>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>

#include <cstdio>
#include <fstream>

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

// The pages the preview's paper holds for `report`.
int recordsOnAPage(reports::ReportPreview& preview, const reportcore::ReportDescription& report)
{
    const QRectF area = preview.reportPrinter().pageLayout().paintRect(QPageLayout::Point);
    reportcore::PageMetrics metrics;
    metrics.width = area.width();
    metrics.height = area.height();
    return reportcore::recordsPerPage(report, metrics);
}

// Whether the image has anything but white and the grey around the pages.
int darkPixels(const QImage& image)
{
    int dark = 0;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            dark += qGray(image.pixel(x, y)) < 60;
    return dark;
}

TEST_F(ReportsTest, ThePreviewShowsTheFirstOfThousandsOfPagesAtOnceAndPaintsOnlyThoseInSight)
{
    auto& sql = data->currentDatabase()->sql();
    sql.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100000) "
             "INSERT INTO Contacts (LName, FName, Company, EMail, City) SELECT printf('Zz%06d', i), 'First' || i, "
             "'Company ' || i, 'person' || i || '@example.test', 'Chicago' FROM n");
    data->TBLCon.refresh();
    const std::int64_t total = sql.scalar("SELECT COUNT(*) FROM Contacts", {});
    const reportcore::ReportDescription& report = *reportcore::findReport("contacts");

    QElapsedTimer clock;
    clock.start();
    reports::ReportPreview preview(form.get(), report, reports::viewRows(*data, report));
    preview.show();
    QApplication::processEvents();
    const QImage first = preview.grab().toImage();
    const qint64 elapsed = clock.elapsed();
    std::printf("first page of %lld contacts shown after %lld ms\n", static_cast<long long>(total),
        static_cast<long long>(elapsed));
    EXPECT_LT(elapsed, 10000 * pelmora::test::kSlowdown); // one second is the aim; room for a busy machine

    const int perPage = recordsOnAPage(preview, report);
    EXPECT_EQ(preview.pageCount(), int((total + perPage - 1) / perPage));
    EXPECT_GT(preview.pageCount(), 10000);
    EXPECT_EQ(preview.currentPage(), 1);
    EXPECT_LE(preview.paintedPages(), 3);
    EXPECT_GT(darkPixels(first), 200); // text on the page, not a blank sheet
    if (const char* dir = std::getenv("PELMORA_PREVIEW_PNG"))
        first.save(QString::fromLocal8Bit(dir) + "/first-page.png");
    auto* page = preview.findChild<QSpinBox*>("sePage");
    EXPECT_EQ(page->value(), 1);
    EXPECT_FALSE(preview.findChild<QAction*>("actPriorPage")->isEnabled());

    preview.findChild<QAction*>("actLastPage")->trigger();
    const QImage last = preview.grab().toImage();
    EXPECT_EQ(preview.currentPage(), preview.pageCount());
    EXPECT_EQ(page->value(), preview.pageCount());
    EXPECT_FALSE(preview.findChild<QAction*>("actNextPage")->isEnabled());
    EXPECT_LE(preview.paintedPages(), 6);
    EXPECT_GT(darkPixels(last), 100);

    page->setValue(5000); // typed into the page box
    preview.grab();
    EXPECT_EQ(preview.currentPage(), 5000);
    preview.findChild<QAction*>("actPriorPage")->trigger();
    EXPECT_EQ(preview.currentPage(), 4999);

    const double fitted = preview.zoom();
    preview.findChild<QAction*>("actZoomIn")->trigger();
    EXPECT_GT(preview.zoom(), fitted);
    EXPECT_EQ(preview.currentPage(), 4999); // zooming keeps the page in sight
    auto* zoom = preview.findChild<QComboBox*>("cbZoom");
    zoom->setCurrentIndex(1);
    emit zoom->activated(1); // whole page: a whole sheet fits the view
    const QWidget* view = preview.findChild<QWidget*>("PageView");
    const QSizeF paper = preview.reportPrinter().pageLayout().fullRect(QPageLayout::Point).size();
    EXPECT_LE(paper.height() * preview.zoom(), view->height());
    EXPECT_LE(preview.paintedPages(), 16);
}

TEST_F(ReportsTest, AReportWithoutRecordsPreviewsOnePageOfHeaders)
{
    data->TBLCon.insert();
    data->TBLCon.setString("LName", "Idle");
    data->TBLCon.post();
    const reportcore::ReportDescription& report = *reportcore::findReport("activities");
    reports::ReportPreview preview(form.get(), report, reports::viewRows(*data, report));
    preview.show();
    const QImage shown = preview.grab().toImage();
    EXPECT_EQ(preview.pageCount(), 1);
    EXPECT_FALSE(preview.findChild<QAction*>("actNextPage")->isEnabled());
    EXPECT_GT(darkPixels(shown), 20); // the headers
    if (const char* dir = std::getenv("PELMORA_PREVIEW_PNG"))
        shown.save(QString::fromLocal8Bit(dir) + "/empty-preview.png");
}

// Presses a list window's report button and saves the report it previews as PDF; the PDF's text.
std::string listReport(ScriptedPrompts* prompts, QWidget* window, const char* button, const std::filesystem::path& pdf,
    const QString& title, QPageLayout::Orientation orientation)
{
    prompts->texts.push_back(QString::fromStdString(pdf.string()));
    whenShown<reports::ReportPreview>([&](reports::ReportPreview& preview) {
        EXPECT_EQ(preview.windowTitle(), title);
        EXPECT_EQ(preview.parentWidget(), window); // over the list it was started from
        EXPECT_EQ(preview.reportPrinter().pageLayout().orientation(), orientation);
        preview.findChild<QAction*>("actSaveAsPdf")->trigger();
    });
    auto* pressed = window->findChild<QAbstractButton*>(QLatin1String(button));
    EXPECT_NE(pressed, nullptr) << button;
    if (!pressed)
        return {};
    EXPECT_TRUE(pressed->isEnabled()) << button;
    pressed->click();
    EXPECT_TRUE(std::filesystem::exists(pdf)) << button << ": " << prompts->shown.join('\n').toStdString();
    return pdfText(pdf);
}

TEST_F(ReportsTest, EachListWindowsReportButtonPrintsTheListsRowsAsFilteredWithTheirOwnersNames)
{
    if (std::system("pdftotext -v >/dev/null 2>&1") != 0)
        PELMORA_SKIP_OR_FAIL("pdftotext (poppler-utils) is not installed");
    auto& sql = data->currentDatabase()->sql();
    sql.exec("INSERT INTO Contacts (LName, FName) VALUES ('Ownerlast', 'Ownerfirst')");
    const std::string owner = std::to_string(sql.scalar("SELECT max(Counter) FROM Contacts", {}));
    sql.exec("INSERT INTO Activity (Contact, Activity, DateOf, Done, Detailes) VALUES (" + owner
        + ", 'Call today', date('now'), 0, 'due now'), (" + owner
        + ", 'Visit later', date('now', '+30 days'), 0, 'not today'), (999999, 'Orphan call', date('now'), 0, '')");
    sql.exec("INSERT INTO documents (Contact, Name, File, Size) VALUES (" + owner
        + ", 'Plan doc', 'plan.txt', 120), (999999, 'Orphan doc', 'gone.txt', 7)");
    sql.exec("INSERT INTO EMAIL (Contact, Subject, SenderName, SenderEmail, DateCreated) VALUES (" + owner
        + ", 'Kept subject', 'Sender One', 'one@example.test', date('now')), (" + owner
        + ", 'Dropped subject', 'Sender Two', 'two@example.test', date('now'))");

    // The activity list with "Today" chosen prints today's activities only.
    form->commands()->action(QStringLiteral("mnuActivityList"))->trigger();
    auto* activities = form->findChild<records::TFrmActivityList*>();
    ASSERT_NE(activities, nullptr);
    ASSERT_TRUE(activities->isVisible());
    auto* when = activities->dateList();
    when->setCurrentIndex(when->findText(QStringLiteral("Today")));
    emit when->activated(when->currentIndex());
    std::string text = listReport(prompts, activities, "btnPrintActivity", home.path() / "activity-list.pdf",
        QStringLiteral("Activity List"), QPageLayout::Landscape);
    for (const char* expected : { "Call today", "Orphan call", "Ownerfirst", "Ownerlast", "Detailes", "Page #1" })
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
    EXPECT_EQ(text.find("Visit later"), std::string::npos) << text;
    activities->close();

    // The document list prints every document; one whose contact is gone prints without names.
    form->commands()->action(QStringLiteral("mnuDocumentList"))->trigger();
    auto* documents = form->findChild<records::TfrmDocFull*>();
    ASSERT_NE(documents, nullptr);
    ASSERT_TRUE(documents->isVisible());
    text = listReport(prompts, documents, "btnPrintDocument", home.path() / "document-list.pdf",
        QStringLiteral("Document List"), QPageLayout::Portrait);
    for (const char* expected : { "Plan doc", "plan.txt", "Orphan doc", "Ownerlast", "Doc Name" })
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
    for (const auto& line : QString::fromStdString(text).split('\n')) {
        if (line.contains("Orphan doc")) {
            EXPECT_FALSE(line.contains("Owner")) << line.toStdString(); // no stale name carried over
        }
    }
    documents->close();

    // The e-mail list prints the messages its filter leaves.
    form->commands()->action(QStringLiteral("mnuEmailList"))->trigger();
    auto* mail = form->findChild<email::TfrmEmailList*>();
    ASSERT_NE(mail, nullptr);
    ASSERT_TRUE(mail->isVisible());
    data->TBLEmailFull.setFilter("Subject = 'Kept subject'");
    data->TBLEmailFull.setFiltered(true);
    data->TBLEmailFull.refresh();
    text = listReport(prompts, mail, "btnReport", home.path() / "email-list.pdf", QStringLiteral("Email List"),
        QPageLayout::Portrait);
    for (const char* expected : { "Kept subject", "Sender One", "Ownerlast", "Status" })
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
    EXPECT_EQ(text.find("Dropped subject"), std::string::npos) << text;
}

TEST_F(ReportsTest, ALongExportShowsItsProgressAndCancellingItLeavesTheOldFileAsItWas)
{
    data->currentDatabase()->sql().exec(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000) "
        "INSERT INTO Contacts (LName, FName) SELECT printf('Zz%06d', i), 'First' || i FROM n");
    data->TBLCon.refresh();
    const auto pdf = home.path() / "kept.pdf";
    {
        std::ofstream old(pdf);
        old << "the report saved yesterday";
    }
    const reportcore::ReportDescription& report = *reportcore::findReport("contacts");
    reports::ReportPreview preview(form.get(), report, reports::viewRows(*data, report));
    preview.show();
    prompts->texts.push_back(QString::fromStdString(pdf.string()));
    bool cancelled = false;
    QTimer cancel;
    QObject::connect(&cancel, &QTimer::timeout, [&] {
        auto* progress = preview.findChild<QProgressDialog*>("ReportProgress");
        if (progress && progress->isVisible() && !cancelled) {
            EXPECT_GT(progress->maximum(), 20000);
            cancelled = true;
            progress->cancel();
        }
    });
    cancel.start(20);
    EXPECT_FALSE(preview.saveAsPdf());
    EXPECT_TRUE(cancelled);
    EXPECT_EQ(prompts->shown, QStringList { "Save as PDF|" }); // the file was asked; no error for a cancel
    std::ifstream kept(pdf);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "the report saved yesterday");
    std::vector<std::string> beside; // no half-written temporary is left beside it
    for (const auto& entry : std::filesystem::directory_iterator(home.path()))
        if (entry.path().filename().string().starts_with("kept"))
            beside.push_back(entry.path().filename().string());
    EXPECT_EQ(beside, std::vector<std::string> { "kept.pdf" });
}

TEST_F(ReportsTest, PrintingPaintsEveryPageOnThePrinterChosen)
{
    if (std::system("pdftotext -v >/dev/null 2>&1") != 0)
        PELMORA_SKIP_OR_FAIL("pdftotext (poppler-utils) is not installed");
    data->currentDatabase()->sql().exec(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 30) "
        "INSERT INTO Contacts (LName, FName) SELECT printf('Printed%02d', i), 'P' FROM n");
    data->TBLCon.refresh();
    const reportcore::ReportDescription& report = *reportcore::findReport("contacts-web");
    reports::ReportPreview preview(form.get(), report, reports::viewRows(*data, report));
    preview.show();
    ASSERT_GE(preview.pageCount(), 2);
    auto* view = preview.findChild<QWidget*>("PageView");
    QTest::keyClick(view, Qt::Key_End);
    EXPECT_EQ(preview.currentPage(), preview.pageCount());
    QTest::keyClick(view, Qt::Key_Home);
    EXPECT_EQ(preview.currentPage(), 1);
    // A printer that writes a file stands in for a real one.
    const auto printed = home.path() / "printed.pdf";
    preview.reportPrinter().setOutputFileName(QString::fromStdString(printed.string()));
    QTimer::singleShot(0, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->accept();
    });
    EXPECT_TRUE(preview.print());
    ASSERT_TRUE(std::filesystem::exists(printed));
    const std::string text = pdfText(printed);
    EXPECT_NE(text.find("Page #" + std::to_string(preview.pageCount())), std::string::npos) << text;
    EXPECT_NE(text.find("Printed01"), std::string::npos);
    EXPECT_NE(text.find("Printed30"), std::string::npos);
}

} // namespace
} // namespace pelmora::test
