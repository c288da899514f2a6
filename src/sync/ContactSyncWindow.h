#pragma once

#include <QDialog>

#include <cstdint>
#include <filesystem>
#include <functional>

class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace pelmora::data {
class SqlDatabase;
}

namespace pelmora::sync {

// "Contact Sync": the address-book account (server, user, password, address book), "Sync now",
// the last sync's time and result, and the contacts changed on both sides, each resolved by
// keeping ours or taking the server's.
class ContactSyncWindow : public QDialog {
    Q_OBJECT
public:
    ContactSyncWindow(std::filesystem::path iniFile, data::SqlDatabase& db, QWidget* parent = nullptr);

    // How a contact is deleted (the data module's delete, with everything filed under it).
    std::function<void(std::int64_t)> deleteContact;

    QLineEdit* ServerEdit;
    QLineEdit* UserEdit;
    QLineEdit* PasswordEdit;
    QComboBox* BookCombo;
    QPushButton* FindBooksBtn;
    QPushButton* SyncBtn;
    QLabel* LastSyncLabel;
    QListWidget* ConflictList;
    QPushButton* KeepMineBtn;
    QPushButton* TakeTheirsBtn;
    QPushButton* CloseBtn;

    // Runs a sync as "Sync now" does; false (with the message shown) when it failed.
    bool syncNow();
    void refresh();

signals:
    // Text for the main window's status line while a sync runs.
    void statusText(const QString& text);
    // Contacts were added, changed or deleted here.
    void contactsChanged();

private:
    void findBooks();
    void saveAccount();
    void resolve(bool keepMine);
    void showError(const QString& text);

    std::filesystem::path m_iniFile;
    data::SqlDatabase& m_db;
};

} // namespace pelmora::sync
