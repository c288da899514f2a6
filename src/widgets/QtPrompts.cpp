#include "widgets/QtPrompts.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>

namespace pelmora::app {

namespace {

std::unique_ptr<Prompts>& current()
{
    static std::unique_ptr<Prompts> prompts;
    return prompts;
}

} // namespace

Prompts& prompts()
{
    if (!current())
        current() = std::make_unique<QtPrompts>();
    return *current();
}

void setPrompts(std::unique_ptr<Prompts> replacement)
{
    current() = std::move(replacement);
}

bool QtPrompts::askYesNo(QWidget* parent, const QString& title, const QString& text)
{
    return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
        == QMessageBox::Yes;
}

bool QtPrompts::confirm(QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Ok | QMessageBox::Cancel, parent);
    box.setDefaultButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok;
}

void QtPrompts::inform(QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox::information(parent, title, text);
}

void QtPrompts::showError(QWidget* parent, const QString& title, const QString& text)
{
    QMessageBox::critical(parent, title, text);
}

std::optional<QString> QtPrompts::askText(
    QWidget* parent, const QString& title, const QString& label, const QString& value)
{
    bool ok = false;
    QString text = QInputDialog::getText(parent, title, label, QLineEdit::Normal, value, &ok);
    if (!ok)
        return std::nullopt;
    return text;
}

QString QtPrompts::openFileName(QWidget* parent, const QString& title, const QString& dir, const QString& filter)
{
    return QFileDialog::getOpenFileName(parent, title, dir, filter);
}

QStringList QtPrompts::openFileNames(QWidget* parent, const QString& title, const QString& dir, const QString& filter)
{
    return QFileDialog::getOpenFileNames(parent, title, dir, filter);
}

QString QtPrompts::saveFileName(QWidget* parent, const QString& title, const QString& dir, const QString& filter)
{
    return QFileDialog::getSaveFileName(parent, title, dir, filter);
}

QString QtPrompts::directory(QWidget* parent, const QString& title, const QString& dir)
{
    return QFileDialog::getExistingDirectory(parent, title, dir);
}

} // namespace pelmora::app
