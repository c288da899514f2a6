// The inbox's commands that bring mail in and file it: retrieval, import and the three filings.
#include "email/TfrmEmail.h"

#include "data/TfrmDataModule.h"
#include "email/TfrmDefineImpFile.h"
#include "email/TSMTPForm.h"
#include "mailstore/Filing.h"
#include "mailstore/Inbox.h"
#include "mailstore/MailAccount.h"
#include "mailstore/MailImport.h"
#include "mailstore/Retrieval.h"
#include "protocols/TmsCustomPOP.h"
#include "settings/Settings.h"
#include "widgets/Prompts.h"
#include "widgets/QtEventPump.h"

#include <QApplication>
#include <QScopeGuard>

namespace pelmora::email {

namespace {

QString fromStd(const std::string& text)
{
    return QString::fromStdString(text);
}

// The layout of the mailbox each choice of "Define Import File" names.
std::optional<mailstore::MailboxFormat> importFormat(int program)
{
    switch (program) {
    case TfrmDefineImpFile::Mbox:
        return mailstore::MailboxFormat::Mbox;
    case TfrmDefineImpFile::Maildir:
        return mailstore::MailboxFormat::Maildir;
    default:
        return mailstore::formatFromDefImp(program);
    }
}

} // namespace

void TfrmEmail::StopButtonClick()
{
    m_stop = true;
    if (m_retrieval)
        m_retrieval->requestStop();
    if (sendWindow && sendWindow->busy())
        sendWindow->CancelButtonClick();
    status(tr("Stopping after the current message"));
}

void TfrmEmail::RetrieveButtonClick()
{
    if (m_busy || !postBody() || !account)
        return;
    data::Database* database = m_data.currentDatabase();
    if (!database)
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    setBusy(true);
    setProgress(0);
    m_stop = false;
    mailstore::RetrievalResult result;
    bool failed = false;
    QString error;
    {
        app::QtEventPump pump;
        protocols::TmsCustomPOP pop(&pump);
        mailstore::Retrieval retrieval(*database, m_data.attachDirectory());
        retrieval.onStatus = [this](const std::string& text) { status(fromStd(text)); };
        retrieval.onProgress = [this](int done, int total) { setProgress(total > 0 ? done * 100 / total : 100); };
        m_retrieval = &retrieval;
        try {
            account().configure(pop);
            result = retrieval.run(pop);
            failed = !result.error.empty();
            error = fromStd(result.error);
        } catch (const std::exception& e) {
            failed = true;
            error = fromStd(e.what());
        }
        m_retrieval = nullptr;
    }
    setProgress(-1);
    setBusy(false);
    QApplication::restoreOverrideCursor();
    // Messages stored before a failure are in the inbox too.
    refreshAll();
    if (failed || !result.errors.empty()) {
        // The session's failure first, then each message that had to stay on the server.
        QString why = failed ? error : tr("Some messages could not be stored and were left on the server.");
        for (const std::string& each : result.errors)
            why += QLatin1Char('\n') + fromStd(each);
        if (failed)
            status(error);
        app::prompts().showError(this, tr("Error"), why);
    }
}

void TfrmEmail::ImportButtonClick()
{
    if (m_busy || !postBody())
        return;
    data::Database* database = m_data.currentDatabase();
    if (!database)
        return;
    if (m_settings.defImp == TfrmDefineImpFile::Explorer) {
        app::prompts().confirm(this, windowTitle(), tr("This feature is not supported in this version."));
        return;
    }
    // A program number this version does not know counts as no import file defined.
    const std::optional<mailstore::MailboxFormat> format = importFormat(m_settings.defImp);
    if (m_settings.defImpStr.empty() || !format) {
        if (app::prompts().askYesNo(this, windowTitle(),
                tr("To import Email messages you need first to define Import file.\nDefine Import file now ?"))
            && defineImportFile)
            defineImportFile();
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    setBusy(true);
    setProgress(0);
    m_stop = false;
    status(tr("Importing %1").arg(fromStd(m_settings.defImpStr)));
    auto restore = qScopeGuard([this] {
        setProgress(-1);
        setBusy(false);
        QApplication::restoreOverrideCursor();
        refreshAll();
    });
    try {
        mailstore::Inbox inbox(*database, m_data.attachDirectory());
        const auto progress = [this](std::uint64_t done, std::uint64_t total) {
            setProgress(total > 0 ? int(done * 100 / total) : 100);
            // The import runs here; the window repaints and Stop is heard between messages.
            QApplication::processEvents();
        };
        const mailstore::ImportResult result
            = mailstore::importMailbox(inbox, m_settings.defImpStr, *format, false, progress, &m_stop);
        status(tr("Imported %1 of %2 messages (%3 kept whole, %4 imported before)")
                   .arg(result.stored)
                   .arg(result.messages)
                   .arg(result.keptWhole)
                   .arg(result.skipped));
    } catch (const std::exception& e) {
        status(fromStd(e.what()));
        app::prompts().showError(this, tr("Error"), fromStd(e.what()));
    }
}

void TfrmEmail::SpeedButton2Click()
{
    const std::int64_t counter = currentCounter();
    if (counter == 0 || !m_data.currentDatabase())
        return;
    // A contact still being typed is stored first; with none stored the message stays here.
    const std::int64_t contact = activeContact ? activeContact() : 0;
    if (contact == 0) {
        app::prompts().inform(this, windowTitle(), tr("There is no contact to file the message under."));
        return;
    }
    if (guarded([&] { mailstore::Filing(*m_data.currentDatabase()).fileTo(counter, contact); }))
        refreshAll();
}

void TfrmEmail::btnFindClick()
{
    const std::int64_t counter = currentCounter();
    if (counter == 0 || !m_data.currentDatabase())
        return;
    std::optional<std::int64_t> filed;
    if (!guarded([&] { filed = mailstore::Filing(*m_data.currentDatabase()).fileBySender(counter); }))
        return;
    if (!filed)
        app::prompts().inform(this, windowTitle(), tr("Could not find records with matching Email address."));
    else
        refreshAll();
}

void TfrmEmail::SpeedButton20Click()
{
    if (!postBody() || !m_data.currentDatabase())
        return;
    mailstore::FileAllResult result;
    if (!guarded([&] { result = mailstore::Filing(*m_data.currentDatabase()).fileAll(); }))
        return;
    refreshAll();
    status(tr("%1 messages filed, %2 left in the inbox").arg(result.filed).arg(result.left));
}

} // namespace pelmora::email
