#include "app/EmailPage.h"

#include "widgets/FlowLayout.h"
#include "widgets/TDBGrid.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QSplitter>

#include <QTableView>
#include <QVBoxLayout>

namespace pelmora::app {

EmailPage::EmailPage(QWidget* parent)
    : GridPage(QStringLiteral("tabEmail"), QStringLiteral("grdEmail"),
        { { tr("Subject"), 41 }, { tr("From/To Name"), 24 }, { tr("From/To Email"), 19 }, { tr("Body"), 7 },
            { tr("Queued"), 8 }, { tr("Status"), 8 }, { tr("Attach"), 7 }, { tr("Created"), 10 },
            { tr("Remark"), 100 } },
        parent)
    , m_splitter(new QSplitter(Qt::Vertical, this))
    , m_body(new QPlainTextEdit(this))
{
    FlowLayout* row = buttonRow();
    addButton(row, QStringLiteral("btnCompose"), tr("Compose"), tr("Compose E-mail Message"));
    addButton(row, QStringLiteral("btnDeleteEmail"), tr("Delete"), tr("Delete E-mail Message"));
    addButton(row, QStringLiteral("btnCutEmail"), tr("Cut"), tr("Cut E-mail Message To clipboard"));
    addButton(row, QStringLiteral("btnCopyEmail"), tr("Copy"), tr("Copy E-mail Message To Clipboard"));
    addButton(row, QStringLiteral("btnPasteEmail"), tr("Paste"), tr("Paste E-mail Message"));
    addButton(row, QStringLiteral("btnSaveAs"), tr("Save As..."), tr("Save Message As ..."));
    addButton(row, QStringLiteral("btnPrintEmail"), tr("Print"), tr("Print Message"));
    addButton(row, QStringLiteral("btnEmailReport"), tr("Report"), tr("Report"));
    addButton(row, QStringLiteral("btnSendQueued"), tr("Send Queued"), tr("Send Queued Messages"));
    addButton(row, QStringLiteral("btnStop"), tr("Stop"), tr("Stop"));
    auto* direction = new QComboBox(this);
    direction->setObjectName(QStringLiteral("cmbSentReceived"));
    direction->addItems({ tr("All"), tr("Sent"), tr("Received") });
    row->addWidget(direction);
    addButton(row, QStringLiteral("btnAttached"), tr("Attached"), tr("View attached files"));
    addButton(row, QStringLiteral("btnFindEmail"), tr("Find"), tr("Find"));

    // The grid moves into a splitter with the body pane; the user drags the border between them.
    pageLayout()->removeWidget(grid());
    m_splitter->setObjectName(QStringLiteral("splEmail"));
    m_splitter->addWidget(grid());
    m_body->setObjectName(QStringLiteral("memBody"));
    m_body->setTabChangesFocus(true);
    m_splitter->addWidget(m_body);
    m_splitter->setStretchFactor(0, 3);
    m_splitter->setStretchFactor(1, 2);
    m_splitter->setChildrenCollapsible(false);
    pageLayout()->addWidget(m_splitter, 1);
}

} // namespace pelmora::app
