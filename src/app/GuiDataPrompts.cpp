#include "app/GuiDataPrompts.h"

#include "widgets/Prompts.h"

#include <QCoreApplication>

namespace pelmora::app {

void GuiDataPrompts::setEditor(const std::string& editor, EditorHandler handler)
{
    m_editors[editor] = std::move(handler);
}

bool GuiDataPrompts::showEditor(data::TableView& view, const std::string& editor, const std::string& caption)
{
    auto found = m_editors.find(editor);
    // Without its editor a new record could only be saved blank; it is dropped instead. The
    // commands that insert such records stay disabled until the editor exists.
    if (found == m_editors.end())
        return false;
    return found->second(view, caption);
}

bool GuiDataPrompts::confirm(const std::string& text)
{
    return prompts().confirm(m_window, QCoreApplication::applicationName(), QString::fromStdString(text));
}

void GuiDataPrompts::newContactStarted()
{
    if (m_newContact)
        m_newContact();
}

} // namespace pelmora::app
