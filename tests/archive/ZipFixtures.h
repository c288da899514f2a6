#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace pelmora::test {

// An entry of a hand-made archive; `link` makes it a Unix symbolic link pointing at `content`.
struct FixtureEntry {
    std::string name;
    std::string content;
    bool link = false;
};

// Writes a zip archive with exactly these entry names, hostile ones included.
void makeArchive(const std::filesystem::path& path, const std::vector<FixtureEntry>& entries);

// Rewrites the size every entry of an archive declares for its expanded data (in its local
// header and in the central directory), as a hostile archive lies about it.
void declareSize(const std::filesystem::path& path, std::uint32_t size);

// Runs a shell command line and returns its exit status and standard output.
struct ShellResult {
    int status = -1;
    std::string out;
};
ShellResult shell(const std::string& command);
std::string quoted(const std::filesystem::path& path);

} // namespace pelmora::test
