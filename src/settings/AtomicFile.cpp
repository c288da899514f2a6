#include "settings/AtomicFile.h"

#include "base/Error.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace pelmora::settings {

namespace {

[[noreturn]] void fail(const fs::path& path, int error)
{
    throw Error("Cannot write the file " + path.string() + ": " + std::strerror(error));
}

// The link may point at a file not yet made, so it is read link by link rather than resolved;
// the count stops a loop of links.
fs::path followLinks(fs::path path)
{
    std::error_code error;
    for (int hops = 0; hops < 40 && fs::is_symlink(path, error); ++hops) {
        const fs::path target = fs::read_symlink(path, error);
        if (error)
            break;
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return path;
}

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes.remove_prefix(static_cast<size_t>(written));
    }
    return true;
}

void syncDirectory(const fs::path& dir)
{
    // Best effort: makes the rename itself survive a power cut where the file system allows it.
    const int fd = ::open(dir.empty() ? "." : dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

void writeFileAtomically(const fs::path& path, std::string_view bytes, mode_t mode)
{
    const fs::path target = followLinks(path);
    // Renaming over a directory, a device or a pipe would replace something that is not ours.
    std::error_code statusError;
    const fs::file_status status = fs::status(target, statusError);
    if (fs::exists(status) && !fs::is_regular_file(status))
        throw Error("Cannot write the file " + path.string() + ": something other than a file is in its place");
    const fs::path dir = target.parent_path();
    std::string name = target.filename().string();
    name.insert(0, 1, '.');
    name.append(".XXXXXX");
    std::string pattern = (dir / name).string();
    // mkstemp creates the file with mode 0600, so a password never sits readable by others,
    // not even for the moment before fchmod.
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        fail(path, errno);
    int error = 0;
    errno = 0;
    if (!writeAll(fd, bytes) || ::fchmod(fd, mode) != 0 || ::fsync(fd) != 0)
        error = errno ? errno : EIO;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(pattern.c_str(), target.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(pattern.c_str());
        fail(path, error);
    }
    syncDirectory(dir);
}

} // namespace pelmora::settings
