#pragma once

#include <QDialog>

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QProgressBar;
class QPushButton;

namespace pelmora::carddav {
struct Account;
struct AddressBook;
} // namespace pelmora::carddav

namespace pelmora::data {
class SqlDatabase;
class TfrmDataModule;
} // namespace pelmora::data

namespace pelmora::sync {

struct DataModuleDirectories;
class SyncWorker;

// "Contact Sync": the address-book account (server, user, password, address book), "Sync now",
// the last sync's time and result, and the contacts changed on both sides, each resolved by
// keeping ours or taking the server's. A sync runs on a thread of its own while the window
// shows its progress; "Sync now" is "Stop" meanwhile.
class ContactSyncWindow : public QDialog {
    Q_OBJECT
public:
    ContactSyncWindow(std::filesystem::path iniFile, data::SqlDatabase& db, QWidget* parent = nullptr);
    // Stops a sync still running and waits for it, a while at most.
    ~ContactSyncWindow() override;

    // A contact deleted on the server is then deleted here as this data module deletes one, with
    // everything filed under it (by a data module of the sync's own over the same database);
    // without it, the contact's row alone goes.
    void useDataModule(const data::TfrmDataModule& module);

    QLineEdit* ServerEdit;
    QLineEdit* UserEdit;
    QLineEdit* PasswordEdit;
    QComboBox* BookCombo;
    QPushButton* FindBooksBtn;
    QPushButton* SyncBtn;
    QLabel* LastSyncLabel;
    QLabel* ProgressLabel;
    QProgressBar* ProgressBar;
    QListWidget* ConflictList;
    QLabel* ConflictDetailLabel; // how the chosen conflict's two sides differ
    QPushButton* KeepMineBtn;
    QPushButton* TakeTheirsBtn;
    QPushButton* CloseBtn;

    // "Sync now" and "Stop". A sync that cannot start shows why and starts nothing.
    void startSync();
    void stopSync();
    bool isSyncing() const { return m_worker != nullptr; }
    void refresh();

signals:
    // Text for the main window's status line while a sync runs.
    void statusText(const QString& text);
    // Contacts were added, changed or deleted here.
    void contactsChanged();

protected:
    // Closing stops a sync that runs and waits for it.
    void done(int result) override;

private:
    void findBooks();
    std::vector<carddav::AddressBook> discoverBooks(const carddav::Account& account);
    // The account as typed here, over the stored one (its trusted certificate, CA file and time-out).
    carddav::Account typedAccount() const;
    void saveAccount(const carddav::Account& account);
    void resolve(bool keepMine);
    void showConflict(int row);
    void showError(const QString& text);
    bool trustCertificate(const QString& message, const std::string& fingerprint);
    void setSyncing(bool syncing);
    void showProgress(const QString& text);
    void syncEnded(bool closing);
    // Stops the sync and waits for its thread, a while at most; true when it ended.
    bool endSync();

    std::filesystem::path m_iniFile;
    data::SqlDatabase& m_db;
    std::unique_ptr<DataModuleDirectories> m_dataModule;
    std::unique_ptr<SyncWorker> m_worker;
    QGroupBox* m_account;
    QGroupBox* m_conflicts;
    QString m_lastError; // why the last sync of this window failed; nothing is recorded for it
};

} // namespace pelmora::sync
