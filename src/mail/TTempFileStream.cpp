#include "mail/TTempFileStream.h"

#include "base/Error.h"

#include <unistd.h>

#include <cstdlib>
#include <string>
#include <system_error>

namespace pelmora::mail {

TTempFileStream::TTempFileStream()
{
    std::error_code ec;
    std::filesystem::path dir = std::filesystem::temp_directory_path(ec);
    if (ec)
        dir = "/tmp";
    std::string pattern = (dir / "msXXXXXX").string();
    // mkstemp creates the file with a name nobody else holds, readable by its owner only.
    int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        throw Error("Cannot create a temporary file in " + dir.string());
    ::close(fd);
    m_fileName = pattern;
    open(m_fileName, std::ios::in | std::ios::out | std::ios::binary | std::ios::trunc);
    if (!is_open()) {
        std::filesystem::remove(m_fileName, ec);
        throw Error("Cannot open the temporary file " + m_fileName.string());
    }
}

TTempFileStream::~TTempFileStream()
{
    close();
    std::error_code ignored;
    std::filesystem::remove(m_fileName, ignored);
}

std::streamoff TTempFileStream::size()
{
    flush();
    std::error_code ec;
    auto bytes = std::filesystem::file_size(m_fileName, ec);
    return ec ? 0 : static_cast<std::streamoff>(bytes);
}

} // namespace pelmora::mail
