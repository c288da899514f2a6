#include "app/ListCommands.h"

#include "app/GuiDataPrompts.h"
#include "app/MailCommands.h"
#include "app/MainCommands.h"
#include "app/ReportCommands.h"
#include "app/TfrmMainForm.h"
#include "data/Documents.h"
#include "data/TfrmDataModule.h"
#include "records/ListWindow.h"
#include "records/TFrmActivityList.h"
#include "records/TfrmContactList.h"
#include "records/TfrmDocFull.h"
#include "records/TfrmDuplicates.h"
#include "records/TfrmExportContacts.h"
#include "records/TfrmHttp.h"
#include "records/TfrmImportContacts.h"
#include "records/TfrmInsertedDoc.h"
#include "widgets/Prompts.h"
#include "widgets/TDataSource.h"

#include <QAction>
#include <QPushButton>

#include <functional>

namespace pelmora::app {

ListCommands::ListCommands(
    TfrmMainForm* form, data::TfrmDataModule& data, TDataSource* dsCon, GuiDataPrompts& dataPrompts)
    : QObject(form)
    , m_form(form)
    , m_data(data)
    , m_dsCon(dsCon)
{
    QAction* activities = form->commands()->action(QStringLiteral("mnuActivityList"));
    activities->setEnabled(true);
    connect(activities, &QAction::triggered, this, [this] {
        if (m_dsCon->post(m_form))
            show(activityList());
    });
    const std::pair<const char*, std::function<QWidget*()>> lists[]
        = { { "mnuContactList", [this] { return contactList(); } }, { "mnuURLList", [this] { return urlList(); } } };
    for (const auto& [name, window] : lists) {
        QAction* command = form->commands()->action(QLatin1String(name));
        command->setEnabled(true);
        connect(command, &QAction::triggered, this, [this, window = window] {
            if (m_dsCon->post(m_form))
                show(window());
        });
    }
    wireDocuments(dataPrompts);
    QAction* duplicates = form->commands()->action(QStringLiteral("mnuFindDuplicates"));
    duplicates->setEnabled(true);
    connect(duplicates, &QAction::triggered, this, [this] {
        if (!m_dsCon->post(m_form))
            return;
        records::TfrmDuplicates* window = duplicatesWindow();
        show(window);
        window->findPairs();
    });
    wireExchange();
}

void ListCommands::wireExchange()
{
    QAction* import = m_form->commands()->action(QStringLiteral("mnuImportContacts"));
    import->setEnabled(true);
    connect(import, &QAction::triggered, this, [this] {
        if (!m_dsCon->post(m_form))
            return;
        records::TfrmImportContacts* window = importWindow();
        show(window);
        window->chooseFile();
    });
    QAction* exportContacts = m_form->commands()->action(QStringLiteral("mnuExportContacts"));
    exportContacts->setEnabled(true);
    connect(exportContacts, &QAction::triggered, this, [this] {
        // What is exported is what is stored: the contact being edited is stored first.
        if (m_dsCon->post(m_form))
            show(exportWindow());
    });
}

void ListCommands::refreshContacts()
{
    m_dsCon->guarded(m_form, [this] {
        m_data.TBLCon.refresh();
        for (data::TableView* details : { &m_data.TBLEmail, &m_data.TBLActivity, &m_data.TBLNotes, &m_data.TBLPeople,
                 &m_data.TBLLinks, &m_data.TBLDoc }) {
            if (details->isOpen())
                details->refresh();
        }
    });
}

records::TfrmImportContacts* ListCommands::importWindow()
{
    if (!m_import) {
        m_import = new records::TfrmImportContacts(m_data, m_form);
        m_import->beforeImport = [this] { return m_dsCon->post(m_import); };
        connect(m_import, &records::TfrmImportContacts::imported, this, &ListCommands::refreshContacts);
    }
    return m_import;
}

records::TfrmExportContacts* ListCommands::exportWindow()
{
    delete m_export;
    data::TableView& contacts = m_data.TBLCon;
    const std::int64_t current = contacts.isOpen() && !contacts.isEmpty() ? contacts.asInteger("Counter") : 0;
    m_export = new records::TfrmExportContacts(
        m_data, contacts.filtered() ? contacts.filter() : std::string(), current, m_form);
    return m_export;
}

records::TfrmDuplicates* ListCommands::duplicatesWindow()
{
    if (!m_duplicates) {
        m_duplicates = new records::TfrmDuplicates(m_data, m_form);
        m_duplicates->beforeMerge = [this] { return m_dsCon->post(m_duplicates); };
        connect(m_duplicates, &records::TfrmDuplicates::merged, m_form, [this](std::int64_t keep) {
            // The other contact is gone and its details are the kept one's: read both anew.
            refreshContacts();
            records::ListWindow::goToContact(m_data.TBLCon, m_dsCon, keep, m_form);
        });
    }
    return m_duplicates;
}

bool ListCommands::editDocument(data::TableView& view)
{
    TDataSource source(view);
    records::TfrmInsertedDoc editor(&source, m_form);
    connect(&editor, &records::TfrmInsertedDoc::grabPage, this, [this, &editor, &source] {
        if (const std::optional<std::filesystem::path> page = grabPage(&editor))
            source.guarded(&editor, [&] { data::attachFile(source.view(), *page); });
    });
    return editor.exec() == QDialog::Accepted;
}

std::optional<std::filesystem::path> ListCommands::grabPage(QWidget* parent)
{
    const settings::Paths& paths = m_form->paths();
    std::error_code ignored;
    std::filesystem::create_directories(paths.pageDir(), ignored); // a missing folder is reported by the save
    records::TfrmHttp::PageNumber number {
        [this] { return m_form->settings().fileHtm; },
        [this](const std::string& next) {
            // Stored at once: after a crash the next grab must not count from an old number.
            m_form->settings().fileHtm = next;
            try {
                m_form->settings().save(m_form->paths().iniFile());
            } catch (const std::exception& error) {
                prompts().showError(m_form, m_form->windowTitle(), QString::fromStdString(error.what()));
            }
        },
    };
    records::TfrmHttp window(paths.pageDir(), number, parent);
    if (window.exec() != QDialog::Accepted)
        return std::nullopt;
    return window.savedFile();
}

void ListCommands::wireDocuments(GuiDataPrompts& dataPrompts)
{
    // The insert rule of the documents shows the editor; OK posts the new document.
    dataPrompts.setEditor(
        "TfrmInsertedDoc", [this](data::TableView& view, const std::string&) { return editDocument(view); });
    auto button = [this](const char* name, std::function<void()> action) {
        auto* b = m_form->findChild<QPushButton*>(QLatin1String(name));
        b->setEnabled(true);
        connect(b, &QPushButton::clicked, this, std::move(action));
    };
    button("btnAttachDocument", [this] {
        data::TableView& documents = m_data.TBLDoc;
        // A document belongs to a stored contact: the contact is posted first.
        if (!m_dsCon->post(m_form) || m_dsCon->view().isEmpty())
            return;
        TDataSource(documents).guarded(m_form, [&documents] { documents.insert(); });
    });
    button("btnDocumentProperties", [this] {
        data::TableView& documents = m_data.TBLDoc;
        if (!documents.isOpen() || documents.isEmpty())
            return;
        // An edit made in the grid is stored first, so Cancel takes back only the editor's changes.
        TDataSource source(documents);
        if (!source.post(m_form))
            return;
        if (editDocument(documents))
            source.post(m_form);
        else if (documents.isEditing())
            documents.cancel();
    });
    button("btnDeleteDocument", [this] {
        TDataSource source(m_data.TBLDoc);
        records::deleteDocumentAsked(m_form, &source);
    });
    auto showList = [this] {
        if (m_dsCon->post(m_form))
            show(documentList());
    };
    button("btnViewDocumentList", showList);
    QAction* command = m_form->commands()->action(QStringLiteral("mnuDocumentList"));
    command->setEnabled(true);
    connect(command, &QAction::triggered, this, showList);
}

records::TfrmDocFull* ListCommands::documentList()
{
    if (!m_documentList) {
        m_documentList = new records::TfrmDocFull(m_data, m_dsCon, m_form);
        m_documentList->refreshFromDisk();
        wireListReport(m_documentList, "btnPrintDocument", m_data, "document-list");
        connect(m_documentList, &records::TfrmDocFull::contactShown, m_form, [this] {
            m_form->raise();
            m_form->activateWindow();
        });
    }
    return m_documentList;
}

void ListCommands::wireContactList(records::ContactListBase* list)
{
    connect(list, &records::ContactListBase::showContact, m_form, [this] {
        m_form->raise();
        m_form->activateWindow();
    });
    connect(list, &records::ContactListBase::sendEmail, this, [this](const QString& address) {
        if (auto* mail = m_form->findChild<MailCommands*>())
            mail->compose(address, true);
    });
}

records::TfrmContactList* ListCommands::contactList()
{
    if (!m_contactList) {
        m_contactList = new records::TfrmContactList(
            m_data, m_dsCon, QString::fromStdString(m_form->paths().helpDir().string()), m_form);
        wireContactList(m_contactList);
    }
    return m_contactList;
}

records::TfrmURLList* ListCommands::urlList()
{
    if (!m_urlList) {
        m_urlList = new records::TfrmURLList(
            m_data, m_dsCon, QString::fromStdString(m_form->paths().helpDir().string()), m_form);
        wireContactList(m_urlList);
    }
    return m_urlList;
}

records::TFrmActivityList* ListCommands::activityList()
{
    if (!m_activityList) {
        m_activityList = new records::TFrmActivityList(m_data, m_dsCon, m_form);
        wireListReport(m_activityList, "btnPrintActivity", m_data, "activity-list");
        m_activityList->applyFilter();
        connect(m_activityList, &records::TFrmActivityList::contactShown, m_form, [this] {
            m_form->raise();
            m_form->activateWindow();
        });
    }
    return m_activityList;
}

void ListCommands::show(QWidget* window)
{
    window->show();
    window->raise();
    window->activateWindow();
    // Narrowed at once, not only when the desktop reports the activation.
    if (auto* list = qobject_cast<records::ContactListBase*>(window))
        list->activate();
}

} // namespace pelmora::app
