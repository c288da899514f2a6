// The main window's side of the data module: data sources, bound pages and the commands that
// need records. Kept apart from the window's frame so each file stays readable.
#include "app/TfrmMainForm.h"

#include "app/ActivitiesPage.h"
#include "app/ContactCommands.h"
#include "app/DatabaseCommands.h"
#include "app/DesktopLinkCommands.h"
#include "app/FaxCommands.h"
#include "app/GuiDataPrompts.h"
#include "app/ListCommands.h"
#include "app/MailCommands.h"
#include "app/MailWindows.h"
#include "app/MainCommands.h"
#include "app/MainPage.h"
#include "app/MainPageBinding.h"
#include "app/PageCommands.h"
#include "app/QueryCommands.h"
#include "app/ReportCommands.h"
#include "app/UserFieldsPage.h"
#include "data/TfrmDataModule.h"

#include "data/Database.h"
#include "records/TfrmActivity.h"
#include "records/TfrmCategory.h"
#include "records/TfrmDefActivity.h"
#include "records/TfrmDepart.h"
#include "records/TfrmJobTitle.h"
#include "records/TfrmLinks.h"
#include "records/TfrmNotes.h"
#include "records/TfrmPeople.h"
#include "sync/ContactSyncWindow.h"
#include "widgets/DateText.h"
#include "widgets/Prompts.h"
#include "widgets/TCustomEditAndBtn.h"
#include "widgets/TDataSource.h"
#include "widgets/TDBGrid.h"
#include <QAction>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>
#include <QToolButton>

namespace pelmora::app {

void TfrmMainForm::attachDataModule(data::TfrmDataModule& data, GuiDataPrompts& dataPrompts)
{
    m_data = &data;
    m_dsCon = new TDataSource(data.TBLCon, this);
    for (int i = 0; i < m_pages->count(); ++i)
        m_pages->widget(i)->setEnabled(true);
    bindGrids(data);
    m_binding = new MainPageBinding(
        m_mainPage, m_userFieldsPage, m_dsCon, data, [this](const QString& number) { dial(number); });
    new ContactCommands(this, data, m_dsCon);
    m_queryCommands = new QueryCommands(this, data, m_dsCon);
    m_databaseCommands = new DatabaseCommands(this, data, m_dsCon, m_queryCommands);
    dataPrompts.setNewContactHandler([this] {
        showPage(MainTab);
        m_mainPage->firstNameEdit()->setFocus();
    });
    applyUserFieldNames(data);
    fillActivityList();
    connect(m_activitiesPage, &ActivitiesPage::dateChosen, this, [this] { m_askDateRange = true; });
    connect(m_activitiesPage, &ActivitiesPage::filterChanged, this, &TfrmMainForm::applyActivityFilter);
    disableUnbuiltCommands();
    new PageCommands(this, data, m_dsCon);
    m_mailCommands = new MailCommands(this, data, m_dsCon);
    new ReportCommands(this, data, m_dsCon);
    new MailWindows(this, data, m_dsCon);
    wireContactSync(data);
    wireFaxCommands(this, data);
    wireListWindows();
    wireEditors(dataPrompts);
    new ListCommands(this, data, m_dsCon, dataPrompts);
    new DesktopLinkCommands(this, data, m_dsCon, m_mailCommands);
    const std::pair<const char*, const char*> clipboard[]
        = { { "btnUserCut", "cut" }, { "btnUserCopy", "copy" }, { "btnUserPaste", "paste" } };
    for (const auto& [name, slot] : clipboard) {
        connect(m_userFieldsPage->findChild<QPushButton*>(QLatin1String(name)), &QPushButton::clicked, this,
            [this, slot = slot] { cutCopyPaste(slot); });
    }
    setStatusText(0, {});
}

void TfrmMainForm::showDatabase(const QString& name)
{
    m_mainPage->setDatabaseName(name);
    if (!m_data)
        return;
    m_binding->refreshLists();
    applyUserFieldNames(*m_data);
    fillActivityList();
    // The filter is rebuilt from the refilled lists; a chosen date range is kept, not asked again.
    applyActivityFilter();
}

void TfrmMainForm::bindGrids(data::TfrmDataModule& data)
{
    const std::pair<const char*, data::TableView*> grids[]
        = { { "grdLinks", &data.TBLLinks }, { "grdActivity", &data.TBLActivity }, { "grdPeople", &data.TBLPeople },
              { "grdNotes", &data.TBLNotes }, { "grdDocuments", &data.TBLDoc } };
    for (const auto& [name, view] : grids) {
        if (auto* grid = findChild<TDBGrid*>(QLatin1String(name)))
            grid->setDataSource(new TDataSource(*view, grid));
    }
    // The messages' status is a calculated field, which the view lists last; the page shows it
    // beside the queue mark.
    auto* messages = findChild<TDBGrid*>(QStringLiteral("grdEmail"));
    messages->setDataSource(new TDataSource(data.TBLEmail, messages),
        { { "Subject", 41 }, { "SenderName", 24 }, { "SenderEmail", 19 }, { "Body", 7 }, { "Queue", 8 },
            { "StatusField", 8 }, { "AttachNum", 7 }, { "DateCreated", 10 }, { "Remark", 100 } });
}

void TfrmMainForm::applyUserFieldNames(data::TfrmDataModule& data)
{
    // The names are read once at start; the table is opened again only while they are defined.
    data::TableView& names = data.TBLMoreName;
    TDataSource(names).guarded(this, [&] {
        names.open();
        m_userFieldsPage->applyNames(names);
    });
    names.close();
}

void TfrmMainForm::disableUnbuiltCommands()
{
    // Buttons whose windows (compose, reports, inbox, documents, fax) do not exist yet stay off;
    // the commands that work on records alone turn their buttons on as they are wired.
    const QStringList working { QStringLiteral("btnDeleteEmail"), QStringLiteral("btnDeleteLink"),
        QStringLiteral("btnDeleteActivity"), QStringLiteral("btnDeletePerson"), QStringLiteral("btnDeleteNote"),
        QStringLiteral("btnUserCut"), QStringLiteral("btnUserCopy"), QStringLiteral("btnUserPaste") };
    for (QPushButton* button : m_pages->findChildren<QPushButton*>())
        button->setEnabled(working.contains(button->objectName()));
    for (QToolButton* button : m_mainPage->findChildren<QToolButton*>()) {
        if (button->objectName().startsWith(QLatin1String("btnEdit")))
            button->setEnabled(false);
    }
    for (const char* name : { "edtEMail", "edtFax" }) {
        if (auto* box = m_mainPage->findChild<comms::TCustomEditAndBtn*>(QLatin1String(name)))
            box->setButtonEnabled(false);
    }
    m_pages->findChild<QComboBox*>(QStringLiteral("cmbSentReceived"))->setEnabled(false);
}

namespace {

// Shows a list window modally over `view`, whatever its result, then runs `after`.
template <typename Window>
void showListWindow(QWidget* parent, data::TableView& view, const char* field, const std::function<void()>& after)
{
    Window window(parent);
    TDataSource source(view);
    window.setDataSource(&source, field);
    window.exec();
    after();
}

} // namespace

void TfrmMainForm::wireListWindows()
{
    auto button = [this](const char* name) { return findChild<QAbstractButton*>(QLatin1String(name)); };
    auto refresh = [this] { m_binding->refreshLists(); };
    auto wire = [&](const char* name, auto open) {
        QAbstractButton* b = button(name);
        b->setEnabled(true);
        connect(b, &QAbstractButton::clicked, this, [this, open] {
            if (m_dsCon->post(this))
                open();
        });
    };
    for (const char* name : { "btnEditCategoryA", "btnEditCategoryB", "btnEditCategoryC" }) {
        wire(name,
            [this, refresh] { showListWindow<records::TfrmCategory>(this, m_data->TBLCategory, "Desc", refresh); });
    }
    wire("btnEditDepartment",
        [this, refresh] { showListWindow<records::TfrmDepart>(this, m_data->TBLDepart, "Description", refresh); });
    wire("btnEditJobTitle",
        [this, refresh] { showListWindow<records::TfrmJobTitle>(this, m_data->TBLJobTitle, "Description", refresh); });
    wire("btnEditActivityList", [this] {
        showListWindow<records::TfrmDefActivity>(this, m_data->TBLActDesc, "ActDesc", [this] {
            fillActivityList();
            applyActivityFilter();
        });
    });
}

template <typename Editor> bool TfrmMainForm::showEditor(data::TableView& view)
{
    TDataSource source(view);
    Editor editor(&source, this);
    if constexpr (std::is_same_v<Editor, records::TfrmActivity>) {
        editor.setActivityNames(activityNames());
        connect(&editor, &records::TfrmActivity::editActivityList, this, [this, &editor] {
            showListWindow<records::TfrmDefActivity>(this, m_data->TBLActDesc, "ActDesc", [this, &editor] {
                // Filtering now would post the record the editor holds and could move the view
                // off it; only the names are refilled, the filter follows once the editor is done.
                fillActivityList();
                editor.setActivityNames(activityNames());
                m_activityListEdited = true;
            });
        });
    }
    if constexpr (std::is_same_v<Editor, records::TfrmPeople>) {
        connect(&editor, &records::TfrmPeople::sendEmail, this,
            [this](const QString& to) { m_mailCommands->compose(to, false); });
    }
    const bool accepted = editor.exec() == QDialog::Accepted;
    if (m_activityListEdited) {
        m_activityListEdited = false;
        // Queued: the caller posts or cancels the record first.
        QTimer::singleShot(0, this, &TfrmMainForm::applyActivityFilter);
    }
    return accepted;
}

void TfrmMainForm::wireEditors(GuiDataPrompts& dataPrompts)
{
    struct Kind {
        const char* add;
        const char* properties;
        data::TableView* view;
        std::function<bool(data::TableView&)> show;
        const char* editor;
    };
    const Kind kinds[] = {
        { "btnAddLink", "btnLinkProperties", &m_data->TBLLinks,
            [this](data::TableView& v) { return showEditor<records::TfrmLinks>(v); }, "TfrmLinks" },
        { "btnAddActivity", "btnActivityProperties", &m_data->TBLActivity,
            [this](data::TableView& v) { return showEditor<records::TfrmActivity>(v); }, "TfrmActivity" },
        { "btnAddPerson", "btnPersonProperties", &m_data->TBLPeople,
            [this](data::TableView& v) { return showEditor<records::TfrmPeople>(v); }, "TfrmPeople" },
        { "btnAddNote", "btnNoteProperties", &m_data->TBLNotes,
            [this](data::TableView& v) { return showEditor<records::TfrmNotes>(v); }, "TfrmNotes" },
    };
    for (const Kind& kind : kinds) {
        dataPrompts.setEditor(
            kind.editor, [show = kind.show](data::TableView& view, const std::string&) { return show(view); });
        data::TableView* view = kind.view;
        auto* add = findChild<QPushButton*>(QLatin1String(kind.add));
        add->setEnabled(true);
        connect(add, &QPushButton::clicked, this, [this, view] {
            // A detail record belongs to a stored contact: the contact is posted first.
            if (!m_dsCon->post(this) || m_dsCon->view().isEmpty())
                return;
            TDataSource(*view).guarded(this, [view] { view->insert(); }); // the insert rule shows the editor
        });
        auto* properties = findChild<QPushButton*>(QLatin1String(kind.properties));
        properties->setEnabled(true);
        connect(properties, &QPushButton::clicked, this, [this, view, show = kind.show] {
            if (!view->isOpen() || view->isEmpty())
                return;
            // An edit made before (in the grid) is stored first, so Cancel takes back only what
            // was changed in the editor.
            TDataSource source(*view);
            if (!source.post(this))
                return;
            if (show(*view))
                source.post(this);
            else if (view->isEditing())
                view->cancel();
        });
    }
}

void TfrmMainForm::wireContactSync(data::TfrmDataModule& data)
{
    QAction* action = m_commands->action(QStringLiteral("mnuContactSync"));
    action->setEnabled(true);
    connect(action, &QAction::triggered, this, [this, &data] {
        if (!m_dsCon->post(this) || !data.currentDatabase())
            return;
        sync::ContactSyncWindow window(m_paths.iniFile(), data.currentDatabase()->sql(), this);
        // So a contact deleted on the server takes what is filed under it along.
        window.useDataModule(data);
        connect(&window, &sync::ContactSyncWindow::statusText, this,
            [this](const QString& text) { setStatusText(0, text); });
        connect(&window, &sync::ContactSyncWindow::contactsChanged, this, [&data] { data.TBLCon.refresh(); });
        window.exec();
    });
}

} // namespace pelmora::app
