#pragma once

#include <filesystem>
#include <string>

class QWidget;

namespace pelmora::app {

// Opens the help page `name` of `helpDir` through the desktop, writing it there first when it is
// missing; a page that cannot be written is reported over `parent`.
void openHelpPage(QWidget* parent, const std::filesystem::path& helpDir, const std::string& name);

} // namespace pelmora::app
