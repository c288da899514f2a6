#include "email/TSMTPForm.h"

#include "protocols/TmsSMTP.h"
#include "widgets/Prompts.h"
#include "widgets/QtEventPump.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace pelmora::email {

namespace {

QString fromStd(const std::string& text)
{
    return QString::fromStdString(text);
}

} // namespace

TSMTPForm::TSMTPForm(QWidget* parent)
    : QDialog(parent)
    , m_pump(std::make_unique<app::QtEventPump>())
    , m_smtp(std::make_unique<protocols::TmsSMTP>(m_pump.get()))
{
    setObjectName(QStringLiteral("TSMTPForm"));
    setWindowTitle(tr("Send E-mail"));
    setAcceptDrops(true);
    auto* layout = new QVBoxLayout(this);
    buildToolBar();
    layout->setMenuBar(ToolBar);
    buildHeader(this);
    layout->addWidget(SendInfoPanel);
    layout->addWidget(BodyMemo, 3);
    layout->addWidget(new QLabel(tr("Attachment:"), this));
    layout->addWidget(ListView1, 1);

    auto* bar = new QStatusBar(this);
    bar->setObjectName(QStringLiteral("StatusBar1"));
    const int widths[] = { 300, 100, 50 };
    for (int i = 0; i < 3; ++i) {
        StatusPanels[i] = new QLabel(this);
        StatusPanels[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        StatusPanels[i]->setFixedWidth(widths[i]);
        StatusPanels[i]->setFrameShape(QFrame::StyledPanel);
        StatusPanels[i]->setFrameShadow(QFrame::Sunken);
        bar->addWidget(StatusPanels[i]);
    }
    ProgressBar1 = new QProgressBar(StatusPanels[1]);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setFixedSize(widths[1], 16);
    ProgressBar1->hide();
    layout->addWidget(bar);
    resize(640, 520);
    // Files dropped anywhere on the window are attachments, also over the text fields.
    for (QWidget* field : std::initializer_list<QWidget*> { ToEdit, CcEdit, SubjectEdit, BodyMemo, ListView1 })
        field->setAcceptDrops(false);
    wireClient();
    setBusy(false);
}

TSMTPForm::~TSMTPForm() = default;

void TSMTPForm::buildToolBar()
{
    ToolBar = new QToolBar(this);
    ToolBar->setObjectName(QStringLiteral("ToolBar"));
    auto button = [this](const char* name, const QString& hint, QStyle::StandardPixmap icon) {
        auto* b = new QToolButton(ToolBar);
        b->setObjectName(QLatin1String(name));
        b->setToolTip(hint);
        b->setText(hint);
        b->setIcon(style()->standardIcon(icon));
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        ToolBar->addWidget(b);
        return b;
    };
    SendButton = button("SendButton", tr("Send"), QStyle::SP_ArrowForward);
    CancelButton = button("CancelButton", tr("Cancel"), QStyle::SP_BrowserStop);
    AttachButton = button("AttachButton", tr("Attach"), QStyle::SP_FileIcon);
    SpeedButton1 = button("SpeedButton1", tr("Send Later"), QStyle::SP_DialogSaveButton);
    ToolBar->addSeparator();
    SpeedButton3 = button("SpeedButton3", tr("Cut"), QStyle::SP_DialogDiscardButton);
    SpeedButton4 = button("SpeedButton4", tr("Copy"), QStyle::SP_FileDialogContentsView);
    SpeedButton5 = button("SpeedButton5", tr("Paste"), QStyle::SP_DialogApplyButton);
    // The style has no clipboard pictures; the desktop's icon theme has, where there is one.
    const std::pair<QToolButton*, const char*> themed[]
        = { { SpeedButton3, "edit-cut" }, { SpeedButton4, "edit-copy" }, { SpeedButton5, "edit-paste" } };
    for (const auto& [b, name] : themed)
        b->setIcon(QIcon::fromTheme(QLatin1String(name), b->icon()));
    ToolBar->addSeparator();
    btnSendAll = new QPushButton(tr("Send To All"), ToolBar);
    btnSendAll->setObjectName(QStringLiteral("btnSendAll"));
    btnSendAll->setToolTip(tr("Send Broadcast E-mail To All Or To Active Filter"));
    ToolBar->addWidget(btnSendAll);
    btnClose = new QPushButton(tr("Close"), ToolBar);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    ToolBar->addWidget(btnClose);
    // A dialog presses its first push button on Enter: Enter at the end of the subject line
    // would send the message to every contact, or close the window on what was typed.
    for (QPushButton* b : { btnSendAll, btnClose })
        b->setAutoDefault(false);

    connect(SendButton, &QToolButton::clicked, this, &TSMTPForm::SendButtonClick);
    connect(SpeedButton1, &QToolButton::clicked, this, &TSMTPForm::SpeedButton1Click);
    connect(btnSendAll, &QPushButton::clicked, this, &TSMTPForm::btnSendAllClick);
    connect(CancelButton, &QToolButton::clicked, this, &TSMTPForm::CancelButtonClick);
    connect(AttachButton, &QToolButton::clicked, this, &TSMTPForm::AttachButtonClick);
    connect(btnClose, &QPushButton::clicked, this, &QWidget::close);
    // Cut, Copy and Paste act on the field being typed in; the tool buttons never take the focus.
    const std::pair<QToolButton*, const char*> edits[]
        = { { SpeedButton3, "cut" }, { SpeedButton4, "copy" }, { SpeedButton5, "paste" } };
    for (const auto& [b, slot] : edits) {
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QToolButton::clicked, this, [slot] {
            if (QWidget* focus = QApplication::focusWidget())
                QMetaObject::invokeMethod(focus, slot);
        });
    }
}

void TSMTPForm::buildHeader(QWidget* parent)
{
    SendInfoPanel = new QWidget(parent);
    SendInfoPanel->setObjectName(QStringLiteral("SendInfoPanel"));
    auto* form = new QFormLayout(SendInfoPanel);
    form->setContentsMargins(0, 0, 0, 0);
    ToEdit = new QLineEdit(SendInfoPanel);
    ToEdit->setObjectName(QStringLiteral("ToEdit"));
    CcEdit = new QLineEdit(SendInfoPanel);
    CcEdit->setObjectName(QStringLiteral("CcEdit"));
    SubjectEdit = new QLineEdit(SendInfoPanel);
    SubjectEdit->setObjectName(QStringLiteral("SubjectEdit"));
    form->addRow(tr("Mail To:"), ToEdit);
    form->addRow(tr("Cc:"), CcEdit);
    form->addRow(tr("Subject:"), SubjectEdit);
    BodyMemo = new QPlainTextEdit(parent);
    BodyMemo->setObjectName(QStringLiteral("BodyMemo"));
    BodyMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    ListView1 = new QListWidget(parent);
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setViewMode(QListView::IconMode);
    ListView1->setIconSize(QSize(32, 32));
    ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // A caption is a whole path: wrapped, it runs out of its cell after a few folders, so it is
    // shortened in the middle, keeping the file's name in sight; the tooltip holds it whole.
    ListView1->setWordWrap(false);
    ListView1->setTextElideMode(Qt::ElideMiddle);
    ListView1->setGridSize(QSize(200, 56));
    ListView1->setUniformItemSizes(true);
    ListView1->setResizeMode(QListView::Adjust);
    ListView1->setMovement(QListView::Static);
    auto* remove = new QShortcut(QKeySequence::Delete, ListView1, nullptr, nullptr, Qt::WidgetShortcut);
    connect(remove, &QShortcut::activated, this, [this] { qDeleteAll(ListView1->selectedItems()); });
}

void TSMTPForm::wireClient()
{
    m_smtp->TimeOut = 600;
    auto text = [this](const QString& t) { return [this, t](auto&...) { status(t); }; };
    m_smtp->OnOpen = text(tr("Opening connection"));
    m_smtp->OnPrepare = text(tr("Preparing message"));
    m_smtp->OnSending = text(tr("Sending message"));
    m_smtp->OnClosing = text(tr("Closing connection"));
    m_smtp->OnClosed = text(tr("Connection closed"));
    m_smtp->OnCancel = text(tr("Operation has been canceled"));
    m_smtp->OnProgress = [this](protocols::TmsSMTP&, int percent) { ProgressBar1->setValue(percent); };
    m_smtp->OnMailSent = [this](protocols::TmsSMTP&) {
        status(tr("Message has been sent"));
        QApplication::beep();
    };
    m_smtp->OnError = [this](net::TagSocket&, std::string& message) { status(fromStd(message)); };
}

void TSMTPForm::status(const QString& text)
{
    StatusPanels[0]->setText(text);
}

void TSMTPForm::newMessage(std::int64_t contact, const QString& to)
{
    m_contact = contact;
    m_stored = 0;
    ToEdit->setText(to);
    CcEdit->clear();
    SubjectEdit->clear();
    BodyMemo->clear();
    ListView1->clear();
    status({});
    ToEdit->setFocus();
}

void TSMTPForm::addAttachment(const QString& path)
{
    QIcon icon = QFileIconProvider().icon(QFileInfo(path));
    if (icon.isNull())
        icon = style()->standardIcon(QStyle::SP_FileIcon);
    auto* item = new QListWidgetItem(icon, path, ListView1);
    item->setToolTip(path);
}

mailstore::Draft TSMTPForm::draft() const
{
    mailstore::Draft d;
    d.contact = m_contact;
    d.to = ToEdit->text().toStdString();
    d.cc = CcEdit->text().toStdString();
    d.subject = SubjectEdit->text().toStdString();
    d.body = BodyMemo->toPlainText().toStdString();
    for (int i = 0; i < ListView1->count(); ++i)
        d.attachments.emplace_back(ListView1->item(i)->text().toStdString());
    return d;
}

void TSMTPForm::SendButtonClick()
{
    send(false, false);
}

void TSMTPForm::SpeedButton1Click()
{
    send(true, false);
}

void TSMTPForm::btnSendAllClick()
{
    send(false, true);
}

void TSMTPForm::send(bool later, bool broadcastToo)
{
    if (m_busy || !database || !account)
        return;
    if (account().smtpServer.empty()
        && app::prompts().askYesNo(this, tr("Confirm"),
            tr("To send Email messages you need first to configure Email Setup.\rConfigure email setting now ?"))
        && openSetup)
        openSetup();
    if (SubjectEdit->text().isEmpty())
        SubjectEdit->setText(tr("No Subject"));
    data::Database* db = database();
    if (!db)
        return;
    mailstore::Outbox outbox(*db, account());
    outbox.account().configure(*m_smtp);
    setBusy(true);
    mailstore::SendResult result;
    try {
        result = outbox.send(draft(), later, *m_smtp);
    } catch (const std::exception& e) {
        // Nothing was stored: the user mends the message and sends again.
        setBusy(false);
        app::prompts().showError(this, tr("Error"), fromStd(e.what()));
        return;
    }
    m_stored = result.counter;
    if (!later && result.queued) {
        // The client closes the connection after its error, which writes over the reason in
        // the status line; the reason is what the user must see there.
        if (!result.error.empty())
            status(fromStd(result.error));
        if (!m_smtp->Canceled())
            app::prompts().showError(this, tr("Error"), fromStd(result.error));
    } else if (!later && broadcastToo) {
        broadcast(result);
    }
    finish();
}

void TSMTPForm::broadcast(const mailstore::SendResult& first)
{
    mailstore::Outbox outbox(*database(), account());
    mail::TmsMessage message = outbox.compose(outbox.mailStore().load(first.counter));
    message.CC.Clear(); // the copies had theirs with the first transmission
    CcEdit->setText(tr("Please wait while transfer in progress..."));
    QStringList failures;
    for (const std::string& address : broadcastAddresses ? broadcastAddresses() : std::vector<std::string>()) {
        if (address.empty())
            continue;
        message.Recipients.Clear();
        message.Recipients.Add(address, "");
        m_smtp->MailMessage = &message;
        try {
            mailstore::checkAddress(address, "recipient");
            m_smtp->Send();
        } catch (const std::exception& e) {
            if (m_smtp->Canceled())
                break;
            failures << fromStd(address + ": " + e.what());
        }
    }
    m_smtp->MailMessage = nullptr;
    if (!failures.isEmpty())
        app::prompts().showError(this, tr("Error"), failures.join(QLatin1Char('\n')));
}

std::vector<mailstore::SendResult> TSMTPForm::sendQueued(std::optional<std::int64_t> contact)
{
    std::vector<mailstore::SendResult> results;
    if (m_busy || !database || !account || !database())
        return results;
    mailstore::Outbox outbox(*database(), account());
    outbox.account().configure(*m_smtp);
    for (std::int64_t counter : outbox.mailStore().queued(contact)) {
        setBusy(true);
        results.push_back(outbox.sendStored(counter, *m_smtp));
        setBusy(false);
        if (results.back().queued)
            break;
    }
    return results;
}

void TSMTPForm::setBusy(bool busy)
{
    m_busy = busy;
    for (QToolButton* b : { SendButton, AttachButton, SpeedButton1, SpeedButton3, SpeedButton4, SpeedButton5 })
        b->setEnabled(!busy);
    CancelButton->setEnabled(busy);
    SendInfoPanel->setEnabled(!busy);
    BodyMemo->setEnabled(!busy);
    ListView1->setEnabled(!busy);
    // A second broadcast cannot start while one is running.
    btnSendAll->setEnabled(!busy);
    ProgressBar1->setVisible(busy);
    if (busy)
        setCursor(Qt::WaitCursor);
    else
        unsetCursor();
}

void TSMTPForm::finish()
{
    CcEdit->clear();
    setBusy(false);
    accept();
}

void TSMTPForm::CancelButtonClick()
{
    m_smtp->Cancel();
}

void TSMTPForm::AttachButtonClick()
{
    for (const QString& file : app::prompts().openFileNames(this, tr("Attach"), {}, tr("All Files (*)")))
        addAttachment(file);
}

bool TSMTPForm::transferRefused()
{
    if (!m_busy)
        return false;
    app::prompts().showError(this, tr("Error"), tr("Transfer in Progress.  Click Cancel button first."));
    return true;
}

void TSMTPForm::closeEvent(QCloseEvent* event)
{
    if (transferRefused()) {
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TSMTPForm::reject()
{
    if (!transferRefused())
        QDialog::reject();
}

void TSMTPForm::dragEnterEvent(QDragEnterEvent* event)
{
    if (!m_busy && event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void TSMTPForm::dropEvent(QDropEvent* event)
{
    dropFiles(event->mimeData()->urls());
    event->acceptProposedAction();
}

void TSMTPForm::dropFiles(const QList<QUrl>& urls)
{
    for (const QUrl& url : urls) {
        if (url.isLocalFile()) {
            addAttachment(url.toLocalFile());
            return;
        }
    }
}

} // namespace pelmora::email
