#pragma once

#include <filesystem>

namespace pelmora::protocols {

// A temporary file that holds one message on its way, so that memory stays bounded whatever
// the size of the message; removed when the object goes.
class SpoolFile {
public:
    SpoolFile();
    ~SpoolFile();
    SpoolFile(const SpoolFile&) = delete;
    SpoolFile& operator=(const SpoolFile&) = delete;

    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

} // namespace pelmora::protocols
