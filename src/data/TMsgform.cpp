#include "data/TMsgform.h"

#include <algorithm>
#include <climits>

namespace pelmora::data {

void TMsgform::addLine(const std::string& text)
{
    m_memo.push_back(text);
    if (onLine)
        onLine(text);
}

void TMsgform::progress(int kind, const std::string& fileName, std::uint64_t fileSize)
{
    switch (kind) {
    case 0:
        m_label = fileName;
        resetBar();
        // One step per 32 KiB block, so the bar fills as the blocks are reported.
        m_bar.maximum = fileSize < 65536 ? 1 : static_cast<int>(std::min<std::uint64_t>(fileSize / 32768, INT_MAX));
        if (fileSize < 32768)
            stepIt();
        break;
    case 1:
        if (m_bar.position < m_bar.maximum)
            stepIt();
        break;
    case 2:
        m_label.clear();
        resetBar();
        break;
    default:
        break;
    }
    if (processMessages)
        processMessages();
}

void TMsgform::archiveMessage(int errorCode, const std::string& text)
{
    addLine(text);
    if (errorCode > 0 && showError)
        showError("Error Msg from DLL: " + text);
}

} // namespace pelmora::data
