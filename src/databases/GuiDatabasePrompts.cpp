#include "databases/GuiDatabasePrompts.h"

#include "widgets/Prompts.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace pelmora::databases {

namespace {

QString text(const std::string& value)
{
    return QString::fromStdString(value);
}

// The message texts break lines with a lone carriage return, which a Qt label does not break at.
QString boxText(const std::string& value)
{
    QString shown = text(value);
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

std::optional<std::filesystem::path> chosenPath(const QString& fileName, bool mustExist)
{
    if (fileName.isEmpty())
        return std::nullopt;
    return std::filesystem::path(withDefaultExtension(fileName, mustExist).toStdString());
}

} // namespace

QString qtFileFilter(const QString& filter)
{
    const qsizetype bar = filter.indexOf(QLatin1Char('|'));
    if (bar < 0)
        return filter;
    QString description = filter.left(bar);
    const qsizetype open = description.indexOf(QLatin1Char('('));
    if (open >= 0)
        description.truncate(open);
    QString patterns = filter.mid(bar + 1);
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    return description.trimmed() + QStringLiteral(" (") + patterns.trimmed() + QLatin1Char(')');
}

// Back-ups are written as name.zip, so the dialogs open on a filter that shows those as well as
// .pmb files; either kind alone stays one choice away.
QString archiveFilters()
{
    return QCoreApplication::translate("GuiDatabasePrompts", "Pelmora back-ups (*.pmb *.zip);;")
        + qtFileFilter(QLatin1String(GuiDatabasePrompts::archiveFilter))
        + QCoreApplication::translate("GuiDatabasePrompts", ";;Zip archives (*.zip);;All files (*)");
}

QString withDefaultExtension(const QString& fileName, bool mustExist)
{
    const QFileInfo info(fileName);
    if (!info.suffix().isEmpty() || (mustExist && info.exists()))
        return fileName;
    return fileName + QStringLiteral(".zip");
}

void GuiDatabasePrompts::message(const std::string& value)
{
    app::prompts().inform(m_window, QCoreApplication::applicationName(), boxText(value));
}

bool GuiDatabasePrompts::confirm(const std::string& value, bool yesNo)
{
    const QString title = QCoreApplication::applicationName();
    return yesNo ? app::prompts().askYesNo(m_window, title, boxText(value))
                 : app::prompts().confirm(m_window, title, boxText(value));
}

std::optional<std::string> GuiDatabasePrompts::askName(const std::string& caption, const std::string& prompt)
{
    std::optional<QString> name = app::prompts().askText(m_window, text(caption), text(prompt), {});
    if (!name)
        return std::nullopt;
    return name->toStdString();
}

std::optional<std::filesystem::path> GuiDatabasePrompts::askSavePath(const std::string& title)
{
    auto path = chosenPath(app::prompts().saveFileName(m_window, text(title), {}, archiveFilters()), false);
    m_lastPath = path.value_or(std::filesystem::path());
    return path;
}

std::optional<std::filesystem::path> GuiDatabasePrompts::askOpenPath(const std::string& title)
{
    auto path = chosenPath(app::prompts().openFileName(m_window, text(title), {}, archiveFilters()), true);
    m_lastPath = path.value_or(std::filesystem::path());
    return path;
}

} // namespace pelmora::databases
