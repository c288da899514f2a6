#include "settings/HelpPages.h"

#include "base/Error.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace pelmora::settings {

namespace {

// Creates `file` with `text` unless a file of that name exists; false when one does.
bool writeNew(const std::filesystem::path& file, const std::string& text)
{
    // O_EXCL: a page that appeared meanwhile (or a link planted in its place) is never written over.
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        if (errno == EEXIST)
            return false;
        throw Error("Cannot write the help page " + file.string() + ": " + std::strerror(errno));
    }
    size_t written = 0;
    while (written < text.size()) {
        const ssize_t n = ::write(fd, text.data() + written, text.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : ENOSPC;
            ::close(fd);
            ::unlink(file.c_str()); // no half page that would be kept as "edited" later
            throw Error("Cannot write the help page " + file.string() + ": " + std::strerror(error));
        }
        written += static_cast<size_t>(n);
    }
    ::close(fd);
    return true;
}

} // namespace

std::vector<std::string> installHelpPages(const std::filesystem::path& helpDir)
{
    std::error_code error;
    std::filesystem::create_directories(helpDir, error);
    if (error)
        throw Error("Cannot create the help folder " + helpDir.string() + ": " + error.message());
    std::vector<std::string> written;
    for (const HelpPage& page : helpPages()) {
        if (writeNew(helpDir / page.name, page.text))
            written.push_back(page.name);
    }
    return written;
}

std::filesystem::path helpPagePath(const std::filesystem::path& helpDir, const std::string& name)
{
    for (const HelpPage& page : helpPages()) {
        if (name == page.name) {
            std::error_code error;
            std::filesystem::create_directories(helpDir, error);
            if (error)
                throw Error("Cannot create the help folder " + helpDir.string() + ": " + error.message());
            const std::filesystem::path file = helpDir / page.name;
            writeNew(file, page.text);
            return file;
        }
    }
    throw Error("There is no help page \"" + name + "\"");
}

} // namespace pelmora::settings
