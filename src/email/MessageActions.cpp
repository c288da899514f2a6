#include "email/MessageActions.h"

#include "data/TableView.h"
#include "data/TfrmDataModule.h"
#include "mailstore/MessageText.h"
#include "mailstore/StoredMessage.h"
#include "widgets/DateText.h"
#include "widgets/Prompts.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>

namespace pelmora::email {

namespace {

QString tr(const char* text)
{
    return QCoreApplication::translate("pelmora::email::MessageActions", text);
}

// Writes the message's text to `file`; an error is shown and false returned.
bool writeText(QWidget* parent, data::TfrmDataModule& data, std::int64_t counter, const std::filesystem::path& file)
{
    try {
        if (!data.currentDatabase())
            throw std::runtime_error("No database is open");
        const mailstore::StoredMessage message = mailstore::MailStore(*data.currentDatabase()).load(counter);
        mailstore::saveMessageText(message, app::engineDateFormat(), file, true);
        return true;
    } catch (const std::exception& e) {
        app::prompts().showError(parent, tr("Error"), QString::fromStdString(e.what()));
        return false;
    }
}

} // namespace

QStringList directionChoices()
{
    return { tr("All"), tr("Sent"), tr("Received") };
}

void applyDirection(data::TableView& messages, const QString& choice)
{
    const QStringList choices = directionChoices();
    if (choice == choices[0]) {
        messages.close();
        messages.setFiltered(false);
        messages.open();
    } else if (choice == choices[1] || choice == choices[2]) {
        messages.close();
        messages.setFilter(choice == choices[1] ? "Status=1" : "Status=0");
        messages.setFiltered(true);
        messages.open();
    }
}

bool saveMessageAs(QWidget* parent, data::TfrmDataModule& data, std::int64_t counter, QString fileName)
{
    if (fileName.isEmpty()) {
        // The dialog asks before it names a file that exists.
        fileName
            = app::prompts().saveFileName(parent, tr("Save Message As"), {}, tr("Text files (*.txt);;All files (*)"));
        if (fileName.isEmpty())
            return false;
        if (QFileInfo(fileName).suffix().isEmpty())
            fileName += QStringLiteral(".txt");
    }
    return writeText(parent, data, counter, std::filesystem::path(fileName.toStdString()));
}

bool printMessage(QWidget* parent, data::TfrmDataModule& data, std::int64_t counter,
    const std::filesystem::path& workFile, const QString& command)
{
    if (!writeText(parent, data, counter, workFile))
        return false;
    QProcess process;
    process.setProgram(command);
    process.setArguments({ QString::fromStdString(workFile.string()) });
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start();
    QString failure;
    if (!process.waitForStarted(10000)) {
        failure = tr("The print command \"%1\" could not be started: %2").arg(command, process.errorString());
    } else if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished(2000);
        failure = tr("The print command \"%1\" did not finish within a minute.").arg(command);
    } else if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0) {
        const QString said = QString::fromLocal8Bit(process.readAll()).trimmed();
        failure = tr("The print command \"%1\" failed (exit code %2)").arg(command).arg(process.exitCode());
        if (!said.isEmpty())
            failure += QStringLiteral(":\n") + said;
    }
    if (!failure.isEmpty()) {
        app::prompts().showError(parent, tr("Print"), failure);
        return false;
    }
    return true;
}

} // namespace pelmora::email
