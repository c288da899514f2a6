#pragma once

#include "mailstore/Outbox.h"

#include <QDialog>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QToolBar;
class QToolButton;
class QUrl;
class QWidget;

namespace pelmora::protocols {
class TmsSMTP;
}
namespace pelmora::app {
class QtEventPump;
}

namespace pelmora::email {

// "Send E-mail": the user writes one message to one address, with copies and attached files,
// and sends it now, later, or to every contact of the main window's filter as well. The window
// gathers the message; the mail store stores it queued before any connection and takes it out
// of the queue only when the server accepted it.
class TSMTPForm : public QDialog {
    Q_OBJECT
public:
    explicit TSMTPForm(QWidget* parent = nullptr);
    ~TSMTPForm() override;

    // Where messages are stored and who sends them; read at every send, so the setup dialog's
    // changes take effect at once.
    std::function<data::Database*()> database;
    std::function<mailstore::MailAccount()> account;
    // Opens the setup dialog (asked for when no SMTP server is set).
    std::function<void()> openSetup;
    // The addresses of the contacts that Send To All goes to, in the main window's order.
    std::function<std::vector<std::string>()> broadcastAddresses;

    // Starts a new message to `to`, filed under `contact`: every field and the attachment list
    // start empty, so nothing of the previous message goes to another recipient.
    void newMessage(std::int64_t contact, const QString& to);
    void addAttachment(const QString& path);
    // Files dropped on the window: the first local file is added by its whole path.
    void dropFiles(const QList<QUrl>& urls);
    // The Counter of the row the last Send stored; 0 when none.
    std::int64_t storedCounter() const { return m_stored; }
    bool busy() const { return m_busy; }
    // The client every send of this window goes through: its server, account and time-out are
    // set from `account` at each send; how it protects the connection is left as set here.
    protocols::TmsSMTP& smtpClient() { return *m_smtp; }

    // Sends the queued rows of one contact, or of every owner; one result per row. A failure
    // ends the run: the rows after it stay queued for the next one.
    std::vector<mailstore::SendResult> sendQueued(std::optional<std::int64_t> contact);

    void SendButtonClick();
    void SpeedButton1Click(); // Send Later
    void btnSendAllClick();
    void CancelButtonClick();
    void AttachButtonClick();

    QToolBar* ToolBar;
    QToolButton* SendButton;
    QToolButton* CancelButton;
    QToolButton* AttachButton;
    QToolButton* SpeedButton1;
    QToolButton* SpeedButton3;
    QToolButton* SpeedButton4;
    QToolButton* SpeedButton5;
    QPushButton* btnSendAll;
    QPushButton* btnClose;
    QWidget* SendInfoPanel;
    QLineEdit* ToEdit;
    QLineEdit* CcEdit;
    QLineEdit* SubjectEdit;
    QPlainTextEdit* BodyMemo;
    QListWidget* ListView1;
    QLabel* StatusPanels[3];
    QProgressBar* ProgressBar1;

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildToolBar();
    void buildHeader(QWidget* body);
    void wireClient();
    void send(bool later, bool broadcast);
    void broadcast(const mailstore::SendResult& first);
    void setBusy(bool busy);
    void finish();
    void status(const QString& text);
    bool transferRefused();
    mailstore::Draft draft() const;

    std::unique_ptr<app::QtEventPump> m_pump;
    std::unique_ptr<protocols::TmsSMTP> m_smtp;
    std::int64_t m_contact = 0;
    std::int64_t m_stored = 0;
    bool m_busy = false;
};

} // namespace pelmora::email
