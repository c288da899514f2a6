#include "app/ContactCommands.h"

#include "app/MainCommands.h"
#include "app/MainPage.h"
#include "widgets/Prompts.h"
#include "widgets/TDataSource.h"
#include "app/TfrmMainForm.h"
#include "data/TfrmDataModule.h"

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
    const bool yes
        = okCancel ? prompts().confirm(m_form, title, question) : prompts().askYesNo(m_form, title, question);
    if (!yes)
        return;
    m_dsCon->guarded(m_form, [&view] {
        if (view.state() == data::ViewState::Insert)
            view.cancel(); // a contact never posted has nothing to delete
        else
            view.remove();
    });
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
