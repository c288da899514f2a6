#include "app/MailWindows.h"

#include "app/MailCommands.h"
#include "app/MainCommands.h"
#include "app/ReportCommands.h"
#include "app/TfrmMainForm.h"
#include "data/TfrmDataModule.h"
#include "email/MessageActions.h"
#include "email/TfrmDefineImpFile.h"
#include "email/TfrmEmail.h"
#include "email/TfrmEmailList.h"
#include "email/TfrmShowAttach.h"
#include "email/TSMTPForm.h"
#include "mailstore/MailAccount.h"
#include "widgets/TDataSource.h"

#include <QAction>
#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>

namespace pelmora::app {

MailWindows::MailWindows(TfrmMainForm* form, data::TfrmDataModule& data, TDataSource* dsCon)
    : QObject(form)
    , m_form(form)
    , m_data(data)
    , m_dsCon(dsCon)
    , m_defineImport(new email::TfrmDefineImpFile(form->settings(), form))
{
    m_defineImport->helpFile = QString::fromStdString((form->paths().helpDir() / "hstarting.htm").string());
    const auto command = [this](const char* name, auto handler) {
        QAction* action = m_form->commands()->action(QLatin1String(name));
        action->setEnabled(true);
        connect(action, &QAction::triggered, this, handler);
    };
    command("mnuInbox", [this] { showInbox(); });
    command("mnuEmailList", [this] { showEmailList(); });
    command("mnuEmailListView", [this] { showEmailList(); });
    command("mnuImportSetup", [this] { m_defineImport->exec(); });
    command("mnuSendQueued", [this] { m_form->mailCommands()->sendQueued(); });
    wireEmailTab();
}

std::int64_t MailWindows::activeContact()
{
    if (!m_dsCon->post(m_form) || m_data.TBLCon.isEmpty())
        return 0;
    return m_data.TBLCon.current()->rowId;
}

email::TfrmEmail* MailWindows::inbox()
{
    if (!m_inbox) {
        m_inbox = new email::TfrmEmail(m_data, m_form->settings(), m_form);
        m_inbox->account = [this] { return mailstore::MailAccount::fromSettings(m_form->settings()); };
        m_inbox->activeContact = [this] { return activeContact(); };
        m_inbox->defineImportFile = [this] { m_defineImport->exec(); };
        m_inbox->sendWindow = m_form->mailCommands()->sendWindow();
        m_inbox->printFile = m_form->paths().emailPrintFile();
        auto* bar = m_form->findChild<QProgressBar*>(QStringLiteral("ProgressBar"));
        connect(m_inbox, &email::TfrmEmail::statusText, this,
            [this](const QString& text) { m_form->setStatusText(0, text); });
        connect(m_inbox, &email::TfrmEmail::progress, this, [bar](int percent) { bar->setValue(qMax(0, percent)); });
    }
    return m_inbox;
}

email::TfrmEmailList* MailWindows::emailList()
{
    if (!m_list) {
        m_list = new email::TfrmEmailList(m_data, m_form);
        m_list->printFile = m_form->paths().emailPrintFile();
        wireListReport(m_list, "btnReport", m_data, "email-list");
        // The list shows the contact's page with the message under it.
        connect(m_list, &email::TfrmEmailList::contactShown, this, [this] {
            m_form->showPage(TfrmMainForm::EmailTab);
            m_form->raise();
        });
    }
    return m_list;
}

void MailWindows::showInbox()
{
    if (!m_dsCon->post(m_form) || !m_data.currentDatabase())
        return;
    inbox()->exec();
    m_dsCon->guarded(m_form, [this] {
        if (m_data.TBLEmail.isOpen())
            m_data.TBLEmail.refresh();
    });
}

void MailWindows::showEmailList()
{
    if (!m_dsCon->post(m_form) || !m_data.currentDatabase())
        return;
    emailList()->show();
    m_list->raise();
    m_list->activateWindow();
}

void MailWindows::wireEmailTab()
{
    const auto button = [this](const char* name, auto handler) {
        auto* b = m_form->findChild<QPushButton*>(QLatin1String(name));
        b->setEnabled(true);
        connect(b, &QPushButton::clicked, this, handler);
    };
    button("btnSaveAs", [this] { saveAs(); });
    button("btnPrintEmail", [this] { print(); });
    button("btnAttached", [this] { showAttached(); });
    // Stop reaches a retrieval running in the inbox, and a send of the queued messages.
    button("btnStop", [this] {
        if (m_inbox && m_inbox->busy())
            m_inbox->StopButtonClick();
        else if (auto* send = m_form->mailCommands()->sendWindow(); send->busy())
            send->CancelButtonClick();
    });
    auto* selector = m_form->findChild<QComboBox*>(QStringLiteral("cmbSentReceived"));
    selector->setEnabled(true);
    connect(selector, &QComboBox::textActivated, this, &MailWindows::directionChanged);
}

bool MailWindows::messageChosen()
{
    return m_dsCon->post(m_form) && m_data.TBLEmail.isOpen() && !m_data.TBLEmail.isEmpty();
}

bool MailWindows::saveAs(const QString& fileName)
{
    return messageChosen() && email::saveMessageAs(m_form, m_data, m_data.TBLEmail.asInteger("Counter"), fileName);
}

bool MailWindows::print()
{
    return messageChosen()
        && email::printMessage(m_form, m_data, m_data.TBLEmail.asInteger("Counter"), m_form->paths().emailPrintFile(),
            QStringLiteral("lp"));
}

void MailWindows::showAttached()
{
    if (!messageChosen())
        return;
    email::TfrmShowAttach window(m_data.TBLEmail, m_data.QURAttach, m_form);
    window.exec();
}

void MailWindows::directionChanged(const QString& choice)
{
    if (m_dsCon->post(m_form))
        m_dsCon->guarded(m_form, [&] { email::applyDirection(m_data.TBLEmail, choice); });
}

} // namespace pelmora::app
