#include "net/TagRas.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace pelmora::net {

namespace {

namespace fs = std::filesystem;

// What the daemon's exit codes mean to the user.
std::string exitText(int code)
{
    switch (code) {
    case 1:
        return "The dial-up daemon stopped on a fatal error";
    case 2:
        return "The dial-up entry has invalid options";
    case 3:
        return "The dial-up daemon lacks the rights it needs";
    case 4:
        return "The system does not support PPP";
    case 5:
        return "The dial-up daemon was stopped";
    case 6:
        return "The serial port is locked by another program";
    case 7:
        return "The serial port could not be opened";
    case 8:
        return "The connect script failed";
    case 10:
        return "The PPP negotiation failed";
    case 11:
        return "The remote system failed to authenticate itself";
    case 16:
        return "The modem hung up";
    case 19:
        return "The user name or password was refused";
    default:
        return rasErrorText(code);
    }
}

// Waits a bounded time for a child that should be ending; true when it has been reaped.
bool reap(pid_t pid, int& status, std::chrono::milliseconds limit)
{
    auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done == pid || (done < 0 && errno != EINTR))
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// Quoted for the daemon's options file, so that spaces, quotes and backslashes stay in the word.
std::string optionWord(const std::string& text)
{
    std::string word = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            word += '\\';
        word += c;
    }
    return word + '"';
}

class PppdDial final : public RasDial {
public:
    PppdDial(const fs::path& pppd, const std::string& entry, const std::string& password)
    {
        if (password.find_first_of("\r\n", 0) != std::string::npos || password.find('\0') != std::string::npos)
            throw ERASError("The dial-up password cannot contain a line break");
        std::vector<std::string> args = { pppd.string(), "call", entry, "nodetach" };
        if (!password.empty()) {
            // The password never appears on a command line (any user can read those): the daemon
            // reads it from a file only we can read, removed as soon as the dial is over.
            writePasswordFile(password);
            args.push_back("file");
            args.push_back(m_passwordFile.string());
        }
        int pipeFds[2];
        if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
            removePasswordFile();
            throw ERASError(std::string("The dial-up daemon could not be started: ") + std::strerror(errno));
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
        posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 2);
        std::vector<char*> argv;
        for (std::string& arg : args)
            argv.push_back(arg.data());
        argv.push_back(nullptr);
        int failed = ::posix_spawn(&m_pid, argv[0], &actions, nullptr, argv.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        ::close(pipeFds[1]);
        if (failed != 0) {
            ::close(pipeFds[0]);
            m_pid = -1;
            removePasswordFile();
            throw ERASError(std::string("The dial-up daemon could not be started: ") + std::strerror(failed));
        }
        m_fd = pipeFds[0];
        ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_NONBLOCK);
    }

    ~PppdDial() override { hangUp(); }
    PppdDial(const PppdDial&) = delete;
    PppdDial& operator=(const PppdDial&) = delete;

    int fd() const override { return m_fd; }

    State process(std::vector<std::string>& statusTexts, std::string& error) override
    {
        if (!m_started) {
            m_started = true;
            statusTexts.push_back("Opening port");
        }
        readOutput(statusTexts);
        if (m_state == State::Dialing && m_fd < 0 && m_pid > 0) {
            int status = 0;
            if (reap(m_pid, status, std::chrono::milliseconds(2000))) {
                m_pid = -1;
                m_state = State::Failed;
                m_error = WIFEXITED(status) ? exitText(WEXITSTATUS(status))
                                            : std::string("The dial-up daemon ended unexpectedly");
            }
        }
        if (m_state != State::Dialing)
            removePasswordFile();
        if (m_state == State::Failed)
            error = m_error;
        return m_state;
    }

    void hangUp() override
    {
        removePasswordFile();
        if (m_pid > 0) {
            // Only our own child is ended; the daemon hangs the line up on SIGTERM.
            int status = 0;
            ::kill(m_pid, SIGTERM);
            if (!reap(m_pid, status, std::chrono::milliseconds(3000))) {
                ::kill(m_pid, SIGKILL);
                reap(m_pid, status, std::chrono::milliseconds(3000));
            }
            m_pid = -1;
        }
        if (m_fd >= 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }

private:
    void writePasswordFile(const std::string& password)
    {
        std::string pattern = (fs::temp_directory_path() / "pelmora-ppp-XXXXXX").string();
        int fd = ::mkstemp(pattern.data()); // created 0600
        if (fd < 0)
            throw ERASError(std::string("The dial-up password could not be handed over: ") + std::strerror(errno));
        m_passwordFile = pattern;
        std::string content = "password " + optionWord(password) + "\n";
        bool written = ::fchmod(fd, 0600) == 0
            && ::write(fd, content.data(), content.size()) == static_cast<ssize_t>(content.size());
        ::close(fd);
        if (!written) {
            removePasswordFile();
            throw ERASError("The dial-up password could not be handed over");
        }
    }

    void removePasswordFile()
    {
        if (!m_passwordFile.empty()) {
            std::error_code ignored;
            fs::remove(m_passwordFile, ignored);
            m_passwordFile.clear();
        }
    }

    void readOutput(std::vector<std::string>& statusTexts)
    {
        while (m_fd >= 0) {
            char buffer[4096];
            ssize_t got = ::read(m_fd, buffer, sizeof buffer);
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0)
                break; // nothing more for now
            if (got == 0) {
                ::close(m_fd);
                m_fd = -1;
                if (!m_pending.empty())
                    line(m_pending, statusTexts);
                m_pending.clear();
                break;
            }
            m_pending.append(buffer, static_cast<std::size_t>(got));
            std::size_t end;
            while ((end = m_pending.find('\n')) != std::string::npos) {
                std::string text = m_pending.substr(0, end);
                m_pending.erase(0, end + 1);
                line(text, statusTexts);
            }
        }
    }

    // The daemon's log lines that mark the steps of a dial become the status texts.
    void line(std::string text, std::vector<std::string>& statusTexts)
    {
        if (!text.empty() && text.back() == '\r')
            text.pop_back();
        if (m_state != State::Dialing)
            return;
        auto has = [&](const char* part) { return text.find(part) != std::string::npos; };
        // Several log lines can mark one step; the status line shows each step once.
        auto status = [&](const char* step) {
            if (m_lastStatus != step)
                statusTexts.push_back(step);
            m_lastStatus = step;
        };
        if (has("Serial connection established") || has("Connect:"))
            status("Connecting device");
        else if (has("authentication succeeded"))
            status("Authenticated");
        else if (has("authentication failed"))
            m_error = "The user name or password was refused";
        else if (has("authentication") || has("Authenticat"))
            status("Authenticating");
        else if (has("local  IP address") || has("local IP address")) {
            status("Connected");
            m_state = State::Connected;
        }
    }

    pid_t m_pid = -1;
    int m_fd = -1;
    fs::path m_passwordFile;
    std::string m_pending;
    std::string m_error;
    std::string m_lastStatus;
    bool m_started = false;
    State m_state = State::Dialing;
};

class PppdBackend final : public RasBackend {
public:
    PppdBackend(fs::path peersDir, fs::path pppd)
        : m_peers(std::move(peersDir))
        , m_pppd(std::move(pppd))
    {
    }

    std::vector<std::string> entries() override
    {
        std::vector<std::string> names;
        std::error_code error;
        for (fs::directory_iterator it(m_peers, error), end; !error && it != end; it.increment(error)) {
            std::error_code ignored;
            if (it->is_regular_file(ignored))
                names.push_back(it->path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    std::unique_ptr<RasDial> dial(const std::string& entry, const std::string& password) override
    {
        // The name becomes a path under the peers folder on the daemon's side.
        if (entry.empty() || entry.find('/') != std::string::npos || entry.front() == '.' || entry.front() == '-')
            throw ERASError("Invalid service name");
        return std::make_unique<PppdDial>(m_pppd, entry, password);
    }

private:
    fs::path m_peers;
    fs::path m_pppd;
};

} // namespace

std::unique_ptr<RasBackend> makePppdRasBackend(std::filesystem::path peersDir, std::filesystem::path pppd)
{
    return std::make_unique<PppdBackend>(std::move(peersDir), std::move(pppd));
}

std::unique_ptr<RasBackend> makeDefaultRasBackend()
{
    const fs::path pppd = "/usr/sbin/pppd";
    if (::access(pppd.c_str(), X_OK) == 0)
        return makePppdRasBackend("/etc/ppp/peers", pppd);
    return makeNoRasBackend();
}

} // namespace pelmora::net
