#pragma once

#include "data/DatabaseInterfaces.h"

#include <QPointer>
#include <QString>
#include <QWidget>

namespace pelmora::databases {

// The file dialogs' filter in the program's "Description|pattern" form, as Qt writes it:
// "Pelmora Files (*.PMB)|*.pmb" becomes "Pelmora Files (*.pmb)". The patterns after the bar are
// the ones that filter, so the description's own pattern text is replaced by them.
QString qtFileFilter(const QString& filter);
// The archive dialogs' filters: first one that shows both the program's own files and zip files,
// since a back-up is written as ".zip" when no extension is typed and must be found again to
// restore it; then each kind alone and every file.
QString archiveFilters();

// A file name typed without an extension gets ".zip", the extension of every archive the
// program writes. In an open dialog a file that exists as typed is taken as it is.
QString withDefaultExtension(const QString& fileName, bool mustExist);

// The database commands' questions and messages as the desktop shows them, through the
// program's prompts so that tests answer them.
class GuiDatabasePrompts : public data::DatabasePrompts {
public:
    static constexpr const char* archiveFilter = "Pelmora Files (*.PMB)|*.pmb";

    explicit GuiDatabasePrompts(QWidget* window = nullptr)
        : m_window(window)
    {
    }
    // The window the boxes are shown over (the Database List while it is up).
    void setWindow(QWidget* window) { m_window = window; }

    void message(const std::string& text) override;
    bool confirm(const std::string& text, bool yesNo) override;
    std::optional<std::string> askName(const std::string& caption, const std::string& prompt) override;
    std::optional<std::filesystem::path> askSavePath(const std::string& title) override;
    std::optional<std::filesystem::path> askOpenPath(const std::string& title) override;
    // The archive chosen last in a file dialog, for the status line after a back-up or restore.
    const std::filesystem::path& lastPath() const { return m_lastPath; }

private:
    QPointer<QWidget> m_window;
    std::filesystem::path m_lastPath;
};

} // namespace pelmora::databases
