#pragma once

#include <filesystem>
#include <string>
#include <vector>

// Skips the current test because something it needs is missing on this machine; under CI the
// same test fails instead, so a run that proved nothing can not look green. Use it where
// GTEST_SKIP would stand (the test body or SetUp), with a reason streamed after it.
#define PELMORA_SKIP_OR_FAIL(reason)                                                                                   \
    do {                                                                                                               \
        if (::pelmora::test::underCi())                                                                                \
            GTEST_FAIL() << reason << " (a skip is a failure under CI=true)";                                          \
        else                                                                                                           \
            GTEST_SKIP() << reason;                                                                                    \
    } while (0)

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
// is not there; tests that need it skip then (fail under CI, see PELMORA_SKIP_OR_FAIL).
std::filesystem::path corpusDir();

// True when the suite runs under continuous integration (CI=true, as CI runners set it). There a
// missing server, corpus or tool is a broken set-up, and a skipped test would read as a pass.
bool underCi();

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

// What a shell command (a tool such as pdftotext, with arguments the test made) wrote on its
// standard output.
std::string shellOutput(const std::string& command);

// True when a program of that name is on the PATH (the independent readers tests compare with).
bool haveTool(const std::string& name);

} // namespace pelmora::test
