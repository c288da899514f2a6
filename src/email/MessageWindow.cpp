#include "email/MessageWindow.h"

#include "data/TfrmDataModule.h"
#include "email/MessageActions.h"
#include "email/TfrmShowAttach.h"
#include "widgets/FieldLink.h"
#include "widgets/Prompts.h"
#include "widgets/TDataSource.h"
#include "widgets/TDBGrid.h"
#include "widgets/TfrmFind.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace pelmora::email {

MessageWindow::MessageWindow(
    data::TfrmDataModule& data, const QString& objectName, const QString& caption, QWidget* parent)
    : QDialog(parent)
    , printCommand(QStringLiteral("lp"))
    , grdEmail(new app::TDBGrid(this))
    , memBody(new QPlainTextEdit(this))
    , cmbSentReceived(new QComboBox(this))
    , splitter(new QSplitter(Qt::Vertical, this))
    , m_data(data)
    , m_source(new app::TDataSource(data.TBLEmailFull, this))
    , m_layout(new QVBoxLayout(this))
{
    setObjectName(objectName);
    setWindowTitle(caption);
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    grdEmail->setObjectName(QStringLiteral("grdEmail"));
    grdEmail->setTitleSort(true);
    grdEmail->setDataSource(m_source,
        { { "Subject", 30 }, { "SenderName", 20 }, { "SenderEmail", 25 }, { "DateCreated", 10 }, { "Remark", 40 },
            { "statusField", 10 } });
    memBody->setObjectName(QStringLiteral("memBody"));
    memBody->setTabChangesFocus(true);
    app::FieldLink::bind(memBody, m_source, "Body");
    splitter->setObjectName(QStringLiteral("Splitter1"));
    splitter->addWidget(grdEmail);
    splitter->addWidget(memBody);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    splitter->setChildrenCollapsible(false);
    cmbSentReceived->setObjectName(QStringLiteral("cmbSentReceived"));
    cmbSentReceived->addItems(directionChoices());
    connect(cmbSentReceived, &QComboBox::textActivated, this, &MessageWindow::directionChanged);
    m_layout->setContentsMargins(4, 4, 4, 4);
    resize(980, 580); // every column of the grid in view
}

MessageWindow::~MessageWindow() = default;

data::TableView& MessageWindow::messages() const
{
    return m_source->view();
}

QToolBar* MessageWindow::addToolBar()
{
    auto* bar = new QToolBar(this);
    bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    bar->setIconSize(QSize(20, 20));
    m_layout->addWidget(bar);
    return bar;
}

QToolButton* MessageWindow::addButton(QToolBar* bar, const char* name, const QString& caption, const QString& hint,
    int icon, const std::function<void()>& action)
{
    auto* button = new QToolButton(bar);
    button->setObjectName(QLatin1String(name));
    button->setText(caption);
    button->setToolTip(hint);
    button->setIcon(style()->standardIcon(static_cast<QStyle::StandardPixmap>(icon)));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setAutoRaise(true);
    bar->addWidget(button);
    connect(button, &QToolButton::clicked, this, action);
    return button;
}

void MessageWindow::addSelector(QToolBar* bar)
{
    bar->addWidget(cmbSentReceived);
}

bool MessageWindow::guarded(const std::function<void()>& change)
{
    return m_source->guarded(this, change);
}

bool MessageWindow::postBody()
{
    return m_source->post(this);
}

void MessageWindow::deleteMessage(const QString& question)
{
    if (!postBody() || !messages().isOpen() || messages().isEmpty())
        return;
    if (!app::prompts().askYesNo(this, windowTitle(), question))
        return;
    guarded([this] { messages().remove(); });
}

bool MessageWindow::saveAs(const QString& fileName)
{
    if (!postBody() || !messages().isOpen() || messages().isEmpty())
        return false;
    return saveMessageAs(this, m_data, messages().asInteger("Counter"), fileName);
}

bool MessageWindow::print()
{
    if (!postBody() || !messages().isOpen() || messages().isEmpty())
        return false;
    return printMessage(this, m_data, messages().asInteger("Counter"), printFile, printCommand);
}

void MessageWindow::findMessage()
{
    if (!postBody() || !messages().isOpen())
        return;
    app::TfrmFind find(m_source, this, QStringLiteral("SenderName"), tr("message"));
    find.exec();
}

void MessageWindow::searchMessages()
{
    if (!postBody() || !messages().isOpen())
        return;
    app::TfrmFind search(m_source, this, QStringLiteral("Subject"), tr("message"));
    search.setWindowTitle(tr("Search"));
    search.exec();
}

void MessageWindow::showAttached()
{
    if (!postBody() || !messages().isOpen() || messages().isEmpty())
        return;
    TfrmShowAttFull window(messages(), m_data.QURAttach, this);
    window.exec();
}

void MessageWindow::directionChanged(const QString& choice)
{
    if (postBody())
        guarded([&] { applyDirection(messages(), choice); });
}

} // namespace pelmora::email
