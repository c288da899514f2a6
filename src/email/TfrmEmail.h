#pragma once

#include "email/MessageWindow.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

class QLabel;
class QProgressBar;
class QToolButton;

namespace pelmora::mailstore {
class Retrieval;
struct MailAccount;
} // namespace pelmora::mailstore
namespace pelmora::settings {
struct Settings;
}

namespace pelmora::email {

class TSMTPForm;

// "E-mail Inbox": the messages not yet filed under a contact. New mail is fetched from the
// server or imported from another program's mailbox into it, and filed from it to the
// contacts. Retrieval and import run here; their texts and progress go to the window's own
// status line and, through statusText and progress, to the main window's.
class TfrmEmail : public MessageWindow {
    Q_OBJECT
public:
    TfrmEmail(data::TfrmDataModule& data, settings::Settings& settings, QWidget* parent = nullptr);
    ~TfrmEmail() override;

    // The account retrieval signs in with (read at every retrieval).
    std::function<mailstore::MailAccount()> account;
    // The contact current in the main window, posted first; 0 when there is none.
    std::function<std::int64_t()> activeContact;
    // Opens "Define Import File" modally.
    std::function<void()> defineImportFile;
    // The send window that composes, replies and forwards.
    TSMTPForm* sendWindow = nullptr;

    void RetrieveButtonClick();
    void ImportButtonClick();
    void StopButtonClick();
    void SpeedButton2Click(); // File Message To Active Contact
    void btnFindClick(); // File Message (by sender)
    void SpeedButton20Click(); // File All Messages
    void composeNew();
    void reply();
    void forward();
    void copyMessage();
    void cutMessage();
    void pasteMessage();
    void sendQueued();
    bool busy() const { return m_busy; }

    QToolButton* RetrieveButton;
    QToolButton* btnStop;
    QToolButton* btnImport;
    QToolButton* SpeedButton2;
    QToolButton* SpeedButton19;
    QToolButton* SpeedButton20;
    QToolButton* btnDelete;
    QToolButton* btnNew;
    QToolButton* btnReply;
    QToolButton* btnForward;
    QToolButton* btnCopy;
    QToolButton* btnCut;
    QToolButton* btnPaste;
    QToolButton* btnSaveAs;
    QToolButton* btnSendQueued;
    QToolButton* btnSearch;
    QToolButton* btnFind;
    QToolButton* btnAttached;
    QToolButton* btnClose;
    QLabel* StatusPanel;
    QProgressBar* ProgressBar1;

signals:
    void statusText(const QString& text);
    void progress(int percent); // -1 hides the bar

protected:
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void buildToolBars();
    void setBusy(bool busy);
    void status(const QString& text);
    void setProgress(int percent);
    // Lists the inbox again (after a paste, when the window opens, after the selector's choices).
    void showInbox(std::int64_t current = 0);
    void refreshAll(std::int64_t current = 0);
    std::int64_t currentCounter();
    void draft(const QString& to, bool withFiles);

    settings::Settings& m_settings;
    bool m_busy = false;
    std::atomic<bool> m_stop { false };
    mailstore::Retrieval* m_retrieval = nullptr;
};

} // namespace pelmora::email
