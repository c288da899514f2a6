#include "sync/ContactSyncWindow.h"

#include "base/Error.h"
#include "carddav/Account.h"
#include "carddav/Client.h"
#include "carddav/Sync.h"
#include "carddav/SyncError.h"
#include "carddav/SyncState.h"
#include "carddav/VCardContacts.h"
#include "data/SqlDatabase.h"

#include <QApplication>
#include <QComboBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace pelmora::sync {

namespace {

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
    ConflictList = new QListWidget(this);
    KeepMineBtn = new QPushButton(tr("&Keep mine"), this);
    TakeTheirsBtn = new QPushButton(tr("&Take theirs"), this);
    CloseBtn = new QPushButton(tr("Close"), this);

    auto* account = new QGroupBox(tr("Address book server"), this);
    auto* form = new QFormLayout(account);
    form->addRow(tr("&Server:"), ServerEdit);
    form->addRow(tr("&User:"), UserEdit);
    form->addRow(tr("&Password:"), PasswordEdit);
    auto* bookRow = new QHBoxLayout;
    bookRow->addWidget(BookCombo, 1);
    bookRow->addWidget(FindBooksBtn);
    auto* bookLabel = new QLabel(tr("&Address book:"), account);
    bookLabel->setBuddy(BookCombo); // a row of two widgets takes no buddy by itself
    form->addRow(bookLabel, bookRow);

    auto* conflicts = new QGroupBox(tr("Changed on both sides"), this);
    auto* conflictLayout = new QVBoxLayout(conflicts);
    conflictLayout->addWidget(ConflictList);
    auto* choice = new QHBoxLayout;
    choice->addStretch();
    choice->addWidget(KeepMineBtn);
    choice->addWidget(TakeTheirsBtn);
    conflictLayout->addLayout(choice);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(SyncBtn);
    buttons->addStretch();
    buttons->addWidget(CloseBtn);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(account);
    layout->addWidget(LastSyncLabel);
    layout->addWidget(conflicts, 1);
    layout->addLayout(buttons);

    connect(FindBooksBtn, &QPushButton::clicked, this, &ContactSyncWindow::findBooks);
    connect(SyncBtn, &QPushButton::clicked, this, &ContactSyncWindow::syncNow);
    connect(KeepMineBtn, &QPushButton::clicked, this, [this] { resolve(true); });
    connect(TakeTheirsBtn, &QPushButton::clicked, this, [this] { resolve(false); });
    connect(CloseBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(ConflictList, &QListWidget::currentRowChanged, this, [this](int row) {
        KeepMineBtn->setEnabled(row >= 0);
        TakeTheirsBtn->setEnabled(row >= 0);
    });

    const carddav::Account stored = carddav::Account::load(m_iniFile);
    ServerEdit->setText(qs(stored.server));
    UserEdit->setText(qs(stored.user));
    PasswordEdit->setText(qs(stored.password));
    if (stored.configured())
        BookCombo->addItem(qs(stored.bookName), qs(stored.book));
    resize(520, 460);
    refresh();
}

void ContactSyncWindow::refresh()
{
    carddav::SyncState state(m_db);
    QString when = qs(state.value("LastSync")); // "2026-12-08T10:00:00Z"
    when.replace(QLatin1Char('T'), QLatin1Char(' ')).replace(QLatin1Char('Z'), QLatin1String(" UTC"));
    LastSyncLabel->setText(
        when.isEmpty() ? tr("Not synced yet.") : tr("Last sync: %1, %2").arg(when, qs(state.value("LastResult"))));
    ConflictList->clear();
    for (const carddav::SyncItem& item : state.items()) {
        if (!item.conflict())
            continue;
        auto* entry = new QListWidgetItem(summary(item.theirs), ConflictList);
        entry->setData(Qt::UserRole, qs(item.href));
    }
    KeepMineBtn->setEnabled(false);
    TakeTheirsBtn->setEnabled(false);
    SyncBtn->setEnabled(BookCombo->count() > 0);
}

void ContactSyncWindow::showError(const QString& text)
{
    emit statusText(text);
    QMessageBox::warning(this, windowTitle(), text);
}

void ContactSyncWindow::findBooks()
{
    carddav::Account account = carddav::Account::load(m_iniFile);
    account.server = ServerEdit->text().trimmed().toStdString();
    account.user = UserEdit->text().toStdString();
    account.password = PasswordEdit->text().toStdString();
    try {
        carddav::CardDavClient client(account.connection());
        const std::vector<carddav::AddressBook> books = client.discover(account.server);
        BookCombo->clear();
        for (const carddav::AddressBook& book : books)
            BookCombo->addItem(qs(book.name), qs(book.url));
        BookCombo->setProperty("syncCollection", books.front().syncCollection);
        saveAccount();
    } catch (const carddav::SyncError& e) {
        if (!e.fingerprint().empty()
            && QMessageBox::question(this, windowTitle(),
                   qs(e.what()) + QLatin1String("\n\n") + tr("Trust this certificate?"),
                   QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
                == QMessageBox::Yes) {
            account.fingerprint = e.fingerprint();
            account.save(m_iniFile);
            findBooks();
            return;
        }
        if (e.fingerprint().empty())
            showError(qs(e.what()));
    } catch (const Error& e) {
        showError(qs(e.what()));
    }
    refresh();
}

void ContactSyncWindow::saveAccount()
{
    carddav::Account account = carddav::Account::load(m_iniFile);
    account.server = ServerEdit->text().trimmed().toStdString();
    account.user = UserEdit->text().toStdString();
    account.password = PasswordEdit->text().toStdString();
    if (BookCombo->currentIndex() >= 0) {
        account.book = BookCombo->currentData().toString().toStdString();
        account.bookName = BookCombo->currentText().toStdString();
        if (BookCombo->property("syncCollection").isValid())
            account.syncCollection = BookCombo->property("syncCollection").toBool();
    }
    account.save(m_iniFile);
}

bool ContactSyncWindow::syncNow()
{
    saveAccount();
    const carddav::Account account = carddav::Account::load(m_iniFile);
    if (!account.configured()) {
        showError(tr("Choose an address book first."));
        return false;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    SyncBtn->setEnabled(false);
    bool ok = false;
    try {
        carddav::VCardContacts contacts(m_db);
        if (deleteContact)
            contacts.deleteContact = deleteContact;
        carddav::CardDavClient client(account.connection());
        carddav::Synchronizer synchronizer(m_db, contacts, client, account.book, account.syncCollection);
        synchronizer.onProgress = [this](const std::string& text) {
            emit statusText(qs(text));
            QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        };
        const carddav::SyncReport report = synchronizer.run();
        emit statusText(tr("Contact sync: %1 sent, %2 received, %3 deleted here, %4 deleted there, %5 conflicts")
                            .arg(report.sent)
                            .arg(report.received)
                            .arg(report.deletedHere)
                            .arg(report.deletedThere)
                            .arg(report.conflicts));
        ok = report.errors.empty();
        if (!ok)
            QMessageBox::information(this, windowTitle(), qs(report.errors.front()));
    } catch (const Error& e) {
        QApplication::restoreOverrideCursor();
        showError(qs(e.what()));
        QApplication::setOverrideCursor(Qt::WaitCursor);
    }
    QApplication::restoreOverrideCursor();
    emit contactsChanged();
    refresh();
    return ok;
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
