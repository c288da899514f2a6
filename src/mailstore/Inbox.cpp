#include "mailstore/Inbox.h"

#include "base/Error.h"
#include "data/Database.h"
#include "data/SqlDatabase.h"
#include "mail/Digest.h"
#include "mail/TmsMessage.h"
#include "mailstore/Outbox.h"
#include "mailstore/StoredMessage.h"
#include "protocols/TmsPOP.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <istream>
#include <mutex>
#include <streambuf>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace pelmora::mailstore {

namespace {

constexpr std::size_t kMaxName = 255; // bytes, the limit of a file name on the file systems we run on

// A read-only, seekable stream over text in memory, so that a message is parsed where it lies
// instead of being copied into a string stream first.
class ViewBuf : public std::streambuf {
public:
    explicit ViewBuf(std::string_view text)
    {
        char* begin = const_cast<char*>(text.data());
        setg(begin, begin, begin + text.size());
    }

protected:
    pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode which) override
    {
        if (!(which & std::ios_base::in))
            return pos_type(off_type(-1));
        off_type base = dir == std::ios_base::beg ? 0
            : dir == std::ios_base::cur           ? gptr() - eback()
                                                  : egptr() - eback();
        off_type target = base + off;
        if (target < 0 || target > egptr() - eback())
            return pos_type(off_type(-1));
        setg(eback(), eback() + target, egptr());
        return pos_type(target);
    }
    pos_type seekpos(pos_type pos, std::ios_base::openmode which) override
    {
        return seekoff(off_type(pos), std::ios_base::beg, which);
    }
};

// Cuts UTF-8 text to at most `bytes` bytes, never inside a character.
std::string_view cutBytes(std::string_view text, std::size_t bytes)
{
    if (text.size() <= bytes)
        return text;
    std::size_t end = bytes;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

// The name split into stem and extension (with its dot); an extension longer than a name
// could sensibly carry counts as part of the stem.
std::pair<std::string, std::string> splitExtension(const std::string& name)
{
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos || dot == 0 || name.size() - dot > 32)
        return { name, {} };
    return { name.substr(0, dot), name.substr(dot) };
}

// The name of the file an attachment is written into before it gets its own, with the id of
// the writing process after it.
const std::string kIncoming = ".incoming-";

bool writeAll(int fd, const std::string& content)
{
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t count = ::write(fd, content.data() + done, content.size() - done);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            return false;
        done += std::size_t(count);
    }
    return true;
}

// Removes what writers killed in the middle of an attachment left behind: their incoming
// files, once the process named in them is gone.
void removeAbandonedFiles(const std::filesystem::path& directory)
{
    std::error_code error;
    for (std::filesystem::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
        const std::string name = it->path().filename().string();
        if (!name.starts_with(kIncoming))
            continue;
        const std::string pid = name.substr(kIncoming.size());
        if (pid.empty() || pid.find_first_not_of("0123456789") != std::string::npos || pid.size() > 9)
            continue;
        if (::kill(static_cast<pid_t>(std::stol(pid)), 0) != 0 && errno == ESRCH)
            ::unlink(it->path().c_str());
    }
}

void removeFiles(const std::vector<std::string>& files)
{
    for (const std::string& file : files)
        ::unlink(file.c_str());
}

std::string_view headerBlock(std::string_view text)
{
    for (std::size_t at = 0; at < text.size();) {
        std::size_t end = text.find('\n', at);
        if (end == std::string_view::npos)
            return text;
        std::string_view line = text.substr(at, end - at);
        if (line.empty() || line == "\r")
            return text.substr(0, at);
        at = end + 1;
    }
    return text;
}

bool startsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    }
    return true;
}

// Flushes one file or folder to the disk.
void syncPath(const std::filesystem::path& path, bool directory)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | (directory ? O_DIRECTORY : 0));
    if (fd < 0)
        throw Error("Cannot open \"" + path.string() + "\" to sync it: " + std::strerror(errno));
    const int result = directory ? ::fsync(fd) : ::fdatasync(fd);
    const int error = errno;
    ::close(fd);
    if (result != 0)
        throw Error("Cannot sync \"" + path.string() + "\": " + std::strerror(error));
}

// Flushes the files on a few threads at once; throws the first failure after all are done.
void syncFiles(const std::vector<std::filesystem::path>& files)
{
    constexpr std::size_t kThreads = 16;
    std::atomic<std::size_t> next { 0 };
    std::mutex mutex;
    std::string failure;
    auto work = [&] {
        for (std::size_t i; (i = next++) < files.size();) {
            try {
                syncPath(files[i], false);
            } catch (const std::exception& error) {
                std::lock_guard lock(mutex);
                if (failure.empty())
                    failure = error.what();
            }
        }
    };
    std::vector<std::thread> threads;
    try {
        for (std::size_t t = 1; t < std::min(kThreads, files.size()); ++t)
            threads.emplace_back(work);
    } catch (const std::system_error&) {
        // Fewer threads only cost time: this one does the rest.
    }
    work();
    for (std::thread& thread : threads)
        thread.join();
    if (!failure.empty())
        throw Error(failure);
}

} // namespace

std::string attachmentFileName(std::string_view name, std::size_t index)
{
    std::string clean;
    for (char c : mail::bareFileName(name)) {
        const auto u = static_cast<unsigned char>(c);
        clean += u < 32 || u == 127 || c == '/' || c == '\\' ? '_' : c;
    }
    const std::size_t first = clean.find_first_not_of(' ');
    clean = first == std::string::npos ? std::string() : clean.substr(first);
    while (!clean.empty() && clean.back() == ' ')
        clean.pop_back();
    if (clean.empty() || clean == "." || clean == "..")
        return "att." + std::to_string(index);
    if (clean.size() > kMaxName) {
        auto [stem, extension] = splitExtension(clean);
        clean = std::string(cutBytes(stem, kMaxName - extension.size())) + extension;
    }
    return clean;
}

std::string messageKey(std::string_view text)
{
    const std::string_view headers = headerBlock(text);
    for (std::size_t at = 0; at < headers.size();) {
        std::size_t end = headers.find('\n', at);
        if (end == std::string_view::npos)
            end = headers.size();
        std::string_view line = headers.substr(at, end - at);
        at = end + 1;
        if (!startsWithNoCase(line, "Message-ID:"))
            continue;
        std::string value(line.substr(11));
        // A folded header goes on in the lines that start with a blank.
        while (at < headers.size() && (headers[at] == ' ' || headers[at] == '\t')) {
            std::size_t next = headers.find('\n', at);
            if (next == std::string_view::npos)
                next = headers.size();
            value += headers.substr(at, next - at);
            at = next + 1;
        }
        std::string id;
        for (char c : value) {
            if (c != ' ' && c != '\t' && c != '\r')
                id += c;
        }
        if (!id.empty())
            return "id:" + id;
        break;
    }
    // Without an id the text itself is the key; line ends are left out so that the same
    // message read from a mailbox file (LF) and from a server (CR LF) is recognised.
    std::string bare;
    bare.reserve(text.size());
    for (char c : text) {
        if (c != '\r')
            bare += c;
    }
    return "sha256:" + mail::sha256Hex(bare);
}

Inbox::Inbox(data::Database& database, std::filesystem::path attachDirectory)
    : m_database(database)
    , m_attachDirectory(std::move(attachDirectory))
{
    // The keys of the messages stored, so that a message fetched again after a retrieval that
    // was cut off before its deletions took effect, or a mailbox imported twice, is stored once.
    m_database.sql().exec("CREATE TABLE IF NOT EXISTS \"MailKeys\" (\"Key\" TEXT PRIMARY KEY, \"EmailNum\" INTEGER)");
    removeAbandonedFiles(m_attachDirectory);
}

Inbox::~Inbox() = default;

bool Inbox::contains(const std::string& key)
{
    // Only while its row is there: a message the user deleted comes back when fetched or
    // imported again rather than being taken for stored.
    return m_database.sql().scalar("SELECT COUNT(*) FROM \"MailKeys\" k JOIN \"EMAIL\" e ON e.\"Counter\" = "
                                   "k.\"EmailNum\" WHERE k.\"Key\" = ?",
               { key })
        > 0;
}

InboxEntry Inbox::storeText(std::string_view text, std::optional<std::int64_t> number, bool skipDuplicate)
{
    const std::string key = messageKey(text);
    if (skipDuplicate && contains(key)) {
        InboxEntry entry;
        entry.duplicate = true;
        entry.counter = m_database.sql().scalar(
            "SELECT IFNULL(MAX(\"EmailNum\"), 0) FROM \"MailKeys\" WHERE \"Key\" = ?", { key });
        return entry;
    }
    mail::TmsMessage message;
    const bool keptWhole = !parse(text, message);
    InboxEntry entry = store(message, number, key);
    entry.keptWhole = keptWhole;
    return entry;
}

bool Inbox::parse(std::string_view text, mail::TmsMessage& message)
{
    ViewBuf buffer(text);
    std::istream stream(&buffer);
    try {
        message.LoadFromStream(stream);
        return true;
    } catch (const std::exception& error) {
        message = mail::TmsMessage();
        protocols::keepMessageWhole(message, error.what(), std::string(text));
        return false;
    }
}

bool Inbox::readable(std::string_view text)
{
    mail::TmsMessage message;
    return parse(text, message);
}

std::vector<std::string> Inbox::writeFiles(const mail::TmsMessage& message)
{
    std::vector<std::string> written;
    const std::string incoming = (m_attachDirectory / (kIncoming + std::to_string(::getpid()))).string();
    try {
        for (int i = 0; i < message.Attachments.Count(); ++i) {
            const mail::TmsAttItem& item = message.Attachments.Items(i);
            // The content goes to a file of this process first and gets its name only when it is
            // whole, so a file under an attachment's name is never half written, even when the
            // process is killed.
            const int fd = ::open(incoming.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
            if (fd < 0)
                throw Error("Cannot create a file in the attachments folder \"" + m_attachDirectory.string()
                    + "\": " + std::strerror(errno));
            bool ok = writeAll(fd, item.Stream);
            const int writeError = errno;
            ok = ::close(fd) == 0 && ok;
            if (!ok) {
                ::unlink(incoming.c_str());
                throw Error("Cannot write an attachment file into \"" + m_attachDirectory.string()
                    + "\": " + std::strerror(writeError));
            }
            const std::string name = attachmentFileName(item.FileName.str(), std::size_t(i));
            auto [stem, extension] = splitExtension(name);
            std::filesystem::path path;
            bool linked = false;
            // Where the last search for this name ended: the names before it are taken, so a
            // mailbox full of "att.0" costs one try per file, not one per file before it.
            int& next = m_nextSuffix[name];
            for (int n = std::max(next, 1), tries = 0;; ++n, ++tries) {
                if (tries > 100000) {
                    ::unlink(incoming.c_str());
                    throw Error("No free file name for the attachment \"" + name + "\"");
                }
                // Attachments of different messages often carry the same name ("att.0",
                // "original.eml"): each gets a name of its own rather than replacing another.
                // Neither replaces what is there, a link planted in the folder included.
                std::string suffix = n == 1 ? std::string() : "-" + std::to_string(n);
                path = m_attachDirectory
                    / (std::string(cutBytes(stem, kMaxName - extension.size() - suffix.size())) + suffix + extension);
                int moved = ::renameat2(AT_FDCWD, incoming.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE);
                if (moved != 0 && (errno == EINVAL || errno == ENOSYS)) { // a file system without it
                    moved = ::link(incoming.c_str(), path.c_str());
                    linked = true;
                }
                if (moved == 0) {
                    next = n + 1;
                    break;
                }
                if (errno != EEXIST) {
                    const int error = errno;
                    ::unlink(incoming.c_str());
                    throw Error("Cannot create the attachment file \"" + path.string() + "\": " + std::strerror(error));
                }
            }
            written.push_back(path.string());
            if (linked) // renamed, the incoming name is gone already
                ::unlink(incoming.c_str());
        }
    } catch (...) {
        removeFiles(written);
        throw;
    }
    return written;
}

InboxEntry Inbox::store(const mail::TmsMessage& message, std::optional<std::int64_t> number, const std::string& key)
{
    InboxEntry entry;
    entry.subject = subjectOrDefault(message.Subject.str());
    entry.sender = message.Sender.Address.str();
    entry.attachments = writeFiles(message);
    try {
        StoredMessage row;
        row.contact = kInbox;
        row.status = kReceived;
        row.number = number;
        row.subject = entry.subject;
        row.senderName = message.Sender.Name.str();
        row.senderEmail = entry.sender;
        for (std::size_t i = 0; i < message.Body.size(); ++i)
            row.body += (i ? "\n" : "") + message.Body[i];
        row.attachments = entry.attachments;
        data::SqlDatabase& sql = m_database.sql();
        data::Transaction transaction(sql);
        entry.counter = MailStore(m_database).insert(row);
        if (!key.empty())
            sql.prepare("INSERT OR REPLACE INTO \"MailKeys\" (\"Key\", \"EmailNum\") VALUES (?, ?)")
                .bindAll({ key, entry.counter })
                .run();
        transaction.commit();
    } catch (...) {
        removeFiles(entry.attachments);
        throw;
    }
    m_unsynced.insert(m_unsynced.end(), entry.attachments.begin(), entry.attachments.end());
    return entry;
}

void Inbox::sync()
{
    // Each file written and the folders that name them, then the database. Only what this inbox
    // wrote is flushed: a sync of the whole file system would also wait for every other
    // program's unwritten data, which costs seconds on a busy machine. The files are flushed
    // side by side, so that the file system can take many into one journal commit and one disk
    // flush instead of paying both for each attachment. Anything that fails (a file or folder
    // that is gone) fails the sync, and the server then keeps its messages; such a file is not
    // tried again, or a folder moved away would fail every later retrieval.
    std::vector<std::filesystem::path> files;
    files.swap(m_unsynced);
    syncFiles(files);
    if (!files.empty())
        syncPath(m_attachDirectory, true);
    // The rows are committed with synchronous=NORMAL, which leaves the write-ahead log
    // unflushed; flushing it (and the folder, which names a log created by this session) makes
    // them as durable as a full commit would.
    const std::filesystem::path file = m_database.sql().file();
    if (file.empty()) // a database in memory: nothing on disk to flush
        return;
    std::filesystem::path log = file;
    log += "-wal";
    std::error_code missing;
    syncPath(std::filesystem::exists(log, missing) ? log : file, false);
    syncPath(file.parent_path().empty() ? std::filesystem::path(".") : file.parent_path(), true);
}

} // namespace pelmora::mailstore
