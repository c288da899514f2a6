#pragma once

#include <QObject>

#include <cstdint>
#include <string>
#include <vector>

namespace pelmora::data {
class TfrmDataModule;
}

namespace pelmora::email {
class TSMTPForm;
}

namespace pelmora::app {

class TDataSource;
class TfrmMainForm;

// The main window's e-mail commands: the setup dialog of the Setup menu, composing a message to
// the current contact and sending the contact's queued messages. The settings live in the main
// window and are read by every send and retrieval, so a change takes effect at once.
class MailCommands : public QObject {
    Q_OBJECT
public:
    MailCommands(TfrmMainForm* form, data::TfrmDataModule& data, TDataSource* dsCon);
    ~MailCommands() override;

    email::TSMTPForm* sendWindow() const { return m_send; }

    // "&Set E-mail Configuration ": the dialog over the run-time settings; on OK the e-mail keys
    // are written to the INI file at once, so that an abnormal end does not lose them.
    void SetupButtonClick();

    // Opens the send window for a new message to `to`, filed under the current contact.
    void compose(const QString& to, bool touchLastContact);
    // The same, with the copy addresses, subject and text a mailto: link brought along.
    void compose(
        const QString& to, const QString& cc, const QString& subject, const QString& body, bool touchLastContact);
    void sendQueued();

private:
    void saveEmailKeys();
    std::vector<std::string> filteredAddresses();
    std::int64_t currentContact() const;

    TfrmMainForm* m_form;
    data::TfrmDataModule& m_data;
    TDataSource* m_dsCon;
    email::TSMTPForm* m_send;
};

} // namespace pelmora::app
