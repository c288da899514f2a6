#include "archive/ZipEntryList.h"

#include "archive/ArchiveError.h"
#include "archive/ZipCentralDirectory.h"

#include <algorithm>
#include <fstream>
#include <optional>

namespace pelmora::archive {

namespace {

constexpr std::uint16_t flagDataDescriptor = 0x0008;

class EntryListReader {
public:
    EntryListReader(std::istream& in, std::uint64_t fileSize)
        : m_in(in)
        , m_fileSize(fileSize)
    {
    }

    std::vector<ZipEntryInfo> read()
    {
        std::vector<ZipEntryInfo> entries;
        std::uint64_t position = 0;
        for (;;) {
            std::uint32_t value = nextSignature(position);
            if (value == zipsig::centralHeader || value == zipsig::endRecord)
                return entries;
            entries.push_back(readLocalEntry(position));
        }
    }

private:
    ZipEntryInfo readLocalEntry(std::uint64_t& position)
    {
        unsigned char header[26];
        if (!readAt(m_in, position + 4, header, sizeof header))
            throw ZipReadError("Error 2 reading Zip file");
        ZipEntryInfo entry;
        entry.offset = position;
        entry.flags = le16(header + 2);
        entry.method = le16(header + 4);
        entry.crc = le32(header + 10);
        entry.compressedSize = le32(header + 14);
        entry.size = le32(header + 18);
        std::uint16_t nameLength = le16(header + 22);
        std::uint16_t extraLength = le16(header + 24);
        entry.name.resize(nameLength);
        std::uint64_t nameStart = position + 30;
        if (!readAt(m_in, nameStart, reinterpret_cast<unsigned char*>(entry.name.data()), nameLength))
            throw ZipReadError("Error 2 reading Zip file");
        bool deferred = (entry.flags & flagDataDescriptor) != 0;
        if (deferred || entry.compressedSize == sizeInZip64 || entry.size == sizeInZip64)
            takeCentralSizes(entry);
        std::uint64_t extraEnd = nameStart + nameLength + extraLength;
        std::uint64_t dataEnd = extraEnd + entry.compressedSize;
        if (dataEnd < extraEnd || m_fileSize < endRecordSize || dataEnd > m_fileSize - endRecordSize)
            throw ZipReadError("Error 3 reading Zip file");
        if (extraEnd > m_fileSize)
            throw ZipReadError("Error 4 reading Zip file");
        if (dataEnd > m_fileSize)
            throw ZipReadError("Error 5 reading Zip file");
        position = deferred ? afterDescriptor(dataEnd) : dataEnd;
        return entry;
    }

    // Moves `position` in steps of 4 bytes to the next known signature and returns it. Bytes that
    // are no signature are skipped; they are scanned a block at a time, so a large file that is
    // no archive is rejected quickly.
    std::uint32_t nextSignature(std::uint64_t& position)
    {
        constexpr std::size_t blockSize = 65536;
        std::vector<unsigned char> block(blockSize);
        for (;;) {
            std::uint64_t available = position < m_fileSize ? m_fileSize - position : 0;
            std::size_t count
                = static_cast<std::size_t>(std::min<std::uint64_t>(available, blockSize)) & ~std::size_t(3);
            if (count < 4 || !readAt(m_in, position, block.data(), count))
                throw ZipReadError("Error 1 reading Zip File");
            for (std::size_t at = 0; at < count; at += 4, position += 4) {
                std::uint32_t value = le32(&block[at]);
                if (value == zipsig::localHeader || value == zipsig::centralHeader || value == zipsig::endRecord)
                    return value;
            }
        }
    }

    // A streamed entry's local header holds zeros (or zip64 markers) for its sizes; without the
    // central directory the reader would take the data for headers and misread or fail.
    void takeCentralSizes(ZipEntryInfo& entry)
    {
        if (!m_central)
            m_central = readCentralDirectory(m_in, m_fileSize);
        auto found = m_central->find(entry.offset);
        if (found == m_central->end())
            return;
        entry.compressedSize = found->second.compressedSize;
        entry.size = found->second.size;
        entry.crc = found->second.crc;
    }

    // The descriptor after the data has no fixed length (signature optional, sizes 4 or 8 bytes
    // wide); take the length after which a known record starts.
    std::uint64_t afterDescriptor(std::uint64_t dataEnd)
    {
        for (std::uint64_t length : { 16, 12, 24, 20 }) {
            unsigned char signature[4];
            if (!readAt(m_in, dataEnd + length, signature, sizeof signature))
                continue;
            std::uint32_t value = le32(signature);
            if (value == zipsig::localHeader || value == zipsig::centralHeader || value == zipsig::endRecord)
                return dataEnd + length;
        }
        return dataEnd;
    }

    std::istream& m_in;
    std::uint64_t m_fileSize;
    std::optional<std::map<std::uint64_t, CentralEntry>> m_central;
};

} // namespace

std::vector<ZipEntryInfo> readZipEntryList(std::istream& in, std::uint64_t fileSize)
{
    return EntryListReader(in, fileSize).read();
}

std::vector<ZipEntryInfo> readZipEntryList(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::error_code error;
    std::uint64_t size = std::filesystem::file_size(path, error);
    if (!in || error)
        throw ZipReadError("Error 1 reading Zip File");
    return readZipEntryList(in, size);
}

} // namespace pelmora::archive
