#include "databases/TMsgform.h"

#include "widgets/Widgets.h"
#include "archive/TZipMaster.h"
#include "data/TMsgform.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace pelmora::databases {

TMsgform::TMsgform(data::TMsgform& state, archive::TZipMaster& zip, QWidget* parent)
    : QWidget(parent, Qt::Dialog)
    , m_state(state)
    , m_zip(zip)
{
    setObjectName(QStringLiteral("TMsgform"));
    setWindowTitle(tr(data::TMsgform::caption));
    // While it is up the archive owns the program: no other window may start a second
    // operation or switch the database under it.
    setWindowModality(Qt::ApplicationModal);
    setCursor(Qt::WaitCursor);
    build();
    m_state.onVisibleChanged = [this](bool visible) { visibleChanged(visible); };
    m_state.onLine = [this](const std::string&) { syncMemo(); };
    m_state.processMessages = [this] {
        sync();
        QApplication::processEvents();
    };
    resize(minimumSizeHint().width(), 340);
    sync();
}

TMsgform::~TMsgform()
{
    m_state.onVisibleChanged = nullptr;
    m_state.onLine = nullptr;
    m_state.processMessages = nullptr;
}

void TMsgform::build()
{
    auto* layout = new QVBoxLayout(this);
    auto* wait = app::boldLabel(tr(data::TMsgform::waitText), this);
    wait->setObjectName(QStringLiteral("lblWait"));
    layout->addWidget(wait);
    m_fileLabel = new QLabel(this);
    m_fileLabel->setObjectName(QStringLiteral("lblFile"));
    m_fileLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    // A long path must not widen the window; showFileName() shortens it instead.
    m_fileLabel->setMinimumWidth(1);
    m_fileLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    layout->addWidget(m_fileLabel);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("ProgressBar"));
    m_bar->setTextVisible(false);
    layout->addWidget(m_bar);
    m_memo = new QPlainTextEdit(this);
    m_memo->setObjectName(QStringLiteral("Memo"));
    m_memo->setReadOnly(true);
    m_memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(m_memo, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    m_dismiss = app::addButton(buttons, QStringLiteral("btnDismiss"), tr("&Dismiss"), tr("Hide"));
    m_cancel = app::addButton(buttons, QStringLiteral("btnCancel"), tr("&Cancel Operation"));
    layout->addLayout(buttons);
    // The buttons show the usual pointer: they are what can still be used while the archive runs.
    m_dismiss->setCursor(Qt::ArrowCursor);
    m_cancel->setCursor(Qt::ArrowCursor);
    connect(m_dismiss, &QPushButton::clicked, this, &QWidget::hide);
    connect(m_cancel, &QPushButton::clicked, this, [this] { m_zip.Cancel(); });
}

void TMsgform::sync()
{
    m_fileLabel->setToolTip(QString::fromStdString(m_state.label()));
    showFileName();
    const data::TMsgform::Bar& bar = m_state.bar();
    m_bar->setRange(bar.minimum, qMax(bar.minimum, bar.maximum));
    m_bar->setValue(bar.position);
    syncMemo();
}

// The label is as wide as the window; a long path is cut at its start, where it says least.
void TMsgform::showFileName()
{
    const QString file = m_fileLabel->toolTip();
    m_fileLabel->setText(m_fileLabel->fontMetrics().elidedText(file, Qt::ElideLeft, m_fileLabel->width()));
}

void TMsgform::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    showFileName();
}

void TMsgform::syncMemo()
{
    const std::vector<std::string>& lines = m_state.memo();
    if (lines.size() < m_linesShown) {
        m_memo->clear();
        m_linesShown = 0;
    }
    for (; m_linesShown < lines.size(); ++m_linesShown)
        m_memo->appendPlainText(QString::fromStdString(lines[m_linesShown]));
}

void TMsgform::visibleChanged(bool visible)
{
    sync();
    if (visible) {
        show();
        raise();
        QApplication::processEvents(); // painted before the archive starts
    } else {
        hide();
    }
}

} // namespace pelmora::databases
