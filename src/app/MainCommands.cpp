#include "app/MainCommands.h"

#include <QAction>
#include <QMainWindow>
#include <QMenuBar>
#include <QStyle>
#include <QToolBar>

namespace pelmora::app {

MainCommands::MainCommands(QMainWindow* window)
    : QObject(window)
    , m_window(window)
{
    QMenuBar* bar = window->menuBar();
    buildFileMenu(bar->addMenu(tr("&File")));
    buildEditMenu(bar->addMenu(tr("&Edit")));
    buildViewMenu(bar->addMenu(tr("&View")));
    buildQueryMenu(bar->addMenu(tr("&Query")));
    buildEmailMenu(bar->addMenu(tr("E-&mail")));
    QMenu* setup = bar->addMenu(tr("&Setup"));
    QMenu* help = bar->addMenu(tr("&Help"));
    buildSetupAndHelpMenus(setup, help);
    buildToolBar();
}

QAction* MainCommands::action(const QString& name) const
{
    auto found = m_actions.find(name);
    return found == m_actions.end() ? nullptr : found->second;
}

void MainCommands::setAvailable(const QString& name, bool available)
{
    if (QAction* command = action(name))
        command->setEnabled(available);
}

QAction* MainCommands::add(QMenu* menu, const QString& name, const QString& text, const QKeySequence& key)
{
    auto* command = new QAction(text, m_window);
    command->setObjectName(name);
    command->setShortcut(key);
    command->setEnabled(false); // until the command has something to work on
    menu->addAction(command);
    m_actions[name] = command;
    return command;
}

void MainCommands::buildFileMenu(QMenu* menu)
{
    add(menu, QStringLiteral("mnuOpenDatabase"), tr("&Open Database"), QKeySequence(Qt::CTRL | Qt::Key_O));
    add(menu, QStringLiteral("mnuNewDatabase"), tr("&New Database"), QKeySequence(Qt::CTRL | Qt::Key_N));
    add(menu, QStringLiteral("mnuDeleteDatabase"), tr("&Delete Database"), QKeySequence(Qt::CTRL | Qt::Key_D));
    add(menu, QStringLiteral("mnuImportDatabase"), tr("Import Database"));
    add(menu, QStringLiteral("mnuBackUp"), tr("&Back-Up"));
    menu->addSeparator();
    add(menu, QStringLiteral("mnuImportContacts"), tr("Import &Contacts..."));
    add(menu, QStringLiteral("mnuExportContacts"), tr("Expor&t Contacts..."));
    menu->addSeparator();
    add(menu, QStringLiteral("mnuPack"), tr("&Pack Database"));
    add(menu, QStringLiteral("mnuPrint"), tr("&Print"), QKeySequence(Qt::CTRL | Qt::Key_P));
    menu->addSeparator();
    add(menu, QStringLiteral("mnuExit"), tr("E&xit"), QKeySequence(Qt::ALT | Qt::Key_F4))->setEnabled(true);
}

void MainCommands::buildEditMenu(QMenu* menu)
{
    add(menu, QStringLiteral("mnuCut"), tr("Cu&t"), QKeySequence(Qt::CTRL | Qt::Key_X))->setEnabled(true);
    add(menu, QStringLiteral("mnuCopy"), tr("&Copy"), QKeySequence(Qt::CTRL | Qt::Key_C))->setEnabled(true);
    add(menu, QStringLiteral("mnuPaste"), tr("&Paste"), QKeySequence(Qt::CTRL | Qt::Key_V))->setEnabled(true);
    menu->addSeparator();
    add(menu, QStringLiteral("mnuNewRecord"), tr("&New Record"), QKeySequence(Qt::CTRL | Qt::Key_Insert));
    add(menu, QStringLiteral("mnuDeleteRecord"), tr("&Delete Record"), QKeySequence(Qt::SHIFT | Qt::Key_Delete));
    add(menu, QStringLiteral("mnuUnmarkAll"), tr("Un&mark All Contacts"));
}

void MainCommands::buildViewMenu(QMenu* menu)
{
    QMenu* tabs = menu->addMenu(tr("&Tabs"));
    const QString names[] = { tr("&Main"), tr("&E-mail"), tr("&Links"), tr("&Activities"), tr("&User Fields"),
        tr("&Contacts"), tr("&Notes"), tr("&Documents") };
    for (int i = 0; i < 8; ++i) {
        QAction* tab = add(tabs, QStringLiteral("mnuTab%1").arg(i), names[i], QKeySequence(Qt::ALT | (Qt::Key_1 + i)));
        tab->setEnabled(true);
        connect(tab, &QAction::triggered, this, [this, i] { emit pageRequested(i); });
    }
    menu->addSeparator();
    add(menu, QStringLiteral("mnuContactList"), tr("&Contact List"));
    add(menu, QStringLiteral("mnuEmailList"), tr("&E-mail List"));
    add(menu, QStringLiteral("mnuActivityList"), tr("&Activity List"));
    add(menu, QStringLiteral("mnuDocumentList"), tr("&Document List"));
    add(menu, QStringLiteral("mnuURLList"), tr("&URL List"));
    menu->addSeparator();
    add(menu, QStringLiteral("mnuReports"), tr("&Reports"));
}

void MainCommands::buildQueryMenu(QMenu* menu)
{
    add(menu, QStringLiteral("mnuFilter"), tr("&Filter"))->setCheckable(true);
    add(menu, QStringLiteral("mnuSearch"), tr("&Search"));
    add(menu, QStringLiteral("mnuFind"), tr("Fin&d"));
    add(menu, QStringLiteral("mnuSort"), tr("S&ort"));
    add(menu, QStringLiteral("mnuFindDuplicates"), tr("Find D&uplicates..."));
    QMenu* go = menu->addMenu(tr("&Goto"));
    add(go, QStringLiteral("mnuNextRecord"), tr("&Next Record"), QKeySequence(Qt::Key_PageDown));
    add(go, QStringLiteral("mnuPriorRecord"), tr("&Previous Record"), QKeySequence(Qt::Key_PageUp));
    add(go, QStringLiteral("mnuFirstRecord"), tr("&First Record"), QKeySequence(Qt::CTRL | Qt::Key_PageUp));
    add(go, QStringLiteral("mnuLastRecord"), tr("&Last Record"), QKeySequence(Qt::CTRL | Qt::Key_PageDown));
}

void MainCommands::buildEmailMenu(QMenu* menu)
{
    add(menu, QStringLiteral("mnuInbox"), tr("&Inbox E-mail"));
    add(menu, QStringLiteral("mnuCompose"), tr("&Compose"));
    add(menu, QStringLiteral("mnuEmailListView"), tr("E-mail &List"));
    add(menu, QStringLiteral("mnuSendQueued"), tr("&Send Queued E-mail"));
    menu->addSeparator();
    QAction* tab = add(menu, QStringLiteral("mnuEmailTab"), tr("E-&mail Tab"));
    tab->setEnabled(true);
    connect(tab, &QAction::triggered, this, [this] { emit pageRequested(1); });
}

void MainCommands::buildSetupAndHelpMenus(QMenu* setup, QMenu* help)
{
    add(setup, QStringLiteral("mnuEmailSetup"), tr("&Set E-mail Configuration "));
    add(setup, QStringLiteral("mnuImportSetup"), tr("&Import E-mail Setup"));
    setup->addSeparator();
    add(setup, QStringLiteral("mnuContactSync"), tr("&Contact Sync..."));
    add(help, QStringLiteral("mnuHelpContents"), tr("&Contents"), QKeySequence::HelpContents)->setEnabled(true);
    add(help, QStringLiteral("mnuWebPage"), tr("Pelmora Web Page"))->setEnabled(true);
    help->addSeparator();
    add(help, QStringLiteral("mnuAbout"), tr("&About..."))->setEnabled(true);
}

QAction* MainCommands::addTool(const QString& name, const QString& hint, int standardPixmap, const QString& sameAs)
{
    QAction* command = nullptr;
    if (!sameAs.isEmpty()) {
        // The tool-bar button and its menu entry are one command, so they are enabled together.
        command = action(sameAs);
    } else {
        command = new QAction(hint, m_window);
        command->setObjectName(name);
        command->setEnabled(false);
        m_actions[name] = command;
    }
    command->setIcon(m_window->style()->standardIcon(static_cast<QStyle::StandardPixmap>(standardPixmap)));
    command->setToolTip(hint);
    m_toolBar->addAction(command);
    return command;
}

void MainCommands::buildToolBar()
{
    m_toolBar = m_window->addToolBar(tr("Tool Bar"));
    m_toolBar->setObjectName(QStringLiteral("ToolBar"));
    m_toolBar->setMovable(false);
    addTool({}, tr("Open Database"), QStyle::SP_DialogOpenButton, QStringLiteral("mnuOpenDatabase"));
    addTool({}, tr("Add a New Record"), QStyle::SP_FileIcon, QStringLiteral("mnuNewRecord"));
    addTool({}, tr("Delete Active Contact"), QStyle::SP_TrashIcon, QStringLiteral("mnuDeleteRecord"));
    m_toolBar->addSeparator();
    addTool({}, tr("Find"), QStyle::SP_FileDialogContentsView, QStringLiteral("mnuFind"));
    addTool({}, tr("Search"), QStyle::SP_FileDialogDetailedView, QStringLiteral("mnuSearch"));
    addTool({}, tr("Sort"), QStyle::SP_ArrowDown, QStringLiteral("mnuSort"));
    addTool({}, tr("Apply/Remove Filter"), QStyle::SP_FileDialogListView, QStringLiteral("mnuFilter"));
    m_toolBar->addSeparator();
    addTool({}, tr("E-mail InBox"), QStyle::SP_DriveNetIcon, QStringLiteral("mnuInbox"));
    addTool({}, tr("Send E-mail"), QStyle::SP_ArrowForward, QStringLiteral("mnuCompose"));
    m_toolBar->addSeparator();
    addTool({}, tr("View Contact List"), QStyle::SP_FileDialogInfoView, QStringLiteral("mnuContactList"));
    addTool({}, tr("View E-mail Messages List"), QStyle::SP_DirIcon, QStringLiteral("mnuEmailList"));
    addTool({}, tr("View Activity List"), QStyle::SP_FileDialogToParent, QStringLiteral("mnuActivityList"));
    addTool({}, tr("View Document List"), QStyle::SP_DirOpenIcon, QStringLiteral("mnuDocumentList"));
    addTool({}, tr("View URL List"), QStyle::SP_DirLinkIcon, QStringLiteral("mnuURLList"));
    m_toolBar->addSeparator();
    addTool({}, tr("Generate a Report"), QStyle::SP_FileDialogNewFolder, QStringLiteral("mnuPrint"));
    addTool(QStringLiteral("tbBrowseWeb"), tr("Browse The Web"), QStyle::SP_ComputerIcon)->setEnabled(true);
}

} // namespace pelmora::app
