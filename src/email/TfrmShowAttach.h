#pragma once

#include <QDialog>

#include <functional>

class QListWidget;
class QListWidgetItem;
class QPushButton;
class QUrl;

namespace pelmora::data {
class Query;
class TableView;
} // namespace pelmora::data

namespace pelmora::email {

// "Show Attached Files": the files stored with the current message of a message view, one entry
// per attachment row, each opened by the desktop's own program on a double click.
class TfrmShowAttach : public QDialog {
    Q_OBJECT
public:
    // `attachments` is the data module's attachment query ("EmailNum = :EmailNum").
    TfrmShowAttach(data::TableView& messages, data::Query& attachments, QWidget* parent = nullptr);

    // Hands a file to the desktop; QDesktopServices unless a test replaces it.
    std::function<bool(const QUrl&)> openUrl;

    // Lists the current message's files again (each time the window is shown).
    void reload();
    // Opens the file of an entry; a file that is gone or that no program takes is reported.
    void openEntry(QListWidgetItem* item);

    QListWidget* ListView1;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

protected:
    void showEvent(QShowEvent* event) override;

private:
    data::TableView& m_messages;
    data::Query& m_attachments;
};

// The same window over the inbox's and the e-mail list's table, where a double click anywhere on
// the window opens the chosen file too.
class TfrmShowAttFull : public TfrmShowAttach {
    Q_OBJECT
public:
    TfrmShowAttFull(data::TableView& messages, data::Query& attachments, QWidget* parent = nullptr);

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
};

} // namespace pelmora::email
