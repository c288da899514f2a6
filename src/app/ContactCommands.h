#pragma once

#include <QObject>

namespace pelmora::data {
class TableView;
class TfrmDataModule;
} // namespace pelmora::data

namespace pelmora::app {

class TDataSource;
class TfrmMainForm;

// The main window's commands on the current contact and on the detail pages: moving, adding,
// deleting, saving, unmarking; the record position and header line that follow the contact;
// and posting the contact whenever the page changes.
class ContactCommands : public QObject {
    Q_OBJECT
public:
    ContactCommands(TfrmMainForm* form, data::TfrmDataModule& data, TDataSource* dsCon);

    // How questions name the current contact: "First Last", else the company, else "this contact".
    static QString contactName(const data::TableView& contacts);

    void addContact();
    // Asks with `question` (Yes/No, or OK/Cancel when `okCancel`) and deletes the contact on yes.
    void deleteContact(const QString& question, bool okCancel);

private:
    void wireNavigation();
    void wireDetailDeletes();
    void move(void (*step)(data::TableView&));
    void showPosition();
    QString whatGoesWith(const data::TableView& contacts);

    TfrmMainForm* m_form;
    data::TfrmDataModule& m_data;
    TDataSource* m_dsCon;
};

} // namespace pelmora::app
