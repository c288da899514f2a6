#include "widgets/OpenWebAddress.h"

#include "net/WebAddress.h"
#include "widgets/Prompts.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QUrl>
#include <QWidget>

namespace pelmora::app {

bool openWebAddress(QWidget* parent, const QString& text)
{
    if (text.trimmed().isEmpty())
        return false;
    const auto address = net::browsableAddress(text.toStdString());
    if (!address) {
        prompts().showError(parent, QCoreApplication::translate("OpenWebAddress", "Browse"),
            QCoreApplication::translate(
                "OpenWebAddress", "\"%1\" is not a web address. Only http, https and ftp addresses are opened.")
                .arg(text.trimmed()));
        return false;
    }
    QDesktopServices::openUrl(QUrl(QString::fromStdString(*address), QUrl::TolerantMode));
    return true;
}

} // namespace pelmora::app
