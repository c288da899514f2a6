#include "sync/ContactSyncWindow.h"

#include "base/Error.h"
#include "carddav/Account.h"
#include "carddav/Client.h"
#include "carddav/Sync.h"
#include "carddav/SyncError.h"
#include "carddav/SyncState.h"
#include "carddav/VCardContacts.h"
#include "data/SqlDatabase.h"
#include "data/TableView.h"
#include "data/TfrmDataModule.h"
#include "sync/SyncWorker.h"
#include "widgets/Prompts.h"

#include <QComboBox>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QThread>
#include <QVBoxLayout>

#include <exception>

namespace pelmora::sync {

namespace {

// Where the book combo keeps whether a book offers the report of changes since a token.
constexpr int kSyncCollectionRole = Qt::UserRole + 1;

// How long closing the window waits for a stopped sync: a request in flight is cut short at
// once, a batch of local writes ends within moments.
constexpr int kStopWaitMs = 15000;

QString qs(const std::string& text)
{
    return QString::fromStdString(text);
}

// The name and e-mail of a card, to tell the conflicts apart in the list.
QString summary(const std::string& vcard)
{
    QString name, mail;
    for (const QString& line : qs(vcard).split(QLatin1Char('\n'))) {
        const QString l = line.trimmed();
        if (name.isEmpty() && l.startsWith(QLatin1String("FN"), Qt::CaseInsensitive)
            && l.indexOf(QLatin1Char(':')) == 2)
            name = l.mid(3);
        if (mail.isEmpty() && l.startsWith(QLatin1String("EMAIL"), Qt::CaseInsensitive))
            mail = l.mid(l.indexOf(QLatin1Char(':')) + 1);
    }
    return mail.isEmpty() ? name : name + QLatin1String(" <") + mail + QLatin1Char('>');
}

} // namespace

ContactSyncWindow::ContactSyncWindow(std::filesystem::path iniFile, data::SqlDatabase& db, QWidget* parent)
    : QDialog(parent)
    , m_iniFile(std::move(iniFile))
    , m_db(db)
{
    setObjectName(QStringLiteral("ContactSyncWindow"));
    setWindowTitle(tr("Contact Sync"));
    ServerEdit = new QLineEdit(this);
    ServerEdit->setPlaceholderText(QStringLiteral("https://"));
    UserEdit = new QLineEdit(this);
    PasswordEdit = new QLineEdit(this);
    PasswordEdit->setEchoMode(QLineEdit::Password);
    BookCombo = new QComboBox(this);
    BookCombo->setMinimumContentsLength(24);
    FindBooksBtn = new QPushButton(tr("&Find Address Books"), this);
    SyncBtn = new QPushButton(tr("Sync &now"), this);
    LastSyncLabel = new QLabel(this);
    LastSyncLabel->setWordWrap(true);
    ProgressLabel = new QLabel(this);
    ProgressBar = new QProgressBar(this);
    ProgressBar->setRange(0, 0); // how long a sync takes is not known beforehand
    ProgressBar->setTextVisible(false);
    ProgressBar->setMaximumWidth(160);
    ConflictList = new QListWidget(this);
    ConflictDetailLabel = new QLabel(this);
    ConflictDetailLabel->setWordWrap(true);
    ConflictDetailLabel->setTextFormat(Qt::PlainText);
    KeepMineBtn = new QPushButton(tr("&Keep mine"), this);
    TakeTheirsBtn = new QPushButton(tr("&Take theirs"), this);
    CloseBtn = new QPushButton(tr("Close"), this);

    m_account = new QGroupBox(tr("Address book server"), this);
    auto* form = new QFormLayout(m_account);
    form->addRow(tr("&Server:"), ServerEdit);
    form->addRow(tr("&User:"), UserEdit);
    form->addRow(tr("&Password:"), PasswordEdit);
    auto* bookRow = new QHBoxLayout;
    bookRow->addWidget(BookCombo, 1);
    bookRow->addWidget(FindBooksBtn);
    auto* bookLabel = new QLabel(tr("&Address book:"), m_account);
    bookLabel->setBuddy(BookCombo); // a row of two widgets takes no buddy by itself
    form->addRow(bookLabel, bookRow);

    m_conflicts = new QGroupBox(tr("Changed on both sides"), this);
    auto* conflictLayout = new QVBoxLayout(m_conflicts);
    conflictLayout->addWidget(ConflictList);
    conflictLayout->addWidget(ConflictDetailLabel);
    auto* choice = new QHBoxLayout;
    choice->addStretch();
    choice->addWidget(KeepMineBtn);
    choice->addWidget(TakeTheirsBtn);
    conflictLayout->addLayout(choice);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(SyncBtn);
    buttons->addStretch();
    buttons->addWidget(CloseBtn);

    auto* progress = new QHBoxLayout;
    progress->addWidget(ProgressLabel, 1);
    progress->addWidget(ProgressBar);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_account);
    layout->addWidget(LastSyncLabel);
    layout->addLayout(progress);
    layout->addWidget(m_conflicts, 1);
    layout->addLayout(buttons);

    connect(FindBooksBtn, &QPushButton::clicked, this, &ContactSyncWindow::findBooks);
    connect(SyncBtn, &QPushButton::clicked, this, [this] {
        if (isSyncing())
            stopSync();
        else
            startSync();
    });
    connect(KeepMineBtn, &QPushButton::clicked, this, [this] { resolve(true); });
    connect(TakeTheirsBtn, &QPushButton::clicked, this, [this] { resolve(false); });
    connect(CloseBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(ConflictList, &QListWidget::currentRowChanged, this, &ContactSyncWindow::showConflict);

    const carddav::Account stored = carddav::Account::load(m_iniFile);
    ServerEdit->setText(qs(stored.server));
    UserEdit->setText(qs(stored.user));
    PasswordEdit->setText(qs(stored.password));
    if (stored.configured()) {
        BookCombo->addItem(qs(stored.bookName), qs(stored.book));
        BookCombo->setItemData(0, stored.syncCollection, kSyncCollectionRole);
    }
    resize(520, 460);
    setSyncing(false);
    refresh();
}

ContactSyncWindow::~ContactSyncWindow()
{
    if (m_worker) {
        m_worker->disconnect(this);
        endSync();
    }
}

void ContactSyncWindow::useDataModule(const data::TfrmDataModule& module)
{
    m_dataModule = std::make_unique<DataModuleDirectories>(
        DataModuleDirectories { module.dataDirectory(), module.attachDirectory(), module.currentDirectory() });
}

void ContactSyncWindow::refresh()
{
    carddav::SyncState state(m_db);
    QString when = qs(state.value("LastSync")); // "2026-12-08T10:00:00Z"
    when.replace(QLatin1Char('T'), QLatin1Char(' ')).replace(QLatin1Char('Z'), QLatin1String(" UTC"));
    QString last
        = when.isEmpty() ? tr("Not synced yet.") : tr("Last sync: %1, %2").arg(when, qs(state.value("LastResult")));
    // A failed sync leaves no trace in the database, so the window says so itself: the line
    // above would otherwise read as the outcome of the attempt just made.
    if (!m_lastError.isEmpty())
        last += QLatin1Char('\n') + tr("The sync just tried failed: %1").arg(m_lastError);
    LastSyncLabel->setText(last);
    ConflictList->clear();
    for (const carddav::SyncItem& item : state.items()) {
        if (!item.conflict())
            continue;
        auto* entry = new QListWidgetItem(summary(item.theirs), ConflictList);
        entry->setData(Qt::UserRole, qs(item.href));
    }
    showConflict(-1);
    SyncBtn->setEnabled(BookCombo->count() > 0);
}

// What the user needs to choose: the fields in which ours and the server's card differ. Ours
// may have been deleted meanwhile; then only the server's card can be taken.
void ContactSyncWindow::showConflict(int row)
{
    QListWidgetItem* entry = row >= 0 ? ConflictList->item(row) : nullptr;
    bool ours = false;
    QStringList lines;
    if (entry) {
        try {
            carddav::SyncState state(m_db);
            const std::optional<carddav::SyncItem> item
                = state.item(entry->data(Qt::UserRole).toString().toStdString());
            carddav::VCardContacts contacts(m_db);
            ours = item && item->contact && contacts.exists(*item->contact);
            if (!item) {
                lines << tr("This conflict was resolved meanwhile; sync again.");
            } else if (!ours) {
                lines << tr("Deleted here since; taking theirs brings the contact back.");
            } else {
                for (const auto& difference : contacts.differences(*item->contact, item->theirs)) {
                    data::ViewField field;
                    field.name = difference.column;
                    auto shown = [this](const std::string& value) {
                        return value.empty() ? tr("(empty)") : QStringLiteral("\u201C%1\u201D").arg(qs(value));
                    };
                    lines << tr("%1: here %2, on the server %3")
                                 .arg(qs(field.title()), shown(difference.ours), shown(difference.theirs));
                }
                if (lines.isEmpty())
                    lines << tr("The two differ only in details kept with the card.");
            }
        } catch (const Error& e) {
            lines << qs(e.what());
        }
    }
    ConflictDetailLabel->setText(lines.join(QLatin1Char('\n')));
    ConflictDetailLabel->setVisible(entry != nullptr);
    KeepMineBtn->setEnabled(ours);
    TakeTheirsBtn->setEnabled(entry != nullptr);
}

void ContactSyncWindow::showError(const QString& text)
{
    emit statusText(text);
    app::prompts().showError(this, windowTitle(), text);
}

// Finding the books takes several questions to the server; they are asked on a thread of their
// own, so that a slow server (or one that never answers, until the time-out) does not freeze
// the window meanwhile. Nothing else can be started until the answer is in.
std::vector<carddav::AddressBook> ContactSyncWindow::discoverBooks(const carddav::Account& account)
{
    std::vector<carddav::AddressBook> books;
    std::exception_ptr failure;
    const std::unique_ptr<QThread> thread(QThread::create([&] {
        try {
            carddav::CardDavClient client(account.connection());
            books = client.discover(account.server);
        } catch (...) {
            failure = std::current_exception();
        }
    }));
    QEventLoop waiting;
    connect(thread.get(), &QThread::finished, &waiting, &QEventLoop::quit);
    m_account->setEnabled(false);
    m_conflicts->setEnabled(false);
    SyncBtn->setEnabled(false);
    ProgressLabel->setVisible(true);
    ProgressBar->setVisible(true);
    showProgress(tr("Contact sync: finding the address books"));
    thread->start();
    waiting.exec(); // the finished signal crosses threads, so it arrives inside this loop
    thread->wait();
    setSyncing(false);
    if (failure)
        std::rethrow_exception(failure);
    return books;
}

void ContactSyncWindow::findBooks()
{
    const carddav::Account account = typedAccount();
    try {
        const std::vector<carddav::AddressBook> books = discoverBooks(account);
        BookCombo->clear();
        for (const carddav::AddressBook& book : books) {
            BookCombo->addItem(qs(book.name), qs(book.url));
            BookCombo->setItemData(BookCombo->count() - 1, book.syncCollection, kSyncCollectionRole);
        }
        saveAccount(typedAccount());
    } catch (const carddav::SyncError& e) {
        if (!isVisible())
            return; // closed while the server was asked
        if (e.fingerprint().empty())
            showError(qs(e.what()));
        else if (trustCertificate(qs(e.what()), e.fingerprint())) {
            findBooks();
            return;
        }
    } catch (const Error& e) {
        showError(qs(e.what()));
    }
    refresh();
}

carddav::Account ContactSyncWindow::typedAccount() const
{
    carddav::Account account = carddav::Account::load(m_iniFile);
    // A password written into the address would be shown and stored with it; the field for
    // the password is where it belongs.
    account.server = carddav::withoutUserInfo(ServerEdit->text().trimmed().toStdString());
    account.user = UserEdit->text().toStdString();
    account.password = PasswordEdit->text().toStdString();
    if (BookCombo->currentIndex() >= 0) {
        account.book = BookCombo->currentData().toString().toStdString();
        account.bookName = BookCombo->currentText().toStdString();
        const QVariant collection = BookCombo->currentData(kSyncCollectionRole);
        if (collection.isValid())
            account.syncCollection = collection.toBool();
    }
    return account;
}

// Only what the window edits: a certificate trusted meanwhile stays.
void ContactSyncWindow::saveAccount(const carddav::Account& typed)
{
    carddav::Account account = carddav::Account::load(m_iniFile);
    account.server = typed.server;
    account.user = typed.user;
    account.password = typed.password;
    account.book = typed.book;
    account.bookName = typed.bookName;
    account.syncCollection = typed.syncCollection;
    account.save(m_iniFile);
}

// Asks whether to trust a certificate nobody vouches for; stored with the account when the user does.
bool ContactSyncWindow::trustCertificate(const QString& message, const std::string& fingerprint)
{
    if (!app::prompts().askYesNo(this, windowTitle(), message + QLatin1String("\n\n") + tr("Trust this certificate?")))
        return false;
    carddav::Account account = carddav::Account::load(m_iniFile);
    account.fingerprint = fingerprint;
    account.save(m_iniFile);
    return true;
}

void ContactSyncWindow::startSync()
{
    if (m_worker)
        return;
    // What was typed is stored once the server has accepted it: a mistyped password must not
    // replace the one that works.
    carddav::Account account = typedAccount();
    if (!account.configured()) {
        showError(tr("Choose an address book first."));
        return;
    }
    std::optional<DataModuleDirectories> module;
    if (m_dataModule)
        module = *m_dataModule;
    m_worker = std::make_unique<SyncWorker>(std::move(account), m_db.file(), std::move(module));
    connect(m_worker.get(), &SyncWorker::progress, this, &ContactSyncWindow::showProgress);
    connect(m_worker.get(), &QThread::finished, this, [this] { syncEnded(false); });
    m_lastError.clear();
    setSyncing(true);
    showProgress(tr("Contact sync: starting"));
    m_worker->start();
}

void ContactSyncWindow::stopSync()
{
    if (!m_worker || m_worker->stopping())
        return;
    m_worker->stop();
    SyncBtn->setEnabled(false); // until the sync has come to a safe point and ended
    showProgress(tr("Contact sync: stopping"));
}

bool ContactSyncWindow::endSync()
{
    m_worker->stop();
    if (m_worker->wait(QDeadlineTimer(kStopWaitMs)))
        return true;
    // Still busy past the wait: it holds nothing of this window and deletes itself once done.
    m_worker->disconnect(this);
    SyncWorker* worker = m_worker.release();
    connect(worker, &QThread::finished, worker, &QObject::deleteLater);
    if (worker->isFinished())
        worker->deleteLater();
    return false;
}

void ContactSyncWindow::setSyncing(bool syncing)
{
    SyncBtn->setText(syncing ? tr("&Stop") : tr("Sync &now"));
    SyncBtn->setEnabled(true);
    m_account->setEnabled(!syncing);
    m_conflicts->setEnabled(!syncing);
    ProgressLabel->setVisible(syncing);
    ProgressBar->setVisible(syncing);
    if (!syncing)
        ProgressLabel->clear();
}

void ContactSyncWindow::showProgress(const QString& text)
{
    ProgressLabel->setText(text);
    emit statusText(text);
}

// The thread has finished (or is about to: its finished signal comes from it); `closing` when
// the window is going, which asks nothing more of the user.
void ContactSyncWindow::syncEnded(bool closing)
{
    if (!m_worker)
        return;
    m_worker->wait();
    const std::unique_ptr<SyncWorker> worker = std::move(m_worker);
    setSyncing(false);
    const carddav::SyncReport& report = worker->report();
    if (worker->failed()) {
        const QString error = qs(worker->error());
        m_lastError = error;
        emit statusText(error);
        if (!closing && !worker->fingerprint().empty()) {
            if (trustCertificate(error, worker->fingerprint()))
                QMetaObject::invokeMethod(this, &ContactSyncWindow::startSync, Qt::QueuedConnection);
        } else if (!closing)
            app::prompts().showError(this, windowTitle(), error);
    } else {
        saveAccount(worker->account());
        const QString counts = tr("%1 sent, %2 received, %3 deleted here, %4 deleted there, %5 conflicts")
                                   .arg(report.sent)
                                   .arg(report.received)
                                   .arg(report.deletedHere)
                                   .arg(report.deletedThere)
                                   .arg(report.conflicts);
        emit statusText(report.stopped
                ? tr("Contact sync stopped after %1; the next sync finishes the work").arg(counts)
                : tr("Contact sync: %1").arg(counts));
        if (!closing && !report.stopped && !report.errors.empty())
            app::prompts().inform(this, windowTitle(), qs(report.errors.front()));
    }
    // Whatever the outcome, contacts may have changed before it.
    emit contactsChanged();
    refresh();
}

void ContactSyncWindow::done(int result)
{
    if (m_worker) {
        if (endSync()) {
            syncEnded(true);
        } else {
            setSyncing(false);
            emit contactsChanged();
        }
    }
    QDialog::done(result);
}

void ContactSyncWindow::resolve(bool keepMine)
{
    QListWidgetItem* entry = ConflictList->currentItem();
    if (!entry)
        return;
    const std::string href = entry->data(Qt::UserRole).toString().toStdString();
    const carddav::Account account = carddav::Account::load(m_iniFile);
    try {
        carddav::VCardContacts contacts(m_db);
        carddav::CardDavClient client(account.connection());
        carddav::Synchronizer synchronizer(m_db, contacts, client, account.book, account.syncCollection);
        if (keepMine)
            synchronizer.keepMine(href);
        else
            synchronizer.takeTheirs(href);
    } catch (const Error& e) {
        showError(qs(e.what()));
    }
    emit contactsChanged();
    refresh();
}

} // namespace pelmora::sync
