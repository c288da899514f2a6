#include "net/TagRas.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <ifaddrs.h>
#include <map>
#include <mutex>
#include <net/if.h>
#include <netinet/in.h>
#include <set>
#include <spawn.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/syscall.h>
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

// Reaps `pid` if it has ended, without waiting; true when it is gone.
bool reapNow(pid_t pid, int& status)
{
    for (;;) {
        pid_t done = ::waitpid(pid, &status, WNOHANG);
        if (done < 0 && errno == EINTR)
            continue;
        return done == pid || done < 0;
    }
}

// Waits a bounded time for a child that should be ending; true when it has been reaped.
bool reap(pid_t pid, int& status, std::chrono::milliseconds limit)
{
    auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
        if (reapNow(pid, status))
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// A daemon told to hang up may take seconds to end the link. The caller does not wait for it:
// a thread of its own reaps it, and ends it by force if it has not gone within a few seconds.
// The daemons of ours that were told to end: links on their way down, not links that are up.
std::mutex endingMutex;
std::set<long> ending;

void reapInBackground(pid_t pid)
{
    {
        std::lock_guard lock(endingMutex);
        ending.insert(pid);
    }
    std::thread([pid] {
        int status = 0;
        if (!reap(pid, status, std::chrono::milliseconds(3000))) {
            ::kill(pid, SIGKILL);
            while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) { }
        }
        std::lock_guard lock(endingMutex);
        ending.erase(pid);
    }).detach();
}

bool isEnding(long pid)
{
    std::lock_guard lock(endingMutex);
    return ending.count(pid) != 0;
}

// A descriptor that becomes readable when `pid` ends, so that its end is waited for like its
// output; -1 where the system offers none (the caller then looks again after a short while).
int processFd(pid_t pid)
{
#ifdef SYS_pidfd_open
    long fd = ::syscall(SYS_pidfd_open, pid, 0);
    if (fd >= 0) {
        ::fcntl(int(fd), F_SETFD, FD_CLOEXEC);
        return int(fd);
    }
#else
    (void)pid;
#endif
    return -1;
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
        m_id = m_pid;
        ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) | O_NONBLOCK);
    }

    ~PppdDial() override { hangUp(); }
    PppdDial(const PppdDial&) = delete;
    PppdDial& operator=(const PppdDial&) = delete;

    int fd() const override { return m_fd >= 0 ? m_fd : m_processFd; }
    long id() const override { return m_id; }

    State process(std::vector<std::string>& statusTexts, std::string& error) override
    {
        if (!m_started) {
            m_started = true;
            statusTexts.push_back("Opening port");
        }
        readOutput(statusTexts);
        if (m_state == State::Dialing && m_fd < 0 && m_pid > 0) {
            // Its output has ended; the daemon is ending too. Its exit is watched like its
            // output was, so the program stays alive while it takes its time.
            int status = 0;
            if (reapNow(m_pid, status)) {
                m_pid = -1;
                closeProcessFd();
                m_state = State::Failed;
                m_error = WIFEXITED(status) ? exitText(WEXITSTATUS(status))
                                            : std::string("The dial-up daemon ended unexpectedly");
            } else if (m_processFd < 0) {
                m_processFd = processFd(m_pid);
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
            // Only our own child is ended; the daemon hangs the line up on SIGTERM. Most end at
            // once; one that takes longer is left to a reaper rather than held up for.
            int status = 0;
            ::kill(m_pid, SIGTERM);
            if (!reap(m_pid, status, std::chrono::milliseconds(200)))
                reapInBackground(m_pid);
            m_pid = -1;
        }
        closeProcessFd();
        if (m_fd >= 0) {
            ::close(m_fd);
            m_fd = -1;
        }
    }

private:
    void closeProcessFd()
    {
        if (m_processFd >= 0) {
            ::close(m_processFd);
            m_processFd = -1;
        }
    }

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
    long m_id = 0;
    int m_fd = -1;
    int m_processFd = -1;
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
        auto kept = m_kept.find(entry);
        const bool useKept = password.empty() && kept != m_kept.end();
        return std::make_unique<PppdDial>(m_pppd, entry, useKept ? kept->second : password);
    }

    std::vector<RasConnection> connections() override
    {
        std::vector<RasConnection> links = daemons();
        // Whoever brought them up, the ppp interfaces with an address are links to the network.
        ifaddrs* list = nullptr;
        if (::getifaddrs(&list) == 0) {
            for (const ifaddrs* it = list; it; it = it->ifa_next) {
                if (it->ifa_addr && it->ifa_addr->sa_family == AF_INET && (it->ifa_flags & IFF_UP)
                    && std::string_view(it->ifa_name).starts_with("ppp"))
                    links.push_back({ {}, -static_cast<long>(::if_nametoindex(it->ifa_name)), true });
            }
            ::freeifaddrs(list);
        }
        return links;
    }

    bool hasOwnPassword(const std::string& entry) override
    {
        if (m_kept.count(entry))
            return true;
        // An entry whose file sets a password dials with it; one handed over would replace it.
        std::ifstream file(m_peers / entry);
        for (std::string line; std::getline(file, line);) {
            const auto start = line.find_first_not_of(" \t");
            if (start != std::string::npos && line.compare(start, 8, "password") == 0
                && (line.size() == start + 8 || line[start + 8] == ' ' || line[start + 8] == '\t'))
                return true;
        }
        return false;
    }

    // Kept in memory only: the password is never written into a file of the system.
    void keepPassword(const std::string& entry, const std::string& password) override { m_kept[entry] = password; }

private:
    // The daemons started as "pppd ... call ENTRY", by this program or any other. A daemon's
    // own children carry its command line for a moment after they are made; they are not links.
    std::vector<RasConnection> daemons() const
    {
        // Started by its full path, or by its bare name through the search path; a daemon of the
        // same name elsewhere is another program's.
        const std::string full = m_pppd.string();
        const std::string name = m_pppd.filename().string();
        std::vector<std::pair<RasConnection, long>> found; // with the parent of each
        std::error_code error;
        for (fs::directory_iterator it("/proc", error), end; !error && it != end; it.increment(error)) {
            const std::string pid = it->path().filename().string();
            if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos || isEnding(std::stol(pid)))
                continue;
            std::ifstream file(it->path() / "cmdline", std::ios::binary);
            std::vector<std::string> argv;
            for (std::string arg; std::getline(file, arg, '\0');)
                argv.push_back(arg);
            const auto daemon = std::find_if(
                argv.begin(), argv.end(), [&](const std::string& arg) { return arg == full || arg == name; });
            if (daemon == argv.end())
                continue;
            const auto call = std::find(daemon, argv.end(), "call");
            if (call == argv.end() || call + 1 == argv.end())
                continue;
            found.push_back({ { *(call + 1), std::stol(pid), false }, parentOf(it->path()) });
        }
        std::vector<RasConnection> links;
        for (const auto& [link, parent] : found) {
            const bool child = std::any_of(
                found.begin(), found.end(), [parent = parent](const auto& other) { return other.first.id == parent; });
            if (!child)
                links.push_back(link);
        }
        return links;
    }

    static long parentOf(const fs::path& process)
    {
        std::ifstream file(process / "stat");
        std::string line;
        std::getline(file, line);
        // "pid (name) state ppid ...": the name may hold spaces and parentheses.
        const auto close = line.rfind(')');
        if (close == std::string::npos)
            return 0;
        std::istringstream rest(line.substr(close + 1));
        std::string state;
        long parent = 0;
        rest >> state >> parent;
        return parent;
    }

    fs::path m_peers;
    fs::path m_pppd;
    std::map<std::string, std::string> m_kept;
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
