#include "email/TfrmEmail.h"

#include "data/TfrmDataModule.h"
#include "email/TSMTPForm.h"
#include "mailstore/MailAccount.h"
#include "mailstore/StoredMessage.h"
#include "settings/Settings.h"
#include "widgets/Prompts.h"
#include "widgets/TDataSource.h"
#include "widgets/TDBGrid.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace pelmora::email {

TfrmEmail::TfrmEmail(data::TfrmDataModule& data, settings::Settings& settings, QWidget* parent)
    : MessageWindow(data, QStringLiteral("TfrmEmail"), tr("E-mail Inbox"), parent)
    , m_settings(settings)
{
    setModal(true);
    buildToolBars();
    windowLayout()->addWidget(splitter, 1);
    auto* bar = new QStatusBar(this);
    bar->setObjectName(QStringLiteral("StatusBar1"));
    bar->setSizeGripEnabled(false);
    StatusPanel = new QLabel(bar);
    StatusPanel->setObjectName(QStringLiteral("StatusPanel"));
    ProgressBar1 = new QProgressBar(bar);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setMaximumWidth(160);
    ProgressBar1->hide();
    bar->addWidget(StatusPanel, 1);
    bar->addPermanentWidget(ProgressBar1);
    windowLayout()->addWidget(bar);
    // The inbox's own rows are none of the three choices; a fourth one brings them back after
    // the selector widened the list to every contact's mail.
    cmbSentReceived->insertItem(0, tr("Inbox"));
    cmbSentReceived->setCurrentIndex(0);
    connect(cmbSentReceived, &QComboBox::textActivated, this, [this](const QString& choice) {
        if (choice == cmbSentReceived->itemText(0) && postBody())
            showInbox();
    });
    setBusy(false);
}

TfrmEmail::~TfrmEmail() = default;

void TfrmEmail::buildToolBars()
{
    QToolBar* mail = addToolBar();
    RetrieveButton = addButton(mail, "RetrieveButton", tr("Get Mail"), tr("Get new Mail from Mail Server"),
        QStyle::SP_ArrowDown, [this] { RetrieveButtonClick(); });
    btnStop = addButton(mail, "btnStop", tr("Stop"), tr("Stop after the current message"), QStyle::SP_BrowserStop,
        [this] { StopButtonClick(); });
    btnImport = addButton(mail, "btnImport", tr("Import"), tr("Import Messages From E-mail Program"),
        QStyle::SP_DialogOpenButton, [this] { ImportButtonClick(); });
    mail->addSeparator();
    SpeedButton2 = addButton(mail, "SpeedButton2", tr("File to Active"), tr("File Message To Active Contact"),
        QStyle::SP_FileDialogToParent, [this] { SpeedButton2Click(); });
    SpeedButton19 = addButton(
        mail, "SpeedButton19", tr("File"), tr("File Message"), QStyle::SP_DirOpenIcon, [this] { btnFindClick(); });
    SpeedButton20 = addButton(mail, "SpeedButton20", tr("File All"), tr("File All Messages"), QStyle::SP_DirIcon,
        [this] { SpeedButton20Click(); });
    mail->addSeparator();
    btnNew = addButton(
        mail, "btnNew", tr("New"), tr("Compose New Message"), QStyle::SP_FileIcon, [this] { composeNew(); });
    btnReply = addButton(
        mail, "btnReply", tr("Reply"), tr("Reply To Active Message"), QStyle::SP_ArrowBack, [this] { reply(); });
    btnForward = addButton(mail, "btnForward", tr("Forward"), tr("Forward The Active Message"), QStyle::SP_ArrowForward,
        [this] { forward(); });
    btnSendQueued = addButton(mail, "btnSendQueued", tr("Send Queued"), tr("Send Queued Messages"),
        QStyle::SP_MediaSeekForward, [this] { sendQueued(); });

    QToolBar* edit = addToolBar();
    btnDelete = addButton(edit, "btnDelete", tr("Delete"), tr("Delete Message"), QStyle::SP_TrashIcon,
        [this] { deleteMessage(tr("Do You Want to Delete the Record ?")); });
    btnCopy = addButton(edit, "btnCopy", tr("Copy"), tr("Copy Message To Clipboard"), QStyle::SP_FileDialogContentsView,
        [this] { copyMessage(); });
    btnCut = addButton(edit, "btnCut", tr("Cut"), tr("Cut Message To Clipboard"), QStyle::SP_DialogDiscardButton,
        [this] { cutMessage(); });
    btnPaste = addButton(edit, "btnPaste", tr("Paste"), tr("Paste Message From Clipboard"),
        QStyle::SP_DialogApplyButton, [this] { pasteMessage(); });
    btnSaveAs = addButton(
        edit, "btnSaveAs", tr("Save As"), tr("Save Message as ..."), QStyle::SP_DialogSaveButton, [this] { saveAs(); });
    edit->addSeparator();
    btnSearch = addButton(
        edit, "btnSearch", tr("Search"), tr("Search"), QStyle::SP_FileDialogDetailedView, [this] { searchMessages(); });
    btnFind = addButton(
        edit, "btnFind", tr("Find"), tr("Find"), QStyle::SP_FileDialogContentsView, [this] { findMessage(); });
    btnAttached = addButton(edit, "btnAttached", tr("Attached"), tr("View Attached Files"), QStyle::SP_DirLinkIcon,
        [this] { showAttached(); });
    edit->addSeparator();
    addSelector(edit);
    auto* spacer = new QWidget(edit);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    edit->addWidget(spacer);
    btnClose = addButton(edit, "btnClose", tr("Close"), tr("Close"), QStyle::SP_DialogCloseButton, [this] { close(); });
}

void TfrmEmail::setBusy(bool busy)
{
    m_busy = busy;
    // While mail comes in only Stop works: the rows under the other commands are being written.
    for (QToolButton* button : findChildren<QToolButton*>())
        button->setEnabled(busy ? button == btnStop : button != btnStop);
    cmbSentReceived->setEnabled(!busy);
    grdEmail->setEnabled(!busy);
    memBody->setEnabled(!busy);
}

void TfrmEmail::status(const QString& text)
{
    StatusPanel->setText(text);
    emit statusText(text);
}

void TfrmEmail::setProgress(int percent)
{
    ProgressBar1->setVisible(percent >= 0);
    if (percent >= 0)
        ProgressBar1->setValue(percent);
    emit progress(percent);
}

void TfrmEmail::showEvent(QShowEvent* event)
{
    showInbox();
    MessageWindow::showEvent(event);
}

bool TfrmEmail::event(QEvent* event)
{
    // Other windows change the table while this one waits in the background.
    if (event->type() == QEvent::WindowActivate && !m_busy && messages().isOpen() && !messages().isEditing())
        guarded([this] { messages().refresh(); });
    return MessageWindow::event(event);
}

void TfrmEmail::closeEvent(QCloseEvent* event)
{
    if (m_busy || !postBody()) {
        event->ignore();
        return;
    }
    MessageWindow::closeEvent(event);
}

void TfrmEmail::reject()
{
    if (!m_busy && postBody())
        MessageWindow::reject();
}

void TfrmEmail::showInbox(std::int64_t current)
{
    cmbSentReceived->setCurrentIndex(0);
    guarded([&] {
        messages().close();
        messages().setFilter("contact=1");
        messages().setFiltered(true);
        messages().open();
        if (current > 0)
            messages().gotoRowId(current);
    });
}

void TfrmEmail::refreshAll(std::int64_t current)
{
    guarded([&] {
        messages().refresh();
        if (current > 0)
            messages().gotoRowId(current);
        if (m_data.TBLEmail.isOpen())
            m_data.TBLEmail.refresh();
    });
}

std::int64_t TfrmEmail::currentCounter()
{
    if (!postBody() || !messages().isOpen() || messages().isEmpty())
        return 0;
    return messages().asInteger("Counter");
}

void TfrmEmail::copyMessage()
{
    if (currentCounter() != 0)
        guarded([this] { m_data.copyToClipboard(messages()); });
}

void TfrmEmail::cutMessage()
{
    if (currentCounter() != 0)
        guarded([this] { m_data.cutToClipboard(messages()); });
}

void TfrmEmail::pasteMessage()
{
    if (!postBody())
        return;
    std::int64_t pasted = 0;
    if (guarded([&] { pasted = m_data.paste(mailstore::kInbox, messages()); }) && pasted > 0)
        showInbox(pasted);
}

void TfrmEmail::composeNew()
{
    draft({}, false);
}

void TfrmEmail::reply()
{
    if (currentCounter() != 0)
        draft(QString::fromStdString(messages().asString("SenderEmail")), true);
}

void TfrmEmail::forward()
{
    if (currentCounter() != 0)
        draft({}, true);
}

// A reply or forward carries the message's subject, body and files; a new message starts empty.
// Either is filed under the main window's contact, as every message sent from there.
void TfrmEmail::draft(const QString& to, bool fromMessage)
{
    if (!sendWindow)
        return;
    const std::int64_t contact = activeContact ? activeContact() : 0;
    if (contact == 0) {
        app::prompts().inform(this, windowTitle(), tr("There is no contact to file the message under."));
        return;
    }
    sendWindow->newMessage(contact, to);
    if (fromMessage) {
        sendWindow->SubjectEdit->setText(QString::fromStdString(messages().asString("Subject")));
        sendWindow->BodyMemo->setPlainText(QString::fromStdString(messages().asString("Body")));
        if (messages().asInteger("AttachNum") > 0) {
            guarded([this] {
                m_data.QURAttach.setParam("EmailNum", messages().asInteger("Counter"));
                m_data.QURAttach.open();
                for (m_data.QURAttach.first(); !m_data.QURAttach.eof(); m_data.QURAttach.next())
                    sendWindow->addAttachment(
                        QString::fromStdString(data::valueToString(m_data.QURAttach.value("Location"))));
            });
        }
    }
    sendWindow->exec();
    if (sendWindow->storedCounter() != 0)
        refreshAll(messages().isEmpty() ? 0 : messages().asInteger("Counter"));
}

void TfrmEmail::sendQueued()
{
    if (!sendWindow || !postBody())
        return;
    // The inbox sends what it lists: its own rows, or those of every owner once the selector
    // widened it.
    std::optional<std::int64_t> owner;
    if (messages().filtered() && messages().filter() == "contact=1")
        owner = mailstore::kInbox;
    setBusy(true);
    const auto results = sendWindow->sendQueued(owner);
    setBusy(false);
    refreshAll();
    if (!results.empty() && results.back().queued)
        app::prompts().showError(this, tr("Error"), QString::fromStdString(results.back().error));
}

} // namespace pelmora::email
