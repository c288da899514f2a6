#pragma once

#include <cstdint>
#include <istream>
#include <map>

namespace pelmora::archive {

// What the central directory says about one entry; it is the only place that holds the sizes
// of an entry written as a stream (local header flag bit 3, sizes zero, data descriptor after).
struct CentralEntry {
    std::uint64_t compressedSize = 0;
    std::uint64_t size = 0;
    std::uint32_t crc = 0;
};

// The central directory's entries keyed by the position of their local header in the file
// (corrected for bytes prepended to the archive). Empty when the directory cannot be found or
// read: callers then fall back to the local headers alone.
std::map<std::uint64_t, CentralEntry> readCentralDirectory(std::istream& in, std::uint64_t fileSize);

constexpr std::uint64_t endRecordSize = 22;
constexpr std::uint32_t sizeInZip64 = 0xFFFFFFFF;

namespace zipsig {
constexpr std::uint32_t localHeader = 0x04034B50;
constexpr std::uint32_t centralHeader = 0x02014B50;
constexpr std::uint32_t endRecord = 0x06054B50;
constexpr std::uint32_t zip64EndRecord = 0x06064B50;
constexpr std::uint32_t zip64Locator = 0x07064B50;
constexpr std::uint32_t dataDescriptor = 0x08074B50;
} // namespace zipsig

// Little-endian fields of the zip format.
inline std::uint16_t le16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}
inline std::uint32_t le32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(le16(p)) | (static_cast<std::uint32_t>(le16(p + 2)) << 16);
}
inline std::uint64_t le64(const unsigned char* p)
{
    return static_cast<std::uint64_t>(le32(p)) | (static_cast<std::uint64_t>(le32(p + 4)) << 32);
}

// Reads exactly `count` bytes at `offset`; false when the file is shorter.
bool readAt(std::istream& in, std::uint64_t offset, unsigned char* buffer, std::size_t count);

} // namespace pelmora::archive
