#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pelmora::data {

// The state of the "Compress Messages" window while an archive operation runs: the label with
// the file being processed, the progress bar and the memo of messages. The window paints it;
// the commands and the archive component's events change it.
class TMsgform {
public:
    static constexpr const char* caption = "Compress Messages";
    static constexpr const char* waitText = "Please wait for the operation to start, this may take a few seconds ...";
    static constexpr const char* idleLabel = "File being manipulated";

    struct Bar {
        int minimum = 1;
        int maximum = 10;
        int step = 1;
        int position = 1;
    };

    void show() { setVisible(true); }
    void hide() { setVisible(false); }
    bool visible() const { return m_visible; }
    void clearMemo() { m_memo.clear(); }
    void addLine(const std::string& text);
    const std::vector<std::string>& memo() const { return m_memo; }
    const std::string& label() const { return m_label; }
    const Bar& bar() const { return m_bar; }

    // A progress report of the archive component (kind 0, 1 or 2).
    void progress(int kind, const std::string& fileName, std::uint64_t fileSize);
    // A message of the archive component; an error code above 0 also goes to `showError`.
    void archiveMessage(int errorCode, const std::string& text);

    // Called when the window is to appear or go.
    std::function<void(bool visible)> onVisibleChanged;
    // Called after each report so the window can repaint and take the cancel button.
    std::function<void()> processMessages;
    // Called with every line added, for a window or a terminal that shows them as they come.
    std::function<void(const std::string&)> onLine;
    // Shows "Error Msg from DLL: " + text in a message box.
    std::function<void(const std::string&)> showError;

private:
    void setVisible(bool visible)
    {
        m_visible = visible;
        if (onVisibleChanged)
            onVisibleChanged(visible);
    }
    void resetBar() { m_bar = Bar(); }
    // A bar never shows more than full.
    void stepIt() { m_bar.position = std::min(m_bar.position + m_bar.step, m_bar.maximum); }

    bool m_visible = false;
    std::string m_label = idleLabel;
    Bar m_bar;
    std::vector<std::string> m_memo;
};

} // namespace pelmora::data
