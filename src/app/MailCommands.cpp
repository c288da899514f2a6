#include "app/MailCommands.h"

#include "app/MainCommands.h"
#include "app/TfrmMainForm.h"
#include "email/TSetupDlg.h"
#include "widgets/Prompts.h"

#include <QAction>

namespace pelmora::app {

MailCommands::MailCommands(TfrmMainForm* form, data::TfrmDataModule& data)
    : QObject(form)
    , m_form(form)
    , m_data(data)
{
    QAction* setup = form->commands()->action(QStringLiteral("mnuEmailSetup"));
    setup->setEnabled(true);
    connect(setup, &QAction::triggered, this, &MailCommands::SetupButtonClick);
}

void MailCommands::SetupButtonClick()
{
    const QString help = QString::fromStdString((m_form->paths().helpDir() / "hstarting.htm").string());
    if (!email::editEmailSetup(m_form, m_form->settings(), {}, help))
        return;
    saveEmailKeys();
}

void MailCommands::saveEmailKeys()
{
    // Only the e-mail keys change on the disk; the others are written at exit as before.
    const auto ini = m_form->paths().iniFile();
    try {
        settings::Settings onDisk = settings::Settings::load(ini);
        const settings::Settings& now = m_form->settings();
        onDisk.smtpServer = now.smtpServer;
        onDisk.emailAddress = now.emailAddress;
        onDisk.senderName = now.senderName;
        onDisk.charSet = now.charSet;
        onDisk.encoding = now.encoding;
        onDisk.server = now.server;
        onDisk.userName = now.userName;
        onDisk.password = now.password;
        onDisk.ras = now.ras;
        onDisk.save(ini);
    } catch (const std::exception& e) {
        prompts().showError(m_form, tr("Error"), QString::fromStdString(e.what()));
    }
}

} // namespace pelmora::app
