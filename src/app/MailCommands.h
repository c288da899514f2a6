#pragma once

#include <QObject>

#include <string>
#include <vector>

namespace pelmora::data {
class TfrmDataModule;
}

namespace pelmora::app {

class TfrmMainForm;

// The main window's e-mail commands: the setup dialog of the Setup menu. The settings live in
// the main window and are read by every send and retrieval, so a change takes effect at once.
class MailCommands : public QObject {
    Q_OBJECT
public:
    MailCommands(TfrmMainForm* form, data::TfrmDataModule& data);

    // "&Set E-mail Configuration ": the dialog over the run-time settings; on OK the e-mail keys
    // are written to the INI file at once, so that an abnormal end does not lose them.
    void SetupButtonClick();

private:
    void saveEmailKeys();

    TfrmMainForm* m_form;
    data::TfrmDataModule& m_data;
};

} // namespace pelmora::app
