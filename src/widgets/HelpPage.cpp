#include "widgets/HelpPage.h"

#include "settings/HelpPages.h"
#include "widgets/Prompts.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QUrl>
#include <QWidget>

#include <exception>

namespace pelmora::app {

void openHelpPage(QWidget* parent, const std::filesystem::path& helpDir, const std::string& name)
{
    try {
        const std::filesystem::path page = settings::helpPagePath(helpDir, name);
        QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(page.string())));
    } catch (const std::exception& error) {
        prompts().showError(parent, QCoreApplication::translate("HelpPage", "Help"), QString::fromUtf8(error.what()));
    }
}

} // namespace pelmora::app
