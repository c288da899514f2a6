#pragma once

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class QWidget;

namespace pelmora::app {

// Every message box, input box and file dialog of the program goes through this interface, so
// that tests answer them without a screen and the windows never call QMessageBox directly.
class Prompts {
public:
    virtual ~Prompts() = default;

    // A Yes/No question; true for Yes.
    virtual bool askYesNo(QWidget* parent, const QString& title, const QString& text) = 0;
    // An OK/Cancel confirmation; true for OK.
    virtual bool confirm(QWidget* parent, const QString& title, const QString& text) = 0;
    virtual void inform(QWidget* parent, const QString& title, const QString& text) = 0;
    virtual void showError(QWidget* parent, const QString& title, const QString& text) = 0;
    // A line of text; nothing when cancelled.
    virtual std::optional<QString> askText(
        QWidget* parent, const QString& title, const QString& label, const QString& value)
        = 0;
    // File names: an empty text when cancelled. `filter` is in Qt's "Name (*.ext)" form.
    virtual QString openFileName(QWidget* parent, const QString& title, const QString& dir, const QString& filter) = 0;
    // Several files of one folder; empty when cancelled. One file unless a set overrides it.
    virtual QStringList openFileNames(QWidget* parent, const QString& title, const QString& dir, const QString& filter)
    {
        const QString one = openFileName(parent, title, dir, filter);
        return one.isEmpty() ? QStringList() : QStringList { one };
    }
    virtual QString saveFileName(QWidget* parent, const QString& title, const QString& dir, const QString& filter) = 0;
    virtual QString directory(QWidget* parent, const QString& title, const QString& dir) = 0;
};

// The prompts in use; the desktop's dialogs unless another set was installed.
Prompts& prompts();
// Installs another set (tests); nullptr restores the desktop's dialogs.
void setPrompts(std::unique_ptr<Prompts> replacement);

} // namespace pelmora::app
