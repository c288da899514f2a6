#pragma once

#include "data/DataPrompts.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <map>

namespace pelmora::app {

// The data rules' questions answered by the windows: confirmations through the prompts, the
// editor of a new detail record through whichever window has registered for it.
class GuiDataPrompts : public data::DataPrompts {
public:
    using EditorHandler = std::function<bool(data::TableView& view, const std::string& caption)>;

    explicit GuiDataPrompts(QWidget* window)
        : m_window(window)
    {
    }

    // The editor window of class `editor` ("TfrmActivity", ...) shows records of that kind.
    void setEditor(const std::string& editor, EditorHandler handler);
    void setNewContactHandler(std::function<void()> handler) { m_newContact = std::move(handler); }

    bool showEditor(data::TableView& view, const std::string& editor, const std::string& caption) override;
    bool confirm(const std::string& text) override;
    void newContactStarted() override;

private:
    QPointer<QWidget> m_window;
    std::map<std::string, EditorHandler> m_editors;
    std::function<void()> m_newContact;
};

} // namespace pelmora::app
