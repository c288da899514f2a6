#include "app/Screenshots.h"

#include "app/GuiDataPrompts.h"
#include "app/TfrmFilter.h"
#include "app/TfrmMainForm.h"
#include "app/TfrmSearch.h"
#include "app/Tfrmsort.h"
#include "app/TfrmSplash.h"
#include "base/Error.h"
#include "carddav/Account.h"
#include "carddav/SyncState.h"
#include "comms/TfrmFax.h"
#include "data/Database.h"
#include "data/DatabaseSet.h"
#include "data/DataModuleOperations.h"
#include "data/SqlDatabase.h"
#include "data/TfrmDataModule.h"
#include "databases/GuiDatabasePrompts.h"
#include "databases/TfrmChoosDir.h"
#include "databases/TFrmDatabaseList.h"
#include "databases/TMsgform.h"
#include "email/TfrmDefineImpFile.h"
#include "email/TfrmEmail.h"
#include "email/TfrmEmailList.h"
#include "email/TfrmShowAttach.h"
#include "email/TMailAddressDlg.h"
#include "email/TSetupDlg.h"
#include "email/TSMTPForm.h"
#include "mail/TmsMailAddress.h"
#include "mailstore/StoredMessage.h"
#include "records/TfrmActivity.h"
#include "records/TFrmActivityList.h"
#include "records/TfrmCategory.h"
#include "records/TfrmContactList.h"
#include "records/TfrmDateRange1.h"
#include "records/TfrmDefActivity.h"
#include "records/TfrmDefMore.h"
#include "records/TfrmDepart.h"
#include "records/TfrmDocFull.h"
#include "records/TfrmDuplicates.h"
#include "records/TfrmExportContacts.h"
#include "records/TfrmHttp.h"
#include "records/TfrmImportContacts.h"
#include "records/TfrmInsertedDoc.h"
#include "records/TfrmJobTitle.h"
#include "records/TfrmLinks.h"
#include "records/TfrmNotes.h"
#include "records/TfrmPeople.h"
#include "reportcore/ReportDescription.h"
#include "reports/ReportPreview.h"
#include "reports/TfrmReportDlg.h"
#include "settings/Paths.h"
#include "settings/Settings.h"
#include "sync/ContactSyncWindow.h"
#include "widgets/DateText.h"
#include "widgets/TBrDateForm.h"
#include "widgets/TDataSource.h"
#include "widgets/TfrmFind.h"
#include "widgets/TfrmListSearch.h"
#include "widgets/TfrmMemo.h"
#include <QLineEdit>
#include <QPlainTextEdit>

#include <QApplication>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QStatusBar>
#include <QTcpServer>
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

// A few received and sent messages, one with two files, so the e-mail windows have rows to show.
void addSampleMessages(data::TfrmDataModule& dataModule)
{
    mailstore::MailStore store(*dataModule.currentDatabase());
    const auto file = [&](const char* name, const char* text) {
        const std::filesystem::path path = dataModule.attachDirectory() / name;
        std::filesystem::create_directories(path.parent_path());
        std::FILE* out = std::fopen(path.c_str(), "w");
        if (out) {
            std::fputs(text, out);
            std::fclose(out);
        }
        return path.string();
    };
    const auto message = [&](std::int64_t contact, std::int64_t status, const char* subject, const char* name,
                             const char* address, const char* body, std::vector<std::string> files = {}) {
        mailstore::StoredMessage m;
        m.contact = contact;
        m.status = status;
        m.subject = subject;
        m.senderName = name;
        m.senderEmail = address;
        m.body = body;
        m.attachments = std::move(files);
        store.insert(m);
    };
    message(mailstore::kInbox, mailstore::kReceived, "Spring catalog", "Tessa Marlowe", "tessa.marlowe@example.com",
        "Hello,\n\nthe spring catalog and the price list are attached.\n\nTessa",
        { file("catalog.pdf", "catalog"), file("prices.csv", "item,price\n") });
    message(mailstore::kInbox, mailstore::kReceived, "Meeting on Thursday", "Leo Park", "leo.park@example.org",
        "Can we move our meeting to 10 o'clock?");
    message(mailstore::kInbox, mailstore::kReceived, "No Subject", "", "newsletter@example.net", "Monthly news.");
    message(2, mailstore::kOutgoing, "Re: Spring catalog", "Tessa Marlowe", "tessa.marlowe@example.com",
        "Thank you, Tessa.");
}

// The Contact Sync window after a sync that left one contact changed on both sides.
std::unique_ptr<QWidget> contactSyncShot(const settings::Paths& paths, data::SqlDatabase& db)
{
    carddav::Account account;
    account.server = "https://dav.example.org/";
    account.user = "ann";
    account.password = "secret";
    account.book = "https://dav.example.org/ann/contacts/";
    account.bookName = "Contacts";
    account.save(paths.iniFile());
    carddav::SyncState state(db);
    state.setValue("Book", account.book);
    state.setValue("LastSync", "2026-03-02T09:30:00Z");
    state.setValue("LastResult", "sent 3, received 12, deleted here 0, deleted there 1, conflicts 1");
    carddav::SyncItem item;
    item.href = "/ann/contacts/leo-park.vcf";
    item.contact = db.scalar("SELECT MIN(Counter) FROM Contacts");
    item.etag = "\"17\"";
    item.theirs = "BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Leo Park\r\nEMAIL:leo.park@example.org\r\nEND:VCARD\r\n";
    item.theirsEtag = "\"18\"";
    state.save(item);
    return std::make_unique<sync::ContactSyncWindow>(paths.iniFile(), db);
}

// The same window while a sync runs: against a server on loopback that takes the request and
// never answers, so the sync waits at its first question until the window goes and stops it.
std::unique_ptr<QWidget> contactSyncRunningShot(const settings::Paths& paths, data::SqlDatabase& db, QTcpServer& silent)
{
    if (!silent.isListening() && !silent.listen(QHostAddress::LocalHost))
        throw Error("Cannot listen on loopback for the picture of a running contact sync");
    const std::string origin = "http://127.0.0.1:" + std::to_string(silent.serverPort());
    carddav::Account account = carddav::Account::load(paths.iniFile());
    account.server = origin + "/";
    account.book = origin + "/ann/contacts/";
    account.save(paths.iniFile());
    auto window = std::make_unique<sync::ContactSyncWindow>(paths.iniFile(), db);
    window->setObjectName(QStringLiteral("ContactSyncWindowRunning"));
    window->show();
    window->SyncBtn->click();
    QElapsedTimer waited;
    waited.start();
    while (!window->ProgressLabel->text().contains(QLatin1String("asking")) && waited.elapsed() < 3000)
        QApplication::processEvents(QEventLoop::AllEvents, 50);
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
    addSampleMessages(dataModule);
    dataModule.TBLEmailFull.refresh();
    QTcpServer silentServer;
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
        { [&] {
             auto list = std::make_unique<records::TFrmActivityList>(dataModule, nullptr);
             list->refreshFromDisk();
             list->applyFilter();
             return list;
         },
            QSize(1000, 480) },
        { [&] {
             auto source = new TDataSource(dataModule.TBLCon);
             auto list = std::make_unique<records::TfrmContactList>(dataModule, source, QString(), nullptr);
             source->setParent(list.get());
             list->activate();
             return list;
         },
            QSize(1100, 520) },
        { [&] {
             auto source = new TDataSource(dataModule.TBLCon);
             auto list = std::make_unique<records::TfrmURLList>(dataModule, source, QString(), nullptr);
             source->setParent(list.get());
             list->activate();
             return list;
         },
            QSize(1100, 520) },
        { [&] {
             // Two spellings of one person beside the Sample contacts, so the window has a pair.
             dataModule.TBLCon.database()->sql().exec(
                 "INSERT INTO Contacts (LName, FName, Company, EMail, Phone1, City) VALUES "
                 "('Zeppelin', 'Quentin', 'Harbour Works', 'q.zeppelin@example.org', '+1 212 555 0147', NULL), "
                 "('Zeppelin', 'Q.', 'Harbour Works Ltd', 'Q.Zeppelin@example.org', '(212) 555-0147', "
                 "'Portsmouth')");
             auto window = std::make_unique<records::TfrmDuplicates>(dataModule);
             window->findPairs();
             return window;
         },
            QSize(900, 620) },
        { [&] {
             // A club's CSV list with a column the header row does not name, mapped by hand.
             const std::filesystem::path file = sample.programDir() / "club.csv";
             std::ofstream(file, std::ios::binary)
                 << "Last Name,First Name,E-mail Address,Company,Where From\r\n"
                    "Ashgrove,Peregrine,peregrine@ashgrove.example,Ashgrove Mills,Kettering\r\n"
                    "Brindle,Wren,wren@brindle.example,,Stamford\r\n"
                    "Corrigan,Maeve,maeve@corrigan.example,Corrigan & Daughters,Oundle\r\n";
             auto window = std::make_unique<records::TfrmImportContacts>(dataModule);
             window->loadFile(QString::fromStdString(file.string()));
             window->mapColumn(4, QStringLiteral("City"));
             window->runImport(true);
             return window;
         },
            QSize(900, 420) },
        { [&] {
             return std::make_unique<records::TfrmExportContacts>(
                 dataModule, "City = 'Boston'", dataModule.TBLCon.asInteger("Counter"));
         },
            QSize(420, 300) },
        editorShot<records::TfrmInsertedDoc>(dataModule.TBLDoc),
        editorShot<records::TfrmInsertedDocFull>(dataModule.TBLDocFull),
        shot<records::TfrmDelDoc>(),
        { [&] {
             // Two documents of the first contacts, so the list shows rows.
             dataModule.TBLCon.database()->sql().exec(
                 "INSERT INTO documents (Name, File, Added, Size, ModiDate, Notes, Contact) VALUES "
                 "('Spring order', '/home/user/Documents/spring-order.pdf', '2026-03-02', 48213, '2026-03-01', "
                 "'Signed copy', (SELECT min(Counter) FROM Contacts)), "
                 "('Catalog page', '/home/user/pelmora/Docs/1.htm', '2026-02-12', 10544, '2026-02-12', NULL, "
                 "(SELECT max(Counter) FROM Contacts))");
             auto list = std::make_unique<records::TfrmDocFull>(dataModule, nullptr);
             list->refreshFromDisk();
             return list;
         },
            QSize(1000, 360) },
        { [&] {
             auto grab = std::make_unique<records::TfrmHttp>(sample.pageDir(), records::TfrmHttp::PageNumber {});
             grab->Memo1->setPlainText(QStringLiteral("HTTP/1.1 200 OK\nContent-Type: text/html\n"));
             grab->StatusBar1->showMessage(QStringLiteral("Connection closed"));
             return grab;
         },
            {} },
        { [&] { return std::make_unique<records::TfrmHttpFull>(sample.pageDir(), records::TfrmHttp::PageNumber {}); },
            {} },
        { [&] {
             auto source = new TDataSource(dataModule.TBLActivityList);
             auto search = std::make_unique<TfrmListSearch>(source,
                 std::vector<std::pair<std::string, QString>> {
                     { "Activity", QStringLiteral("Activity") }, { "Detailes", QStringLiteral("Details") } });
             source->setParent(search.get());
             return search;
         },
            {} },
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
        { [&] { return std::make_unique<email::TfrmEmail>(dataModule, opened); }, {} },
        { [&] {
             auto list = std::make_unique<email::TfrmEmailList>(dataModule);
             list->setModal(true); // shown alone, as the inbox is
             return list;
         },
            {} },
        { [&] {
             // The first inbox message, the one with the two files.
             dataModule.TBLEmailFull.first();
             return std::make_unique<email::TfrmShowAttFull>(dataModule.TBLEmailFull, dataModule.QURAttach);
         },
            {} },
        { [&] {
             opened.defImp = email::TfrmDefineImpFile::Mbox;
             opened.defImpStr = "/home/user/mail/saved-messages";
             return std::make_unique<email::TfrmDefineImpFile>(opened);
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
        { [&] { return contactSyncShot(sample, dataModule.currentDatabase()->sql()); }, {} },
        { [&] { return contactSyncRunningShot(sample, dataModule.currentDatabase()->sql(), silentServer); }, {} },
        { [&] {
             const reportcore::ReportDescription& report = *reportcore::findReport("contacts");
             return std::make_unique<reports::ReportPreview>(nullptr, report, reports::viewRows(dataModule, report));
         },
            QSize(1100, 800) },
        { [] {
             auto fax = std::make_unique<comms::TfrmFax>();
             // The address block as the contact page's button writes it, then a short price list.
             fax->loadPage(QStringLiteral(
                 "{\\rtf1\\ansi{\\fonttbl{\\f0 Liberation Sans;}}\\f0\\fs24 "
                 "To : Ann Adams\\par \\par Company : Adams & Co\\par \\par Fax : +1 555 0100\\par \\par "
                 "{\\b\\fs32 Price list}\\par Dear Ann, the new prices are:\\par "
                 "{\\pntext\\'b7\\tab}{\\*\\pn\\pnlvlblt}\\fi-360\\li720 Widgets: {\\i 12.50}\\par "
                 "{\\pntext\\'b7\\tab}Gadgets: {\\i 8.00}\\par\\pard\\qr Bob Brown}"));
             return fax;
         },
            {} },
    };
    for (const Shot& each : shots) {
        std::unique_ptr<QWidget> window = each.make();
        save(*window, each.size, dir);
    }
}

} // namespace pelmora::app
