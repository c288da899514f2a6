#include "net/PageGrab.h"

#include "base/Error.h"
#include "net/TagHTTP.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace pelmora::net {

namespace {

// Most numbers tried past a clash; a folder holding this many pages in a row is not expected.
constexpr int MaxClashes = 100000;

[[noreturn]] void fileError(const std::string& what, const std::filesystem::path& file, int error)
{
    throw Error(what + " " + file.string() + ": " + std::strerror(error));
}

// Writes `body` whole into a new temporary file in `folder`; its path.
std::filesystem::path writeTemporary(const std::filesystem::path& folder, const std::string& body)
{
    std::string pattern = (folder / ".grab-XXXXXX").string();
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        fileError("Cannot create a file in", folder, errno);
    const std::filesystem::path temporary(pattern);
    size_t written = 0;
    while (written < body.size()) {
        const ssize_t n = ::write(fd, body.data() + written, body.size() - written);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : ENOSPC;
            ::close(fd);
            ::unlink(temporary.c_str());
            fileError("Cannot write", temporary, error);
        }
        written += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        fileError("Cannot write", temporary, error);
    }
    return temporary;
}

} // namespace

int pageNumber(const std::string& text)
{
    if (text.empty() || text.size() > 9)
        return 1;
    int number = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return 1;
        number = number * 10 + (c - '0');
    }
    return number >= 1 ? number : 1;
}

GrabbedPage grabPage(TagHTTP& http, const std::string& url, const std::filesystem::path& folder, int number)
{
    http.setURL(url);
    http.Get(); // a status outside 2xx throws: an error page is not a document
    const std::filesystem::path temporary = writeTemporary(folder, http.Body());
    GrabbedPage page;
    page.headers = http.Headers();
    for (int n = std::max(1, number), tries = 0; tries < MaxClashes; ++n, ++tries) {
        const std::filesystem::path file = folder / (std::to_string(n) + ".htm");
        // link() fails rather than replace a file of that name, which rename() would do.
        if (::link(temporary.c_str(), file.c_str()) == 0) {
            ::unlink(temporary.c_str());
            page.file = file;
            page.next = n + 1;
            return page;
        }
        if (errno != EEXIST) {
            const int error = errno;
            ::unlink(temporary.c_str());
            fileError("Cannot save the page as", file, error);
        }
    }
    ::unlink(temporary.c_str());
    throw Error("No free page number in " + folder.string());
}

} // namespace pelmora::net
