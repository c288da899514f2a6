#include "archive/ZipCentralDirectory.h"

#include <algorithm>
#include <vector>

namespace pelmora::archive {

namespace {

constexpr std::size_t maxCommentSize = 0xFFFF;

struct DirectoryPlace {
    std::uint64_t offset = 0; // as the end record states it
    std::uint64_t size = 0;
    std::uint64_t actualStart = 0; // where it really is in this file
};

// The end record is the last thing in the file but for its comment; search backwards for a
// signature whose comment length fits exactly or at least stays inside the file.
bool findEndRecord(std::istream& in, std::uint64_t fileSize, std::uint64_t& position)
{
    if (fileSize < endRecordSize)
        return false;
    std::uint64_t tail = std::min<std::uint64_t>(fileSize, endRecordSize + maxCommentSize);
    std::vector<unsigned char> buffer(tail);
    if (!readAt(in, fileSize - tail, buffer.data(), buffer.size()))
        return false;
    for (std::uint64_t i = tail - endRecordSize + 1; i-- > 0;) {
        if (le32(&buffer[i]) == zipsig::endRecord) {
            std::uint64_t commentEnd = i + endRecordSize + le16(&buffer[i + 20]);
            if (commentEnd <= tail) {
                position = fileSize - tail + i;
                return true;
            }
        }
    }
    return false;
}

// A zip64 archive places its own end record and a locator before the classic end record; the
// directory then ends where the zip64 end record begins, whatever the classic fields say.
bool readZip64Place(std::istream& in, std::uint64_t endPosition, DirectoryPlace& place)
{
    unsigned char locator[20];
    if (endPosition < sizeof locator || !readAt(in, endPosition - sizeof locator, locator, sizeof locator)
        || le32(locator) != zipsig::zip64Locator)
        return false;
    unsigned char record[56];
    std::uint64_t recordPosition = le64(locator + 8);
    if (!readAt(in, recordPosition, record, sizeof record) || le32(record) != zipsig::zip64EndRecord) {
        // Bytes prepended to the archive move the record away from the offset the locator states.
        if (endPosition < sizeof locator + sizeof record)
            return false;
        recordPosition = endPosition - sizeof locator - sizeof record;
        if (!readAt(in, recordPosition, record, sizeof record) || le32(record) != zipsig::zip64EndRecord)
            return false;
    }
    place.size = le64(record + 40);
    place.offset = le64(record + 48);
    if (place.size > recordPosition)
        return false;
    place.actualStart = recordPosition - place.size;
    return true;
}

bool findDirectory(std::istream& in, std::uint64_t fileSize, DirectoryPlace& place)
{
    std::uint64_t endPosition = 0;
    if (!findEndRecord(in, fileSize, endPosition))
        return false;
    if (readZip64Place(in, endPosition, place))
        return true;
    unsigned char record[endRecordSize];
    if (!readAt(in, endPosition, record, sizeof record))
        return false;
    place.size = le32(record + 12);
    place.offset = le32(record + 16);
    if (place.size > endPosition)
        return false;
    place.actualStart = endPosition - place.size;
    return true;
}

// Fills in the sizes that a zip64 extra field (id 1) carries instead of the 32-bit fields.
void applyZip64Extra(const unsigned char* extra, std::size_t length, CentralEntry& entry, std::uint64_t& offset,
    bool sizeWide, bool compressedWide, bool offsetWide)
{
    std::size_t at = 0;
    while (at + 4 <= length) {
        std::uint16_t id = le16(extra + at);
        std::uint16_t size = le16(extra + at + 2);
        const unsigned char* field = extra + at + 4;
        const unsigned char* fieldEnd = field + std::min<std::size_t>(size, length - at - 4);
        if (id == 1) {
            if (sizeWide && field + 8 <= fieldEnd)
                entry.size = le64(field), field += 8;
            if (compressedWide && field + 8 <= fieldEnd)
                entry.compressedSize = le64(field), field += 8;
            if (offsetWide && field + 8 <= fieldEnd)
                offset = le64(field);
            return;
        }
        at += 4 + size;
    }
}

} // namespace

bool readAt(std::istream& in, std::uint64_t offset, unsigned char* buffer, std::size_t count)
{
    in.clear();
    in.seekg(static_cast<std::streamoff>(offset));
    in.read(reinterpret_cast<char*>(buffer), static_cast<std::streamsize>(count));
    return in && static_cast<std::size_t>(in.gcount()) == count;
}

std::map<std::uint64_t, CentralEntry> readCentralDirectory(std::istream& in, std::uint64_t fileSize)
{
    std::map<std::uint64_t, CentralEntry> entries;
    DirectoryPlace place;
    if (!findDirectory(in, fileSize, place) || place.actualStart < place.offset)
        return entries;
    std::uint64_t shift = place.actualStart - place.offset;
    std::vector<unsigned char> directory(place.size);
    if (!readAt(in, place.actualStart, directory.data(), directory.size()))
        return entries;
    constexpr std::size_t headerSize = 46;
    std::size_t at = 0;
    while (at + headerSize <= directory.size() && le32(&directory[at]) == zipsig::centralHeader) {
        const unsigned char* h = &directory[at];
        CentralEntry entry { le32(h + 20), le32(h + 24), le32(h + 16) };
        std::size_t nameLength = le16(h + 28), extraLength = le16(h + 30), commentLength = le16(h + 32);
        std::uint64_t offset = le32(h + 42);
        if (at + headerSize + nameLength + extraLength > directory.size())
            break;
        applyZip64Extra(h + headerSize + nameLength, extraLength, entry, offset, entry.size == sizeInZip64,
            entry.compressedSize == sizeInZip64, offset == sizeInZip64);
        entries[offset + shift] = entry;
        at += headerSize + nameLength + extraLength + commentLength;
    }
    return entries;
}

} // namespace pelmora::archive
