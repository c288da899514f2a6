#include "app/MailCommands.h"

#include "app/MainCommands.h"
#include "app/TfrmMainForm.h"
#include "data/TfrmDataModule.h"
#include "email/TSetupDlg.h"
#include "email/TSMTPForm.h"
#include "mailstore/MailAccount.h"
#include "net/TagRas.h"
#include "widgets/Prompts.h"
#include "widgets/TCustomEditAndBtn.h"
#include "widgets/TDataSource.h"
#include "widgets/TDBGrid.h"

#include <QAction>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

namespace pelmora::app {

MailCommands::MailCommands(TfrmMainForm* form, data::TfrmDataModule& data, TDataSource* dsCon)
    : QObject(form)
    , m_form(form)
    , m_data(data)
    , m_dsCon(dsCon)
    , m_send(new email::TSMTPForm(form))
{
    m_send->database = [this] { return m_data.currentDatabase(); };
    m_send->account = [this] { return mailstore::MailAccount::fromSettings(m_form->settings()); };
    m_send->openSetup = [this] { SetupButtonClick(); };
    m_send->broadcastAddresses = [this] { return filteredAddresses(); };

    QAction* setup = form->commands()->action(QStringLiteral("mnuEmailSetup"));
    setup->setEnabled(true);
    connect(setup, &QAction::triggered, this, &MailCommands::SetupButtonClick);
    auto toContact = [this] {
        const data::Value address = m_data.TBLCon.isEmpty() ? data::Value() : m_data.TBLCon.value("EMail");
        compose(QString::fromStdString(data::valueToString(address)), true);
    };
    QAction* composeCommand = form->commands()->action(QStringLiteral("mnuCompose"));
    composeCommand->setEnabled(true);
    connect(composeCommand, &QAction::triggered, this, toContact);
    auto* composeButton = form->findChild<QPushButton*>(QStringLiteral("btnCompose"));
    composeButton->setEnabled(true);
    connect(composeButton, &QPushButton::clicked, this, toContact);
    // The main page's e-mail box and the address cell of the e-mail grid write to the contact too.
    auto* emailBox = form->findChild<comms::TCustomEditAndBtn*>(QStringLiteral("edtEMail"));
    emailBox->setButtonEnabled(true);
    connect(emailBox, &comms::TCustomEditAndBtn::buttonClicked, this, toContact);
    auto* messages = form->findChild<TDBGrid*>(QStringLiteral("grdEmail"));
    messages->addButtonField("SenderEmail");
    connect(messages, &TDBGrid::buttonClicked, this, [toContact](const QString& field) {
        if (field == QLatin1String("SenderEmail"))
            toContact();
    });

    // A person of the contact is written to at the person's own address; the contact's last
    // contact date stays, since the contact itself was not written to.
    auto toPerson = [this] {
        if (!m_data.TBLPeople.isOpen() || m_data.TBLPeople.isEmpty())
            return;
        compose(QString::fromStdString(m_data.TBLPeople.asString("EMail")), false);
    };
    auto* personButton = form->findChild<QPushButton*>(QStringLiteral("btnPersonEmail"));
    personButton->setEnabled(true);
    connect(personButton, &QPushButton::clicked, this, toPerson);
    auto* people = form->findChild<TDBGrid*>(QStringLiteral("grdPeople"));
    people->addButtonField("EMail");
    connect(people, &TDBGrid::buttonClicked, this, [toPerson](const QString& field) {
        if (field == QLatin1String("EMail"))
            toPerson();
    });

    auto* queuedButton = form->findChild<QPushButton*>(QStringLiteral("btnSendQueued"));
    queuedButton->setEnabled(true);
    connect(queuedButton, &QPushButton::clicked, this, &MailCommands::sendQueued);
}

MailCommands::~MailCommands() = default;

std::int64_t MailCommands::currentContact() const
{
    const data::Record* record = m_data.TBLCon.current();
    return record ? record->rowId : 0;
}

void MailCommands::compose(const QString& to, bool touchLastContact)
{
    compose(to, {}, {}, {}, touchLastContact);
}

void MailCommands::compose(
    const QString& to, const QString& cc, const QString& subject, const QString& body, bool touchLastContact)
{
    // The message is filed under a stored contact; one being typed is posted first.
    if (!m_dsCon->guarded(m_form, [this, touchLastContact] {
            if (m_data.TBLCon.state() == data::ViewState::Insert || m_data.TBLCon.state() == data::ViewState::Edit)
                m_data.TBLCon.post();
            if (touchLastContact && !m_data.TBLCon.isEmpty()) {
                m_data.TBLCon.edit();
                m_data.TBLCon.setDate("LastContact", data::Date::today());
                m_data.TBLCon.post();
            }
        }))
        return;
    if (currentContact() == 0)
        return;
    m_send->newMessage(currentContact(), to);
    m_send->CcEdit->setText(cc);
    m_send->SubjectEdit->setText(subject);
    m_send->BodyMemo->setPlainText(body);
    m_send->exec();
    if (m_send->storedCounter() != 0)
        m_dsCon->guarded(m_form, [this] { m_data.TBLEmail.refresh(); });
}

void MailCommands::sendQueued()
{
    if (currentContact() == 0)
        return;
    const auto results = m_send->sendQueued(currentContact());
    m_dsCon->guarded(m_form, [this] { m_data.TBLEmail.refresh(); });
    if (!results.empty() && results.back().queued)
        prompts().showError(m_form, tr("Error"), QString::fromStdString(results.back().error));
}

std::vector<std::string> MailCommands::filteredAddresses()
{
    // Read through the view's own filter and order without moving it, so the main window stays
    // on its contact whatever happens to one of the messages.
    std::vector<std::string> addresses;
    const int column = m_data.TBLCon.fieldIndex("EMail");
    constexpr std::int64_t page = 200;
    for (std::int64_t offset = 0;; offset += page) {
        const std::vector<data::Record> rows = m_data.TBLCon.rows(offset, page);
        for (const data::Record& row : rows)
            addresses.push_back(data::valueToString(row.values[std::size_t(column)]));
        if (std::int64_t(rows.size()) < page)
            break;
    }
    return addresses;
}

void MailCommands::SetupButtonClick()
{
    const QString help = QString::fromStdString((m_form->paths().helpDir() / "hstarting.htm").string());
    net::TagRas& ras = m_form->agRas1();
    QString service;
    if (!email::editEmailSetup(m_form, m_form->settings(), ras.Entries(), help, &service))
        return;
    if (auto refused = ras.setService(service.toStdString()))
        prompts().showError(
            m_form, tr("Error"), QString::fromStdString(*refused).replace(QLatin1Char('\r'), QLatin1Char('\n')));
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
