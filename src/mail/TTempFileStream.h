#pragma once

#include <filesystem>
#include <fstream>

namespace pelmora::mail {

// A read-write stream on a new file with the prefix "ms" in the system's temporary directory,
// deleted when the stream goes. The SMTP client spools composed messages into one.
class TTempFileStream : public std::fstream {
public:
    // Raises pelmora::Error when no temporary file can be made.
    TTempFileStream();
    ~TTempFileStream() override;
    TTempFileStream(const TTempFileStream&) = delete;
    TTempFileStream& operator=(const TTempFileStream&) = delete;

    const std::filesystem::path& fileName() const { return m_fileName; }
    // The number of bytes written so far.
    std::streamoff size();

private:
    std::filesystem::path m_fileName;
};

} // namespace pelmora::mail
