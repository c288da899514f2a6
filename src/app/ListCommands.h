#pragma once

#include <QObject>

#include <filesystem>
#include <optional>

namespace pelmora::data {
class TableView;
class TfrmDataModule;
} // namespace pelmora::data

namespace pelmora::records {
class TFrmActivityList;
class TfrmDocFull;
class TfrmContactList;
class TfrmURLList;
class TfrmDuplicates;
class TfrmImportContacts;
class TfrmExportContacts;
class ContactListBase;
} // namespace pelmora::records

namespace pelmora::app {

class GuiDataPrompts;
class TDataSource;
class TfrmMainForm;

// The main window's list windows: each is made on first use and then shown and hidden, never
// waited for, so the user works in it and in the main window side by side.
class ListCommands : public QObject {
    Q_OBJECT
public:
    ListCommands(TfrmMainForm* form, data::TfrmDataModule& data, TDataSource* dsCon, GuiDataPrompts& dataPrompts);

    records::TFrmActivityList* activityList();
    records::TfrmContactList* contactList();
    records::TfrmURLList* urlList();
    records::TfrmDocFull* documentList();
    records::TfrmDuplicates* duplicatesWindow();
    records::TfrmImportContacts* importWindow();
    // A new export window for the contacts as the main window shows them now.
    records::TfrmExportContacts* exportWindow();

private:
    void show(QWidget* window);
    void wireExchange();
    void refreshContacts();
    void wireContactList(records::ContactListBase* list);
    // The Documents page: attach, properties, delete and the document list.
    void wireDocuments(GuiDataPrompts& dataPrompts);
    bool editDocument(data::TableView& view);
    // The page-grab window; the page file saved, nothing when the user gave up.
    std::optional<std::filesystem::path> grabPage(QWidget* parent);

    TfrmMainForm* m_form;
    data::TfrmDataModule& m_data;
    TDataSource* m_dsCon;
    records::TFrmActivityList* m_activityList = nullptr;
    records::TfrmContactList* m_contactList = nullptr;
    records::TfrmURLList* m_urlList = nullptr;
    records::TfrmDocFull* m_documentList = nullptr;
    records::TfrmDuplicates* m_duplicates = nullptr;
    records::TfrmImportContacts* m_import = nullptr;
    records::TfrmExportContacts* m_export = nullptr;
};

} // namespace pelmora::app
