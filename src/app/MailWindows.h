#pragma once

#include <QObject>

#include <cstdint>

namespace pelmora::data {
class TfrmDataModule;
}
namespace pelmora::email {
class TfrmDefineImpFile;
class TfrmEmail;
class TfrmEmailList;
} // namespace pelmora::email

namespace pelmora::app {

class TDataSource;
class TfrmMainForm;

// The main window's side of the inbox, the e-mail list and the import definition, and the
// e-mail tab's commands on the contact's messages (save as, print, stop, the selector, the
// attached files). The windows are made once and kept, so their size and the list's
// position last for the session.
class MailWindows : public QObject {
    Q_OBJECT
public:
    MailWindows(TfrmMainForm* form, data::TfrmDataModule& data, TDataSource* dsCon);

    email::TfrmEmail* inbox();
    email::TfrmEmailList* emailList();
    email::TfrmDefineImpFile* defineImport() const { return m_defineImport; }

    void showInbox();
    void showEmailList();
    // The e-mail tab's commands.
    bool saveAs(const QString& fileName = {});
    bool print();
    void showAttached();
    void directionChanged(const QString& choice);

private:
    void wireEmailTab();
    // The contact current in the main window, posted first; 0 when none is stored.
    std::int64_t activeContact();
    bool messageChosen();

    TfrmMainForm* m_form;
    data::TfrmDataModule& m_data;
    TDataSource* m_dsCon;
    email::TfrmEmail* m_inbox = nullptr;
    email::TfrmEmailList* m_list = nullptr;
    email::TfrmDefineImpFile* m_defineImport;
};

} // namespace pelmora::app
