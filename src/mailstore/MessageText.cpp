#include "mailstore/MessageText.h"

#include "base/Error.h"
#include "data/Value.h"
#include "mailstore/StoredMessage.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace pelmora::mailstore {

std::string messageText(const StoredMessage& message, const data::DateFormat& dateFormat)
{
    std::string text = "Subject: " + message.subject + "\r\n\r\nDate: " + dateFormat.format(message.dateCreated)
        + "\r\n\r\nFrom/To: " + message.senderName + "\r\nEmail: " + message.senderEmail + "\r\nContent: \r\n";
    const std::string& body = message.body;
    for (std::size_t start = 0; start < body.size();) {
        std::size_t end = body.find('\n', start);
        if (end == std::string::npos)
            end = body.size();
        std::size_t last = end;
        if (last > start && body[last - 1] == '\r')
            --last;
        text.append(body, start, last - start).append("\r\n");
        start = end + 1;
    }
    return text;
}

void saveMessageText(
    const StoredMessage& message, const data::DateFormat& dateFormat, const std::filesystem::path& file, bool overwrite)
{
    std::error_code error;
    if (!overwrite && std::filesystem::symlink_status(file, error).type() != std::filesystem::file_type::not_found)
        throw Error("The file \"" + file.string() + "\" exists already");
    const std::string text = messageText(message, dateFormat);
    // Written beside the target and renamed over it: the file is whole or not there at all.
    std::filesystem::path temporary;
    int fd = -1;
    for (int n = 0; fd < 0; ++n) {
        if (n == 1000)
            throw Error("Cannot create a file beside \"" + file.string() + "\"");
        temporary = file;
        temporary += ".part" + std::to_string(::getpid()) + "-" + std::to_string(n);
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
        if (fd < 0 && errno != EEXIST)
            throw Error("Cannot create the file \"" + file.string() + "\": " + std::strerror(errno));
    }
    std::size_t done = 0;
    bool ok = true;
    while (ok && done < text.size()) {
        const ssize_t count = ::write(fd, text.data() + done, text.size() - done);
        if (count < 0 && errno == EINTR)
            continue;
        ok = count > 0;
        done += ok ? std::size_t(count) : 0;
    }
    const int writeError = errno;
    ok = ::close(fd) == 0 && ok;
    if (!ok) {
        ::unlink(temporary.c_str());
        throw Error("Cannot write the file \"" + file.string() + "\": " + std::strerror(writeError));
    }
    // Without overwrite a file that appeared meanwhile is not replaced either.
    const int moved = overwrite ? ::rename(temporary.c_str(), file.c_str()) : ::link(temporary.c_str(), file.c_str());
    const int moveError = errno;
    if (moved != 0 || !overwrite)
        ::unlink(temporary.c_str());
    if (moved != 0)
        throw Error(moveError == EEXIST
                ? "The file \"" + file.string() + "\" exists already"
                : "Cannot write the file \"" + file.string() + "\": " + std::strerror(moveError));
}

} // namespace pelmora::mailstore
