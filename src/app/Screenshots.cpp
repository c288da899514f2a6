#include "app/Screenshots.h"

#include "app/GuiDataPrompts.h"
#include "app/TfrmFilter.h"
#include "app/TfrmFind.h"
#include "app/TfrmMainForm.h"
#include "app/TfrmSearch.h"
#include "app/Tfrmsort.h"
#include "app/TfrmSplash.h"
#include "base/Error.h"
#include "data/DatabaseSet.h"
#include "data/DataModuleOperations.h"
#include "data/TfrmDataModule.h"
#include "databases/GuiDatabasePrompts.h"
#include "databases/TfrmChoosDir.h"
#include "databases/TFrmDatabaseList.h"
#include "databases/TMsgform.h"
#include "email/TMailAddressDlg.h"
#include "email/TSetupDlg.h"
#include "email/TSMTPForm.h"
#include "mail/TmsMailAddress.h"
#include "records/TfrmActivity.h"
#include "records/TfrmCategory.h"
#include "records/TfrmDateRange1.h"
#include "records/TfrmDefActivity.h"
#include "records/TfrmDefMore.h"
#include "records/TfrmDepart.h"
#include "records/TfrmJobTitle.h"
#include "records/TfrmLinks.h"
#include "records/TfrmNotes.h"
#include "records/TfrmPeople.h"
#include "reportcore/ReportDescription.h"
#include "reports/ReportPreview.h"
#include "reports/TfrmReportDlg.h"
#include "settings/Paths.h"
#include "settings/Settings.h"
#include "widgets/DateText.h"
#include "widgets/TBrDateForm.h"
#include "widgets/TDataSource.h"
#include "widgets/TfrmMemo.h"
#include <QLineEdit>
#include <QPlainTextEdit>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

namespace pelmora::app {

namespace {

struct Shot {
    std::function<std::unique_ptr<QWidget>()> make;
    QSize size; // empty: the window's own size
};

void save(QWidget& window, const QSize& size, const QDir& directory)
{
    if (size.isValid())
        window.resize(size);
    window.show();
    QApplication::processEvents();
    const QString file = directory.filePath(window.objectName() + QStringLiteral(".png"));
    if (!window.grab().save(file))
        throw Error("Cannot write the picture " + file.toStdString());
    window.hide();
}

template <typename Window> Shot shot(QSize size = {})
{
    return { [] { return std::make_unique<Window>(); }, size };
}

// A list window showing the entries of `view`.
template <typename Window> Shot listShot(data::TableView& view, const char* field)
{
    return { [&view, field] {
                auto window = std::make_unique<Window>();
                window->setDataSource(new TDataSource(view, window.get()), field);
                return window;
            },
        {} };
}

// An editor showing the current record of `view`.
template <typename Editor> Shot editorShot(data::TableView& view)
{
    return { [&view] {
                auto source = new TDataSource(view);
                auto editor = std::make_unique<Editor>(source);
                source->setParent(editor.get());
                return editor;
            },
        {} };
}

// The progress window half-way through a back-up: a file being added, the bar partly filled
// and the first lines of the memo.
std::unique_ptr<QWidget> progressShot(data::DatabaseSet& set)
{
    data::TMsgform& state = set.progressWindow();
    auto window = std::make_unique<databases::TMsgform>(state, set.zipMaster());
    state.addLine("Beginning Add to /home/user/backups/Clients.zip");
    state.addLine("  adding: database.sqlite");
    state.progress(0, "/home/user/pelmora/Clients/database.sqlite", 10 * 32768);
    for (int block = 0; block < 6; ++block)
        state.progress(1, {}, 0);
    return window;
}

} // namespace

void renderScreenshots(const QString& directory)
{
    QDir dir(directory);
    if (!dir.mkpath(QStringLiteral(".")))
        throw Error("Cannot create the directory " + directory.toStdString());
    // A fresh Sample database in a directory of its own: the pictures show the same records on
    // every machine, and the user's databases and settings are not touched.
    QTemporaryDir home;
    if (!home.isValid())
        throw Error("Cannot create a temporary directory for the Sample database");
    const settings::Paths sample = settings::Paths::forProgramDir(home.path().toStdString());
    sample.createDirectories();
    GuiDataPrompts dataPrompts(nullptr);
    data::TfrmDataModule dataModule(dataPrompts, sample.dataDir(), sample.attachDir());
    dataModule.setDateFormat(engineDateFormat());
    dataModule.openDatabase(sample.dataDir());
    // As after the Sample database was opened from the Database List, so its name is shown.
    settings::Settings opened;
    opened.lastDataName = "Sample";
    opened.lastData = sample.dataDir().string();
    opened.save(sample.iniFile());
    data::DataModuleOperations operations(dataModule);
    databases::GuiDatabasePrompts databasePrompts;
    data::CurrentDatabase current { "Sample", sample.dataDir().string() };
    data::DatabaseSet databaseSet(operations, databasePrompts, sample.programDir(), current);
    operations.insertDatabaseRow("Clients", (sample.programDir() / "Clients").string());
    dataModule.TBLBaseName.first();
    const std::vector<Shot> shots = {
        { [&] {
             auto form = std::make_unique<TfrmMainForm>(sample);
             form->attachDataModule(dataModule, dataPrompts);
             return form;
         },
            QSize(1280, 800) },
        { [] { return std::make_unique<TfrmSplash>(); }, {} },
        { [&] {
             auto source = new TDataSource(dataModule.TBLCon);
             auto search = std::make_unique<TfrmSearch>(dataModule.TBLSearchCon, source);
             source->setParent(search.get());
             return search;
         },
            {} },
        { [&] { return std::make_unique<TfrmFilter>(&dataModule.TBLCon); }, {} },
        { [&] {
             auto source = new TDataSource(dataModule.TBLCon);
             auto find = std::make_unique<TfrmFind>(source);
             source->setParent(find.get());
             return find;
         },
            {} },
        { [&] { return std::make_unique<Tfrmsort>(&dataModule.TBLCon); }, {} },
        shot<TBrDateForm>(),
        shot<TfrmMemo>(),
        editorShot<records::TfrmLinks>(dataModule.TBLLinks),
        editorShot<records::TfrmActivity>(dataModule.TBLActivity),
        editorShot<records::TfrmPeople>(dataModule.TBLPeople),
        editorShot<records::TfrmNotes>(dataModule.TBLNotes),
        listShot<records::TfrmCategory>(dataModule.TBLCategory, "Desc"),
        listShot<records::TfrmDepart>(dataModule.TBLDepart, "Description"),
        listShot<records::TfrmJobTitle>(dataModule.TBLJobTitle, "Description"),
        listShot<records::TfrmDefActivity>(dataModule.TBLActDesc, "ActDesc"),
        { [&] {
             // The shared field names, opened as the "Define" button opens them, a few of them named.
             dataModule.TBLMoreName.open();
             auto window = std::make_unique<records::TfrmDefMore>();
             window->setDataSource(new TDataSource(dataModule.TBLMoreName, window.get()));
             return window;
         },
            {} },
        shot<records::TfrmDateRange1>(),
        { [&] { return std::make_unique<databases::TFrmDatabaseList>(databaseSet, dataModule.TBLBaseName); }, {} },
        { [&] { return progressShot(databaseSet); }, {} },
        { [] {
             auto setup = std::make_unique<email::TSetupDlg>();
             settings::Settings values;
             values.server = "pop.example.net";
             values.smtpServer = "smtp.example.net:587";
             values.senderName = "Ann Adams";
             values.userName = "ann";
             values.password = "secret";
             values.emailAddress = "ann@example.net";
             setup->load(values, { "office" });
             return setup;
         },
            {} },
        { [] {
             auto send = std::make_unique<email::TSMTPForm>();
             send->newMessage(2, QStringLiteral("bob@example.net"));
             send->SubjectEdit->setText(QStringLiteral("Minutes of the meeting"));
             send->BodyMemo->setPlainText(QStringLiteral("Dear Bob,\n\nthe minutes are attached.\n\nAnn"));
             send->addAttachment(QStringLiteral("/home/user/Documents/minutes.pdf"));
             return send;
         },
            {} },
        { [] {
             auto address = std::make_unique<email::TMailAddressDlg>();
             address->load(mail::TmsMailAddress("bob@example.net", "Bob Brown"));
             return address;
         },
            {} },
        { [] {
             auto chooser = std::make_unique<databases::TfrmChoosDir>();
             chooser->setDirectory(QDir::rootPath());
             // The tree reads the directories in the background; the picture waits for them,
             // a short while at most.
             QElapsedTimer waited;
             waited.start();
             while (!chooser->treeLoaded() && waited.elapsed() < 3000)
                 QApplication::processEvents(QEventLoop::AllEvents, 50);
             return chooser;
         },
            {} },
        { [] { return std::make_unique<reports::TfrmReportDlg>(); }, {} },
        { [&] {
             const reportcore::ReportDescription& report = *reportcore::findReport("contacts");
             return std::make_unique<reports::ReportPreview>(nullptr, report, reports::viewRows(dataModule, report));
         },
            QSize(1100, 800) },
    };
    for (const Shot& each : shots) {
        std::unique_ptr<QWidget> window = each.make();
        save(*window, each.size, dir);
    }
}

} // namespace pelmora::app
