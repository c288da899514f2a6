#include "app/PageCommands.h"

#include "app/MainCommands.h"
#include "app/TfrmMainForm.h"
#include "app/UserFieldsPage.h"
#include "data/TfrmDataModule.h"
#include "records/TfrmDefMore.h"
#include "widgets/DateText.h"
#include "widgets/FieldLink.h"
#include "widgets/OpenWebAddress.h"
#include "widgets/TBrDateForm.h"
#include "widgets/TDataSource.h"
#include "widgets/TDBGrid.h"
#include "widgets/TfrmFind.h"

#include <QAction>
#include <QDesktopServices>
#include <QDialog>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QUrl>

#include <algorithm>
#include <optional>

namespace pelmora::app {

namespace {

// Hands a web address to the desktop; one that no program takes fails silently, as the shell's
// does. Other kinds of address are refused with a message.
void openAddress(QWidget* parent, const std::string& address)
{
    openWebAddress(parent, QString::fromStdString(address));
}

} // namespace

PageCommands::PageCommands(TfrmMainForm* form, data::TfrmDataModule& data, TDataSource* dsCon)
    : QObject(form)
    , m_form(form)
    , m_data(data)
    , m_dsCon(dsCon)
{
    wireEmail();
    wireLinks();
    wireDocuments();
    wirePeople();
    wireDateCells();
    wireDefine();
    wireShortcutMenus();
    TDBGrid* activities = grid("grdActivity");
    activities->setPickList("Priority", [] {
        return QStringList { QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D") };
    });
    activities->setPickList("Activity", [this] { return m_form->activityNames(); });
}

template <typename Handler> void PageCommands::onButton(const char* name, Handler handler)
{
    auto* button = m_form->findChild<QPushButton*>(QLatin1String(name));
    button->setEnabled(true);
    connect(button, &QPushButton::clicked, this, handler);
}

TDBGrid* PageCommands::grid(const char* name) const
{
    return m_form->findChild<TDBGrid*>(QLatin1String(name));
}

bool PageCommands::contactStored()
{
    return m_dsCon->post(m_form) && !m_dsCon->view().isEmpty();
}

void PageCommands::wireEmail()
{
    data::TableView& messages = m_data.TBLEmail;
    onButton("btnCutEmail", [this, &messages] {
        if (contactStored())
            m_dsCon->guarded(m_form, [this, &messages] { m_data.cutToClipboard(messages); });
    });
    onButton("btnCopyEmail", [this, &messages] {
        if (contactStored())
            m_dsCon->guarded(m_form, [this, &messages] { m_data.copyToClipboard(messages); });
    });
    onButton("btnPasteEmail", [this, &messages] {
        if (!contactStored())
            return;
        const std::int64_t contact = m_dsCon->view().asInteger("Counter");
        m_dsCon->guarded(m_form, [&] { m_data.paste(contact, messages); });
    });
    onButton("btnFindEmail", [this] { findMessage(); });
    // The pane below the grid holds the body of the message under the cursor; what is typed
    // there is stored with the row, as an edit in the grid is. With no message under the
    // cursor there is nothing to type into: typing would otherwise add an empty message.
    auto* body = m_form->findChild<QPlainTextEdit*>(QStringLiteral("memBody"));
    TDataSource* source = grid("grdEmail")->dataSource();
    FieldLink* link = FieldLink::bind(body, source, "Body");
    link->revertOnEscape();
    const auto follow = [&messages, body, link] {
        body->setReadOnly(!messages.isOpen() || (messages.isEmpty() && !messages.isEditing()));
        link->show();
    };
    for (auto signal : { &TDataSource::currentChanged, &TDataSource::stateChanged, &TDataSource::listChanged })
        connect(source, signal, body, follow);
    follow();
}

void PageCommands::findMessage()
{
    if (!contactStored())
        return;
    TDataSource messages(m_data.TBLEmail);
    TfrmFind find(&messages, m_form, QStringLiteral("SenderName"), tr("message"));
    find.exec();
}

void PageCommands::wireLinks()
{
    onButton("btnGoToLink", [this] { goToLink(false); });
    TDBGrid* links = grid("grdLinks");
    links->addButtonField("URL");
    connect(links, &TDBGrid::buttonClicked, this, [this](const QString& field) {
        if (field == QLatin1String("URL"))
            goToLink(true);
    });
}

// The page's button opens the address and then notes the visit; the grid's URL button notes the
// visit on the link and on the contact first, as the contact's own web page button does.
void PageCommands::goToLink(bool fromCell)
{
    data::TableView& links = m_data.TBLLinks;
    if (!links.isOpen() || (links.isEmpty() && !links.isEditing()))
        return;
    TDataSource source(links);
    const auto visit = [&] {
        return source.guarded(m_form, [&] {
            source.ensureEditing();
            links.setDate("LastAccess", data::Date::today());
        }) && source.post(m_form);
    };
    if (!fromCell) {
        openAddress(m_form, links.asString("URL"));
        visit();
        return;
    }
    const bool noted = visit() && m_dsCon->guarded(m_form, [this] {
        m_dsCon->ensureEditing();
        m_dsCon->view().setDate("LastVisited", data::Date::today());
    }) && m_dsCon->post(m_form);
    if (noted)
        openAddress(m_form, links.asString("URL"));
}

void PageCommands::wireDocuments()
{
    onButton("btnOpenDocument", [this] { openDocument(); });
    TDBGrid* documents = grid("grdDocuments");
    documents->addButtonField("File");
    connect(documents, &TDBGrid::buttonClicked, this, [this](const QString& field) {
        if (field == QLatin1String("File"))
            openDocument();
    });
}

void PageCommands::openDocument()
{
    data::TableView& documents = m_data.TBLDoc;
    if (!documents.isOpen() || documents.isEmpty())
        return;
    const QString file = QString::fromStdString(documents.asString("File"));
    if (!file.isEmpty())
        QDesktopServices::openUrl(QUrl::fromLocalFile(file));
}

void PageCommands::wirePeople()
{
    // The phone cell dials at once; the e-mail cell belongs to the mail commands, the fax cell
    // waits for the fax window.
    TDBGrid* people = grid("grdPeople");
    people->addButtonField("Phone");
    connect(people, &TDBGrid::buttonClicked, this, [this](const QString& field) {
        if (field == QLatin1String("Phone") && !m_data.TBLPeople.isEmpty())
            m_form->dial(QString::fromStdString(m_data.TBLPeople.asString("Phone")));
    });
}

void PageCommands::wireDateCells()
{
    const std::pair<const char*, std::vector<std::string>> cells[] = { { "grdActivity", { "DateOf", "DateCreated" } },
        { "grdNotes", { "DateCreated" } }, { "grdDocuments", { "Added" } } };
    for (const auto& [name, fields] : cells) {
        TDBGrid* cellGrid = grid(name);
        for (const std::string& field : fields)
            cellGrid->addButtonField(field);
        connect(cellGrid, &TDBGrid::buttonClicked, this, [this, cellGrid, fields = fields](const QString& field) {
            const std::string chosen = field.toStdString();
            TDataSource* source = cellGrid->dataSource();
            if (std::find(fields.begin(), fields.end(), chosen) == fields.end() || source->view().isEmpty())
                return;
            if (const std::optional<QDate> picked = TBrDateForm::pick(m_form)) {
                source->guarded(m_form, [&] {
                    source->ensureEditing();
                    source->view().setDate(chosen, fromQDate(*picked));
                });
            }
        });
    }
}

// A right click on a page, off its edits, offers the contact commands; grids hand the click on
// to their page.
void PageCommands::wireShortcutMenus()
{
    QList<QAction*> commands;
    for (const char* name : { "mnuNewRecord", "mnuDeleteRecord", "mnuSearch" })
        commands << m_form->commands()->action(QLatin1String(name));
    QTabWidget* pages = m_form->pageControl();
    for (int i = 0; i < pages->count(); ++i) {
        pages->widget(i)->setContextMenuPolicy(Qt::ActionsContextMenu);
        pages->widget(i)->addActions(commands);
    }
}

void PageCommands::wireDefine()
{
    onButton("btnDefine", [this] { defineUserFields(); });
}

// The names live in the data directory, shared by every database, and are open only while the
// user defines them. A name cleared here keeps its caption until the next start.
void PageCommands::defineUserFields()
{
    data::TableView& names = m_data.TBLMoreName;
    TDataSource source(names);
    if (source.guarded(m_form, [&] { names.open(); })) {
        records::TfrmDefMore window(m_form);
        window.setDataSource(&source);
        if (window.exec() == QDialog::Accepted)
            m_form->userFieldsPage()->applyNames(names);
    }
    names.cancel();
    names.close();
}

} // namespace pelmora::app
