#include "data/WorkRecord.h"

#include <cerrno>
#include <fcntl.h>
#include <fstream>
#include <signal.h>
#include <sstream>
#include <sys/file.h>
#include <unistd.h>

namespace pelmora::data {

namespace fs = std::filesystem;

namespace {

// One line per entry: the process id, the kind and the path, with "%" and line breaks escaped.
std::string escape(const std::string& text)
{
    std::string out;
    for (char c : text) {
        if (c == '%')
            out += "%25";
        else if (c == '\n')
            out += "%0A";
        else if (c == '\r')
            out += "%0D";
        else
            out += c;
    }
    return out;
}

std::string unescape(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 3, "%25") == 0) {
            out += '%';
            i += 2;
        } else if (text.compare(i, 3, "%0A") == 0) {
            out += '\n';
            i += 2;
        } else if (text.compare(i, 3, "%0D") == 0) {
            out += '\r';
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// Serialises the programs that change the list: the lock is taken on the directory it lives in,
// so no lock file is left about.
class ListLock {
public:
    explicit ListLock(const fs::path& list)
        : m_fd(
            ::open(list.parent_path().empty() ? "." : list.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
    {
        if (m_fd >= 0)
            while (::flock(m_fd, LOCK_EX) != 0 && errno == EINTR) { }
    }
    ~ListLock()
    {
        if (m_fd >= 0)
            ::close(m_fd);
    }
    ListLock(const ListLock&) = delete;
    ListLock& operator=(const ListLock&) = delete;

private:
    int m_fd;
};

std::vector<WorkRecord::Entry> readList(const fs::path& list)
{
    std::vector<WorkRecord::Entry> entries;
    std::ifstream in(list);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        WorkRecord::Entry entry;
        std::string kind;
        if (!(fields >> entry.pid >> kind) || fields.get() != ' ')
            continue;
        std::string path;
        std::getline(fields, path);
        if (kind != "dir" && kind != "new")
            continue;
        entry.kind = kind == "dir" ? WorkRecord::Kind::WorkingDirectory : WorkRecord::Kind::NewDatabase;
        entry.path = unescape(path);
        entries.push_back(entry);
    }
    return entries;
}

void writeList(const fs::path& list, const std::vector<WorkRecord::Entry>& entries)
{
    std::error_code error;
    if (entries.empty()) {
        fs::remove(list, error);
        return;
    }
    fs::path partial = list;
    partial += ".part";
    {
        std::ofstream out(partial, std::ios::trunc);
        for (const WorkRecord::Entry& entry : entries) {
            out << entry.pid << ' ' << (entry.kind == WorkRecord::Kind::WorkingDirectory ? "dir" : "new") << ' '
                << escape(entry.path.string()) << '\n';
        }
    }
    fs::rename(partial, list, error);
}

bool running(int pid)
{
    return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}

} // namespace

WorkRecord::WorkRecord(fs::path list, Kind kind, fs::path path)
    : m_list(std::move(list))
    , m_path(std::move(path))
    , m_kind(kind)
{
    if (m_list.empty())
        return;
    ListLock lock(m_list);
    std::vector<Entry> entries = readList(m_list);
    entries.push_back({ static_cast<int>(::getpid()), m_kind, m_path });
    writeList(m_list, entries);
}

WorkRecord::~WorkRecord()
{
    if (m_list.empty())
        return;
    ListLock lock(m_list);
    std::vector<Entry> entries = readList(m_list);
    const int self = static_cast<int>(::getpid());
    std::erase_if(
        entries, [&](const Entry& entry) { return entry.pid == self && entry.kind == m_kind && entry.path == m_path; });
    writeList(m_list, entries);
}

std::vector<WorkRecord::Entry> WorkRecord::takeAbandoned(const fs::path& list)
{
    std::error_code error;
    if (!fs::exists(list, error))
        return {};
    ListLock lock(list);
    std::vector<Entry> entries = readList(list);
    std::vector<Entry> abandoned;
    std::erase_if(entries, [&](const Entry& entry) {
        if (running(entry.pid))
            return false;
        abandoned.push_back(entry);
        return true;
    });
    writeList(list, entries);
    return abandoned;
}

bool WorkRecord::isWorkingDirectoryName(const std::string& name)
{
    if (name.size() < 3 || name.front() != '.')
        return false;
    const std::size_t dash = name.rfind('-');
    if (dash == std::string::npos || dash + 1 == name.size()
        || name.find_first_not_of("0123456789", dash + 1) != std::string::npos)
        return false;
    const std::size_t dot = name.rfind('.', dash);
    if (dot == std::string::npos || dot == 0)
        return false;
    const std::string purpose = name.substr(dot + 1, dash - dot - 1);
    return purpose == "new" || purpose == "restore" || purpose == "backup";
}

} // namespace pelmora::data
