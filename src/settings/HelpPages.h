#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace pelmora::settings {

// A help page built into the program: its file name and its text (UTF-8 HTML).
struct HelpPage {
    const char* name;
    const char* text;
};

const std::vector<HelpPage>& helpPages();

// Writes the help pages that `helpDir` lacks; a page already there (one the user edited) is
// kept. Returns the names written. Throws pelmora::Error when the folder cannot be made or a page
// not written.
std::vector<std::string> installHelpPages(const std::filesystem::path& helpDir);

// The path of the help page `name` in `helpDir`, installed first when it is one of the built-in
// pages and missing. Throws pelmora::Error for a name that is not a built-in page.
std::filesystem::path helpPagePath(const std::filesystem::path& helpDir, const std::string& name);

} // namespace pelmora::settings
