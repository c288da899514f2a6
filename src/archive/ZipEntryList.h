#pragma once

#include <cstdint>
#include <filesystem>
#include <istream>
#include <string>
#include <vector>

namespace pelmora::archive {

// One entry as its local header describes it (sizes taken from the central directory when the
// local header defers them to a data descriptor).
struct ZipEntryInfo {
    std::string name;
    std::uint64_t offset = 0; // of the local header, from the start of the file
    std::uint64_t compressedSize = 0;
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
    std::uint16_t method = 0;
    std::uint16_t flags = 0;
};

// Walks the local headers of a zip archive from the start of the file and lists its entries.
// Stops at the first central-directory header or end record; throws ZipReadError with
// "Error N reading Zip file" when the file is not a readable archive. Memory use depends on the
// number of entries only, never on their size.
std::vector<ZipEntryInfo> readZipEntryList(std::istream& in, std::uint64_t fileSize);
std::vector<ZipEntryInfo> readZipEntryList(const std::filesystem::path& path);

} // namespace pelmora::archive
