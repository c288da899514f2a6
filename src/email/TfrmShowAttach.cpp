#include "email/TfrmShowAttach.h"

#include "data/Query.h"
#include "data/TableView.h"
#include "widgets/Prompts.h"

#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QListWidget>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace pelmora::email {

namespace {

// The codes the desktop's open step has always reported: the file is missing, or no program is
// associated with it.
constexpr int FileNotFound = 2;
constexpr int NoAssociation = 31;

} // namespace

TfrmShowAttach::TfrmShowAttach(data::TableView& messages, data::Query& attachments, QWidget* parent)
    : QDialog(parent)
    , openUrl([](const QUrl& url) { return QDesktopServices::openUrl(url); })
    , ListView1(new QListWidget(this))
    , m_messages(messages)
    , m_attachments(attachments)
{
    setObjectName(QStringLiteral("TfrmShowAttach"));
    setWindowTitle(tr("Show Attached Files"));
    ListView1->setObjectName(QStringLiteral("ListView1"));
    ListView1->setIconSize(QSize(32, 32));
    ListView1->setSpacing(2);
    ListView1->setUniformItemSizes(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    OKBtn = buttons->button(QDialogButtonBox::Ok);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    CancelBtn = buttons->button(QDialogButtonBox::Cancel);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(ListView1);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(ListView1, &QListWidget::itemDoubleClicked, this, &TfrmShowAttach::openEntry);
    resize(560, 300);
}

void TfrmShowAttach::showEvent(QShowEvent* event)
{
    reload();
    QDialog::showEvent(event);
}

void TfrmShowAttach::reload()
{
    ListView1->clear();
    if (!m_messages.isOpen() || m_messages.isEmpty() || m_messages.asInteger("AttachNum") <= 0)
        return;
    try {
        m_attachments.setParam("EmailNum", m_messages.asInteger("Counter"));
        m_attachments.open();
    } catch (const std::exception& e) {
        app::prompts().showError(this, tr("Error"), QString::fromStdString(e.what()));
        return;
    }
    QFileIconProvider icons;
    for (m_attachments.first(); !m_attachments.eof(); m_attachments.next()) {
        const QString path = QString::fromStdString(data::valueToString(m_attachments.value("Location")));
        auto* item = new QListWidgetItem(icons.icon(QFileInfo(path)), path, ListView1);
        item->setToolTip(path);
    }
    if (ListView1->count() > 0)
        ListView1->setCurrentRow(0);
}

void TfrmShowAttach::openEntry(QListWidgetItem* item)
{
    if (!item)
        return;
    // A file URL for the desktop, never a command line: the name comes from a received message.
    const QString path = item->text();
    int failure = 0;
    if (!QFileInfo(path).isFile())
        failure = FileNotFound;
    else if (!openUrl(QUrl::fromLocalFile(path)))
        failure = NoAssociation;
    if (failure != 0)
        app::prompts().showError(this, tr("Error"), tr("Unable to run ShellExec. Error code=%1").arg(failure));
}

TfrmShowAttFull::TfrmShowAttFull(data::TableView& messages, data::Query& attachments, QWidget* parent)
    : TfrmShowAttach(messages, attachments, parent)
{
    setObjectName(QStringLiteral("TfrmShowAttFull"));
}

void TfrmShowAttFull::mouseDoubleClickEvent(QMouseEvent* event)
{
    openEntry(ListView1->currentItem());
    TfrmShowAttach::mouseDoubleClickEvent(event);
}

} // namespace pelmora::email
