#include "app/ContactCommands.h"

#include "app/MainCommands.h"
#include "app/MainPage.h"
#include "app/TfrmMainForm.h"
#include "data/TfrmDataModule.h"
#include "widgets/Prompts.h"
#include "widgets/TDataSource.h"

#include <QAction>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>

namespace pelmora::app {

ContactCommands::ContactCommands(TfrmMainForm* form, data::TfrmDataModule& data, TDataSource* dsCon)
    : QObject(form)
    , m_form(form)
    , m_data(data)
    , m_dsCon(dsCon)
{
    wireNavigation();
    wireDetailDeletes();
    connect(m_dsCon, &TDataSource::currentChanged, this, &ContactCommands::showPosition);
    connect(m_dsCon, &TDataSource::dataChanged, this, &ContactCommands::showPosition);
    connect(m_dsCon, &TDataSource::listChanged, this, &ContactCommands::showPosition);
    // Leaving a page posts the contact, so no page ever shows another page's unsaved change.
    connect(m_form->pageControl(), &QTabWidget::currentChanged, this, [this] { m_dsCon->leave(m_form); });
    // Saving happens on so many ways out of a record that the user is told each time.
    connect(m_dsCon, &TDataSource::posted, this,
        [this] { m_form->setStatusText(0, tr("Contact saved: %1").arg(contactName(m_dsCon->view()))); });
    connect(m_dsCon, &TDataSource::discarded, this,
        [this] { m_form->setStatusText(0, tr("The new contact was left empty and was not saved")); });
    showPosition();
}

void ContactCommands::showPosition()
{
    data::TableView& view = m_dsCon->view();
    if (!view.isOpen()) {
        m_form->setRecordPosition(0, 0);
        m_form->setHeaderLine({});
        return;
    }
    m_form->setRecordPosition(static_cast<int>(view.recNo()), static_cast<int>(view.recordCount()));
    m_form->setHeaderLine(QString::fromStdString(view.asString("Detailes")));
}

void ContactCommands::move(void (*step)(data::TableView&))
{
    if (!m_dsCon->leave(m_form)) // moving away posts the contact first
        return;
    m_dsCon->guarded(m_form, [this, step] { step(m_dsCon->view()); });
}

QString ContactCommands::contactName(const data::TableView& contacts)
{
    if (!contacts.isOpen() || (contacts.isEmpty() && !contacts.isEditing()))
        return tr("this contact");
    const QString person = (QString::fromStdString(contacts.asString("FName")) + QLatin1Char(' ')
        + QString::fromStdString(contacts.asString("LName")))
                               .simplified();
    const QString company = QString::fromStdString(contacts.asString("Company")).simplified();
    if (!person.isEmpty())
        return company.isEmpty() ? person : tr("%1 (%2)").arg(person, company);
    return company.isEmpty() ? tr("this contact") : company;
}

// The contact's name and everything its delete takes along, so nobody loses a history of
// activities and mail by answering a question that only said "record".
QString ContactCommands::whatGoesWith(const data::TableView& contacts)
{
    const QString name = contactName(contacts);
    if (contacts.state() == data::ViewState::Insert)
        return tr("The new contact %1 is not saved yet; nothing else goes with it.").arg(name);
    const auto details = m_data.contactDetails(contacts.asInteger("Counter"));
    QStringList parts;
    auto add = [&parts](std::int64_t n, const QString& one, const QString& many) {
        if (n > 0)
            parts << (n == 1 ? one : many.arg(n));
    };
    add(details.activities, tr("1 activity"), tr("%1 activities"));
    add(details.notes, tr("1 note"), tr("%1 notes"));
    add(details.people, tr("1 person"), tr("%1 people"));
    add(details.links, tr("1 link"), tr("%1 links"));
    add(details.messages, tr("1 e-mail message"), tr("%1 e-mail messages"));
    add(details.documents, tr("1 document entry (the file stays on disk)"),
        tr("%1 document entries (the files stay on disk)"));
    if (parts.isEmpty())
        return tr("%1 will be deleted. It has no activities, notes, people, links or messages.").arg(name);
    const QString last = parts.takeLast();
    const QString list = parts.isEmpty() ? last : tr("%1 and %2").arg(parts.join(QStringLiteral(", ")), last);
    return tr("%1 will be deleted with its %2.").arg(name, list);
}

void ContactCommands::addContact()
{
    m_form->showPage(TfrmMainForm::MainTab);
    if (!m_dsCon->leave(m_form))
        return;
    m_dsCon->guarded(m_form, [this] { m_dsCon->view().insert(); });
}

void ContactCommands::deleteContact(const QString& question, bool okCancel)
{
    m_form->showPage(TfrmMainForm::MainTab);
    data::TableView& view = m_dsCon->view();
    if (!view.isOpen() || (view.isEmpty() && !view.isEditing()))
        return;
    const QString title = m_form->windowTitle();
    const QString text = question + QStringLiteral("\n\n") + whatGoesWith(view);
    const bool yes = okCancel ? prompts().confirm(m_form, title, text) : prompts().askYesNo(m_form, title, text);
    if (!yes)
        return;
    const QString name = contactName(view);
    const bool deleted = m_dsCon->guarded(m_form, [&view] {
        if (view.state() == data::ViewState::Insert)
            view.cancel(); // a contact never posted has nothing to delete
        else
            view.remove();
    });
    if (deleted)
        m_form->setStatusText(0, tr("Contact deleted: %1").arg(name));
}

void ContactCommands::wireNavigation()
{
    MainCommands* commands = m_form->commands();
    auto onAction = [this, commands](const char* name, auto handler) {
        QAction* action = commands->action(QLatin1String(name));
        action->setEnabled(true);
        connect(action, &QAction::triggered, this, handler);
    };
    auto onButton = [this](const char* name, auto handler) {
        connect(m_form->mainPage()->findChild<QToolButton*>(QLatin1String(name)), &QToolButton::clicked, this, handler);
    };
    auto first = [this] { move([](data::TableView& v) { v.first(); }); };
    auto prior = [this] { move([](data::TableView& v) { v.prior(); }); };
    auto next = [this] { move([](data::TableView& v) { v.next(); }); };
    auto last = [this] { move([](data::TableView& v) { v.last(); }); };
    onAction("mnuFirstRecord", first);
    onAction("mnuPriorRecord", prior);
    onAction("mnuNextRecord", next);
    onAction("mnuLastRecord", last);
    onButton("btnFirst", first);
    onButton("btnPrior", prior);
    onButton("btnNext", next);
    onButton("btnLast", last);
    onButton("btnSaveRecord", [this] { m_dsCon->post(m_form); });
    onButton("btnAddRecord", [this] { addContact(); });
    onButton("btnDeleteRecord", [this] { deleteContact(tr("Delete record?"), true); });
    onAction("mnuNewRecord", [this] { addContact(); });
    onAction("mnuDeleteRecord", [this] { deleteContact(tr("Do You Want to Delete the Record ?"), false); });
    onAction("mnuUnmarkAll", [this] {
        if (m_dsCon->post(m_form))
            m_dsCon->guarded(m_form, [this] { m_data.unmarkAllContacts(); });
    });
}

void ContactCommands::wireDetailDeletes()
{
    const std::pair<const char*, data::TableView*> deletes[] = { { "btnDeleteEmail", &m_data.TBLEmail },
        { "btnDeleteLink", &m_data.TBLLinks }, { "btnDeleteActivity", &m_data.TBLActivity },
        { "btnDeletePerson", &m_data.TBLPeople }, { "btnDeleteNote", &m_data.TBLNotes } };
    for (const auto& [name, view] : deletes) {
        auto* button = m_form->findChild<QPushButton*>(QLatin1String(name));
        if (!button)
            continue;
        button->setEnabled(true);
        connect(button, &QPushButton::clicked, this, [this, view = view] {
            if (!view->isOpen() || view->isEmpty())
                return;
            if (!prompts().askYesNo(m_form, m_form->windowTitle(), tr("Do You Want to Delete the Item ?")))
                return;
            m_dsCon->guarded(m_form, [view] { view->remove(); });
        });
    }
}

} // namespace pelmora::app
