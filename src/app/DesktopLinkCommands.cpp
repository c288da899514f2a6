#include "app/DesktopLinkCommands.h"

#include "app/MailCommands.h"
#include "app/TfrmMainForm.h"
#include "comms/Telephony.h"
#include "data/TfrmDataModule.h"
#include "email/TSMTPForm.h"
#include "exchange/DesktopLinks.h"
#include "records/ListWindow.h"
#include "widgets/Prompts.h"

#include <QApplication>
#include <QStringList>

namespace pelmora::app {

namespace {

QString joined(const std::vector<std::string>& addresses)
{
    QStringList list;
    for (const std::string& address : addresses)
        list << QString::fromStdString(address);
    return list.join(QStringLiteral(", "));
}

} // namespace

DesktopLinkCommands::DesktopLinkCommands(
    TfrmMainForm* form, data::TfrmDataModule& data, TDataSource* dsCon, MailCommands* mail)
    : QObject(form)
    , m_form(form)
    , m_data(data)
    , m_dsCon(dsCon)
    , m_mail(mail)
{
    setObjectName(QStringLiteral("DesktopLinks"));
}

bool DesktopLinkCommands::open(const QString& link)
{
    if (link.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive))
        return openMailto(link);
    if (link.startsWith(QLatin1String("tel:"), Qt::CaseInsensitive))
        return openTel(link);
    prompts().showError(m_form, QApplication::applicationName(), tr("Pelmora cannot open the link \"%1\".").arg(link));
    return false;
}

std::int64_t DesktopLinkCommands::contactWithAddress(const std::string& address) const
{
    data::Database* database = m_data.currentDatabase();
    if (!database || address.empty())
        return 0;
    data::Statement& st = database->sql().prepare(
        "SELECT \"Counter\" FROM \"Contacts\" WHERE lower(trim(\"EMail\")) = lower(?) ORDER BY \"Counter\" LIMIT 1");
    st.bind(1, address);
    const std::int64_t counter = st.step() ? st.columnInt(0) : 0;
    st.reset();
    return counter;
}

bool DesktopLinkCommands::openMailto(const QString& link)
{
    const auto mailto = exchange::parseMailto(link.toStdString());
    if (!mailto) {
        prompts().showError(
            m_form, QApplication::applicationName(), tr("The e-mail link \"%1\" cannot be read.").arg(link));
        return false;
    }
    // The send window holds one message: a second link must not wipe the one being written.
    if (m_mail->sendWindow()->isVisible()) {
        prompts().inform(m_form, QApplication::applicationName(),
            tr("A message is being written. Send or close it, then open the link again."));
        return false;
    }
    // The message is filed under the contact it is written to, when one has its address.
    std::int64_t contact = 0;
    for (const std::string& address : mailto->to) {
        if ((contact = contactWithAddress(address)) != 0)
            break;
    }
    const bool found = contact != 0 && records::ListWindow::goToContact(m_data.TBLCon, m_dsCon, contact, m_form);
    if (!found && (!m_data.TBLCon.isOpen() || m_data.TBLCon.isEmpty())) {
        prompts().showError(m_form, QApplication::applicationName(),
            tr("There is no contact to file the message under. Add a contact, then open the link again."));
        return false;
    }
    m_form->raise();
    m_form->activateWindow();
    // The send window has no blind copies. Made plain copies they would show every recipient who
    // else got the message, so they are left out, and the user is told.
    if (!mailto->bcc.empty()) {
        prompts().inform(m_form, QApplication::applicationName(),
            tr("The link also asks for blind copies to %1, which Pelmora does not send. The message "
               "is addressed without them.")
                .arg(joined(mailto->bcc)));
    }
    m_mail->compose(joined(mailto->to), joined(mailto->cc), QString::fromStdString(mailto->subject),
        QString::fromStdString(mailto->body), found);
    return true;
}

bool DesktopLinkCommands::openTel(const QString& link)
{
    const auto tel = exchange::parseTel(link.toStdString());
    if (!tel) {
        prompts().showError(
            m_form, QApplication::applicationName(), tr("The telephone link \"%1\" cannot be read.").arg(link));
        return false;
    }
    if (comms::isOwnCallReturning(link)) {
        m_form->setStatusText(
            0, tr("No other program on this desktop places calls to %1.").arg(QString::fromStdString(tel->number)));
        return false;
    }
    m_form->dial(QString::fromStdString(tel->number));
    return true;
}

} // namespace pelmora::app
