#include "TestSupport.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace pelmora::test {

namespace fs = std::filesystem;

TempDir::TempDir()
{
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path candidate = fs::temp_directory_path() / ("pelmora-test-" + std::to_string(random()));
        if (fs::create_directory(candidate)) {
            m_path = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary directory");
}

TempDir::~TempDir()
{
    std::error_code ignored;
    fs::remove_all(m_path, ignored);
}

fs::path corpusDir()
{
    // A corpus named but not there counts as missing too, so the tests that need it say so.
    fs::path candidate = fs::path(PELMORA_SOURCE_DIR) / ".." / "shared" / "corpus";
    if (const char* env = std::getenv("PELMORA_CORPUS_DIR"))
        candidate = env;
    std::error_code ec;
    return fs::is_directory(candidate, ec) ? fs::canonical(candidate) : fs::path();
}

bool underCi()
{
    const char* ci = std::getenv("CI");
    if (!ci)
        return false;
    std::string value(ci);
    for (char& c : value)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return value == "true" || value == "1" || value == "yes";
}

fs::path testDataDir()
{
    return fs::path(PELMORA_SOURCE_DIR) / "tests" / "data";
}

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void writeFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

namespace {

// Feeds `input` and drains both output pipes together, so a child that writes a lot to one
// of them never blocks on a full pipe while we wait on the other.
// Gives up after `timeoutMs` without output, so a child that hangs fails the test instead of
// stalling the whole run.
bool pump(int inFd, const std::string& input, int outFd, int errFd, RunResult& result, int timeoutMs)
{
    bool timedOut = false;
    size_t written = 0;
    if (input.empty()) {
        close(inFd);
        inFd = -1;
    }
    char buffer[65536];
    while (outFd >= 0 || errFd >= 0) {
        pollfd fds[3];
        int n = 0;
        if (outFd >= 0)
            fds[n++] = { outFd, POLLIN, 0 };
        if (errFd >= 0)
            fds[n++] = { errFd, POLLIN, 0 };
        if (inFd >= 0)
            fds[n++] = { inFd, POLLOUT, 0 };
        if (poll(fds, n, timeoutMs) <= 0) {
            timedOut = true;
            break;
        }
        for (int i = 0; i < n; ++i) {
            if (!fds[i].revents)
                continue;
            if (fds[i].fd == inFd) {
                ssize_t w = write(inFd, input.data() + written, input.size() - written);
                if (w > 0)
                    written += static_cast<size_t>(w);
                if (w <= 0 || written == input.size()) {
                    close(inFd);
                    inFd = -1;
                }
                continue;
            }
            ssize_t r = read(fds[i].fd, buffer, sizeof buffer);
            if (r <= 0) {
                close(fds[i].fd);
                (fds[i].fd == outFd ? outFd : errFd) = -1;
            } else {
                (fds[i].fd == outFd ? result.out : result.err).append(buffer, static_cast<size_t>(r));
            }
        }
    }
    for (int fd : { inFd, outFd, errFd })
        if (fd >= 0)
            close(fd);
    return !timedOut;
}

} // namespace

std::string shellOutput(const std::string& command)
{
    std::string out;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return out;
    char buffer[4096];
    size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    pclose(pipe);
    return out;
}

bool haveTool(const std::string& name)
{
    return std::system(("command -v '" + name + "' >/dev/null 2>&1").c_str()) == 0;
}

RunResult runPelmora(const std::vector<std::string>& args, const std::string& input)
{
    const char* binary = std::getenv("PELMORA_BINARY");
    if (!binary)
        throw std::runtime_error("PELMORA_BINARY is not set");
    int in[2], out[2], err[2];
    if (pipe2(in, O_CLOEXEC) || pipe2(out, O_CLOEXEC) || pipe2(err, O_CLOEXEC))
        throw std::runtime_error("pipe failed");
    pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(binary));
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        execv(binary, argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    RunResult result;
    if (!pump(in[1], input, out[0], err[0], result, 60000)) {
        kill(pid, SIGKILL);
        result.err += "\n[killed: no output for 60 s]";
    }
    int status = 0;
    waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

} // namespace pelmora::test
