#pragma once

#include "widgets/Prompts.h"

namespace pelmora::app {

// The prompts as the desktop shows them: message boxes, input boxes and file dialogs.
class QtPrompts : public Prompts {
public:
    bool askYesNo(QWidget* parent, const QString& title, const QString& text) override;
    bool confirm(QWidget* parent, const QString& title, const QString& text) override;
    void inform(QWidget* parent, const QString& title, const QString& text) override;
    void showError(QWidget* parent, const QString& title, const QString& text) override;
    std::optional<QString> askText(
        QWidget* parent, const QString& title, const QString& label, const QString& value) override;
    QString openFileName(QWidget* parent, const QString& title, const QString& dir, const QString& filter) override;
    QStringList openFileNames(
        QWidget* parent, const QString& title, const QString& dir, const QString& filter) override;
    QString saveFileName(QWidget* parent, const QString& title, const QString& dir, const QString& filter) override;
    QString directory(QWidget* parent, const QString& title, const QString& dir) override;
};

} // namespace pelmora::app
