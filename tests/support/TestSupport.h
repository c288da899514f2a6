#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace pelmora::test {

// A fresh directory under the system's temporary directory, removed with everything in it
// when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

// The third-party test data beside the project (../shared/corpus), or an empty path when it
// is not there; tests that need it skip then.
std::filesystem::path corpusDir();

// This project's own fixtures (tests/data).
std::filesystem::path testDataDir();

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& bytes);

// Runs the pelmora executable with the given arguments (no shell involved) and collects
// what it printed. `input` is fed to its standard input.
struct RunResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};
RunResult runPelmora(const std::vector<std::string>& args, const std::string& input = {});

} // namespace pelmora::test
