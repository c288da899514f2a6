#include "app/TfrmMainForm.h"

#include "app/ActivitiesPage.h"
#include "app/ContactCommands.h"
#include "app/ContactsPage.h"
#include "app/DocumentsPage.h"
#include "app/EmailPage.h"
#include "app/LinksPage.h"
#include "app/MainCommands.h"
#include "app/MainPage.h"
#include "app/NotesPage.h"
#include "app/UserFieldsPage.h"
#include "comms/TEditAndDial.h"
#include "data/TableView.h"
#include "net/TagRas.h"
#include "widgets/HelpPage.h"
#include "widgets/Prompts.h"
#include "widgets/TDataSource.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollArea>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QUrl>
#include <QVBoxLayout>

#include <cstring>

namespace pelmora::app {

namespace {

const char* const HomePage = "https://pelmora.example.org/";

} // namespace

TfrmMainForm::TfrmMainForm(const settings::Paths& paths, QWidget* parent)
    : QMainWindow(parent)
    , m_paths(paths)
    , m_commands(new MainCommands(this))
{
    setObjectName(QStringLiteral("TfrmMainForm"));
    setWindowTitle(tr("Pelmora"));
    buildPages();
    buildBottomBar();
    wireCommands();
    m_dialer = new comms::TEditAndDial(this);
    m_dialer->setObjectName(QStringLiteral("EditAndDial"));
    m_dialer->hide();
    setRecordPosition(0, 0);
    setStatusText(0, tr("No database is open"));
    resize(1024, 560); // fits a 1024x600 screen with its title bar; started maximized anyway
    formCreate();
}

void TfrmMainForm::formCreate()
{
    m_settings = settings::Settings::load(m_paths.iniFile());
    m_settings.applyStartDefaults(m_paths);
    useRasBackend(net::makeDefaultRasBackend());
    showPage(MainTab);
    // The name as stored: a first start, with no INI file yet, shows no name.
    m_mainPage->setDatabaseName(QString::fromStdString(m_settings.lastDataName));
    qApp->installEventFilter(this); // for the edit keys, which reach the focused edit, not the window
}

void TfrmMainForm::closeEvent(QCloseEvent* event)
{
    if (m_dsCon && !keepOrDropContactBeforeExit()) {
        event->ignore(); // a contact that cannot be saved, or a Cancel, keeps the window open
        return;
    }
    try {
        m_settings.applyExitDefaults(m_paths);
        m_settings.save(m_paths.iniFile());
        saveWindowState();
    } catch (const std::exception& error) {
        // The settings are lost for this run, but the program still ends as asked.
        prompts().showError(this, windowTitle(), QString::fromUtf8(error.what()));
    }
    QMainWindow::closeEvent(event);
}

// Half-typed changes are not stored behind the user's back: Exit asks. A new contact nobody
// typed into is simply dropped.
bool TfrmMainForm::keepOrDropContactBeforeExit()
{
    data::TableView& view = m_dsCon->view();
    if (!m_dsCon->storePending())
        return false;
    if (!view.isEditing() || !view.modified())
        return m_dsCon->leave(this);
    const std::optional<bool> save = prompts().askYesNoCancel(
        this, windowTitle(), tr("Save the changes to %1?").arg(ContactCommands::contactName(view)));
    if (!save)
        return false;
    if (*save)
        return m_dsCon->post(this);
    view.cancel();
    return true;
}

TfrmMainForm::~TfrmMainForm() = default;

void TfrmMainForm::buildPages()
{
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 0);
    m_pages = new QTabWidget(central);
    m_pages->setObjectName(QStringLiteral("PageControl"));
    m_pages->setTabPosition(QTabWidget::South); // the tab strip sits below the page book
    m_pages->setDocumentMode(true);
    m_mainPage = new MainPage(m_pages);
    m_activitiesPage = new ActivitiesPage(m_pages);
    m_userFieldsPage = new UserFieldsPage(m_pages);
    // The two pages of fields scroll on a screen too low for them (600 pixels), instead of
    // making the whole window taller than the screen.
    auto scrolling = [this](QWidget* page) {
        auto* area = new QScrollArea(m_pages);
        area->setObjectName(page->objectName() + QStringLiteral("Scroll"));
        area->setFrameShape(QFrame::NoFrame);
        area->setWidgetResizable(true);
        area->setWidget(page);
        return area;
    };
    m_pages->addTab(scrolling(m_mainPage), tr("Main"));
    m_pages->addTab(new EmailPage(m_pages), tr("E-Mail"));
    m_pages->addTab(new LinksPage(m_pages), tr("Links"));
    m_pages->addTab(m_activitiesPage, tr("Activities"));
    m_pages->addTab(scrolling(m_userFieldsPage), tr("User Fields"));
    m_pages->addTab(new ContactsPage(m_pages), tr("Contacts"));
    m_pages->addTab(new NotesPage(m_pages), tr("Notes"));
    m_pages->addTab(new DocumentsPage(m_pages), tr("Documents"));
    // The records the pages show come from the database; until one is open the pages only
    // show their layout and take no input, so nothing typed is silently dropped.
    for (int i = 0; i < m_pages->count(); ++i)
        m_pages->widget(i)->setEnabled(false);
    layout->addWidget(m_pages, 1);

    auto* header = new QHBoxLayout;
    m_headerLine = new QLineEdit(central);
    m_headerLine->setObjectName(QStringLiteral("edtDetailes"));
    m_headerLine->setReadOnly(true);
    m_headerLine->setFocusPolicy(Qt::NoFocus);
    QFont bold = m_headerLine->font();
    bold.setBold(true);
    m_headerLine->setFont(bold);
    QPalette palette = m_headerLine->palette();
    palette.setColor(QPalette::Text, QColor(0, 0, 0xc0));
    m_headerLine->setPalette(palette);
    m_position = new QLabel(central);
    m_position->setObjectName(QStringLiteral("lblRecordPosition"));
    m_position->setMinimumWidth(fontMetrics().horizontalAdvance(QStringLiteral("000000 of 000000")));
    m_position->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    header->addWidget(m_headerLine, 1);
    header->addWidget(m_position);
    layout->addLayout(header);
    setCentralWidget(central);
}

void TfrmMainForm::buildBottomBar()
{
    const int widths[3] = { 350, 170, 50 };
    for (int i = 0; i < 3; ++i) {
        m_panels[i] = new QLabel(this);
        m_panels[i]->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
        m_panels[i]->setFixedWidth(widths[i]);
        m_panels[i]->setFrameShape(QFrame::StyledPanel);
        m_panels[i]->setFrameShadow(QFrame::Sunken);
        statusBar()->addWidget(m_panels[i]);
    }
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("ProgressBar"));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    m_progress->setMaximumWidth(200);
    m_progress->setTextVisible(false);
    statusBar()->addWidget(m_progress);
    statusBar()->setSizeGripEnabled(true);
}

void TfrmMainForm::wireCommands()
{
    connect(m_commands, &MainCommands::pageRequested, this, [this](int index) {
        raise();
        activateWindow();
        showPage(index);
    });
    connect(m_commands->action(QStringLiteral("mnuExit")), &QAction::triggered, this, &QWidget::close);
    connect(m_commands->action(QStringLiteral("mnuCut")), &QAction::triggered, this, [this] { cutCopyPaste("cut"); });
    connect(m_commands->action(QStringLiteral("mnuCopy")), &QAction::triggered, this, [this] { cutCopyPaste("copy"); });
    connect(
        m_commands->action(QStringLiteral("mnuPaste")), &QAction::triggered, this, [this] { cutCopyPaste("paste"); });
    connect(m_commands->action(QStringLiteral("mnuHelpContents")), &QAction::triggered, this,
        [this] { openHelpPage(this, m_paths.helpDir(), "help.htm"); });
    auto openHomePage = [] { QDesktopServices::openUrl(QUrl(QString::fromLatin1(HomePage))); };
    connect(m_commands->action(QStringLiteral("mnuWebPage")), &QAction::triggered, this, openHomePage);
    connect(m_commands->action(QStringLiteral("tbBrowseWeb")), &QAction::triggered, this, openHomePage);
    connect(m_commands->action(QStringLiteral("mnuAbout")), &QAction::triggered, this, &TfrmMainForm::showAbout);
}

const char* TfrmMainForm::editKeySlot(QObject* watched, const QKeyEvent* event) const
{
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != this)
        return nullptr;
    auto* list = qobject_cast<QComboBox*>(widget);
    const bool typesText = qobject_cast<QLineEdit*>(widget) || qobject_cast<QPlainTextEdit*>(widget)
        || qobject_cast<QTextEdit*>(widget) || (list && list->lineEdit());
    if (!typesText)
        return nullptr;
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    if (event->key() == Qt::Key_Insert && modifiers == Qt::ControlModifier)
        return "copy";
    if (event->key() == Qt::Key_Delete && modifiers == Qt::ShiftModifier)
        return "cut";
    return nullptr;
}

bool TfrmMainForm::eventFilter(QObject* watched, QEvent* event)
{
    // The edit keys of the keyboard are taken from the menu's shortcuts while text has the focus:
    // claiming the shortcut makes the key a key press of the edit, which is then copied or cut here.
    if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
        if (const char* slot = editKeySlot(watched, static_cast<QKeyEvent*>(event))) {
            if (event->type() == QEvent::KeyPress)
                cutCopyPaste(slot);
            event->accept();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TfrmMainForm::cutCopyPaste(const char* slot)
{
    // Line edits and memos offer cut(), copy() and paste(); a drop-down keeps the focus itself,
    // so the command goes to the edit part it types into.
    QWidget* focus = QApplication::focusWidget();
    // A grid copies the text of its current cell, which is what Ctrl+C did in it before the
    // Edit menu took the key; its cells are changed by editing them in place, not by pasting.
    if (auto* grid = qobject_cast<QAbstractItemView*>(focus)) {
        if (std::strcmp(slot, "copy") == 0 && grid->currentIndex().isValid())
            QApplication::clipboard()->setText(grid->currentIndex().data(Qt::DisplayRole).toString());
        return;
    }
    if (auto* list = qobject_cast<QComboBox*>(focus); list && list->lineEdit())
        focus = list->lineEdit();
    if (focus)
        QMetaObject::invokeMethod(focus, slot);
}

void TfrmMainForm::showAbout()
{
    prompts().inform(this, tr("About Pelmora"),
        tr("Pelmora %1\nA contact manager for people, activities, notes, documents, links and e-mail.")
            .arg(QApplication::applicationVersion()));
}

void TfrmMainForm::showPage(int index)
{
    m_pages->setCurrentIndex(index);
}

void TfrmMainForm::dial(const QString& number)
{
    m_dialer->setText(number);
    m_dialer->dial();
}

void TfrmMainForm::useRasBackend(std::unique_ptr<net::RasBackend> backend)
{
    m_agRas1 = std::make_unique<net::TagRas>(std::move(backend));
    m_agRas1->OnStatusChange
        = [this](net::TagRas&, const std::string& text) { setStatusText(0, QString::fromStdString(text)); };
    m_agRas1->OnDisconnected = [this](net::TagRas&) { setStatusText(0, tr("Disconnected")); };
    m_agRas1->MinimizeWindow = [](const std::string& title) {
        const QString wanted = QString::fromStdString(title);
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (window->isVisible() && window->windowTitle() == wanted)
                window->showMinimized();
        }
    };
    // RAS counts the entries from 1 (0 is "None"); a number past the phone book, left by an
    // entry removed since, chooses nothing rather than reading past the list.
    const auto& entries = m_agRas1->Entries();
    if (m_settings.ras > 0 && std::size_t(m_settings.ras) <= entries.size())
        m_agRas1->setService(entries[std::size_t(m_settings.ras) - 1]);
}

void TfrmMainForm::setStatusText(int panel, const QString& text)
{
    if (panel >= 0 && panel < 3)
        m_panels[panel]->setText(text);
}

void TfrmMainForm::setRecordPosition(int number, int count)
{
    m_position->setText(tr("%1 of %2").arg(number).arg(count));
}

void TfrmMainForm::setHeaderLine(const QString& text)
{
    m_headerLine->setText(text);
}

} // namespace pelmora::app
