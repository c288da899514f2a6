#include "protocols/SpoolFile.h"

#include "net/SocketErrors.h"

#include <cerrno>
#include <cstdlib>
#include <string>
#include <system_error>
#include <unistd.h>

namespace pelmora::protocols {

SpoolFile::SpoolFile()
{
    std::string pattern = (std::filesystem::temp_directory_path() / "pelmora-spool-XXXXXX").string();
    int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        throw net::ESocketError("Cannot create a spool file in " +
                                std::filesystem::temp_directory_path().string() + ": " +
                                std::generic_category().message(errno));
    ::close(fd);
    m_path = pattern;
}

SpoolFile::~SpoolFile()
{
    std::error_code ignored;
    std::filesystem::remove(m_path, ignored);
}

} // namespace pelmora::protocols
