// Extract: every entry is checked before anything is written, then each is inflated in blocks
// into a temporary file beside its target and renamed over it once its checksum has matched.
#include "archive/TZipMaster.h"

#include "archive/ArchiveError.h"
#include "archive/BareName.h"
#include "archive/ZipLibrary.h"

#include <zip.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace pelmora::archive {

namespace {

namespace fs = std::filesystem;

struct ZipFileClose {
    void operator()(zip_file_t* file) const { zip_fclose(file); }
};
struct FileClose {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

using Entry = ExtractEntry;

bool isLink(zip_t* archive, zip_uint64_t index)
{
    zip_uint8_t system = 0;
    zip_uint32_t attributes = 0;
    if (zip_file_get_external_attributes(archive, index, 0, &system, &attributes) != 0)
        return false;
    return system == ZIP_OPSYS_UNIX && ((attributes >> 16) & S_IFMT) == S_IFLNK;
}

// Why an entry may not be extracted, or empty when it may.
std::string refusal(zip_t* archive, zip_uint64_t index, const zip_stat_t& stat, std::set<std::string>& seen)
{
    std::string name = stat.name ? stat.name : "";
    if (!isBareFileName(name))
        return "The archive entry \"" + name + "\" is not a bare file name";
    if (isLink(archive, index))
        return "The archive entry \"" + name + "\" is a link";
    if (stat.encryption_method != ZIP_EM_NONE)
        return "The archive entry \"" + name + "\" is encrypted";
    if (!zip_compression_method_supported(static_cast<zip_int32_t>(stat.comp_method), 0))
        return "The archive entry \"" + name + "\" is compressed with a method this program can not read";
    if (!seen.insert(name).second)
        return "The archive holds the name \"" + name + "\" twice";
    return {};
}

// Every entry, or the reason why the archive may not be extracted at all.
std::vector<Entry> checkedEntries(zip_t* archive, std::string& problem)
{
    std::vector<Entry> entries;
    std::set<std::string> seen;
    zip_int64_t count = zip_get_num_entries(archive, 0);
    for (zip_uint64_t index = 0; index < static_cast<zip_uint64_t>(count); ++index) {
        zip_stat_t stat;
        if (zip_stat_index(archive, index, 0, &stat) != 0) {
            problem = std::string("Can not read the archive: ") + zip_strerror(archive);
            return {};
        }
        problem = refusal(archive, index, stat, seen);
        if (!problem.empty()) {
            problem += "; nothing was extracted";
            return {};
        }
        if (!(stat.valid & ZIP_STAT_SIZE)) {
            problem
                = std::string("The archive entry \"") + stat.name + "\" does not say its size; nothing was extracted";
            return {};
        }
        entries.push_back({ index, stat.name, stat.size });
    }
    return entries;
}

// An archive may declare more than the disk holds (a few megabytes of zeros expand to
// gigabytes): such an archive is refused before the first byte is written, not once the disk is
// full and every other program with it.
void checkFreeSpace(const std::vector<Entry>& entries, const fs::path& dir, std::string& problem)
{
    std::uint64_t total = 0;
    for (const Entry& entry : entries)
        total = entry.size > UINT64_MAX - total ? UINT64_MAX : total + entry.size;
    std::error_code error;
    const fs::space_info space = fs::space(dir, error);
    if (error) {
        problem = "Can not tell the free space in " + dir.string() + ": " + error.message();
        return;
    }
    if (total > space.available) {
        problem = "The archive expands to " + std::to_string(total) + " bytes, but only "
            + std::to_string(space.available) + " bytes are free in " + dir.string() + "; nothing was extracted";
    }
}

} // namespace

void TZipMaster::checkFreeSpace(const std::vector<ExtractEntry>& entries)
{
    std::string problem;
    archive::checkFreeSpace(entries, ExtrBaseDir, problem);
    if (!problem.empty())
        fail(problem);
}

int TZipMaster::runExtract()
{
    int error = 0;
    // No ZIP_CHECKCONS: it refuses the archives that Info-ZIP writes as a stream (zip -fd, or
    // zip writing to a pipe), whose local headers carry no sizes. Every entry's CRC is still
    // checked as it is read.
    ZipHandle archive(zip_open(m_zipFilename.c_str(), ZIP_RDONLY, &error));
    if (!archive)
        fail("Can not read " + m_zipFilename.string() + ": " + zipErrorText(error));
    std::error_code ignored;
    if (!fs::is_directory(ExtrBaseDir, ignored))
        fail("The directory " + ExtrBaseDir.string() + " does not exist");
    std::string problem;
    std::vector<Entry> entries = checkedEntries(archive.get(), problem);
    if (!problem.empty())
        fail(problem);
    checkFreeSpace(entries);
    int done = 0;
    for (const Entry& entry : entries) {
        if (m_cancel)
            throw ArchiveCanceled();
        fs::path target = ExtrBaseDir / entry.name;
        if (!ExtrOverwrite && fs::exists(target, ignored)) {
            verboseMessage("  skipping: " + entry.name);
            continue;
        }
        verboseMessage("  inflating: " + entry.name);
        progress(NewFile, entry.name, entry.size);
        fs::path partial = ExtrBaseDir / ("." + entry.name + ".part");
        try {
            extractEntry(archive.get(), entry.index, entry.name, entry.size, partial);
        } catch (...) {
            fs::remove(partial, ignored);
            throw;
        }
        fs::rename(partial, target, ignored);
        if (ignored) {
            fs::remove(partial, ignored);
            fail("Can not write " + target.string());
        }
        progress(FileDone, {}, 0);
        ++done;
    }
    // A cancel pressed while the last file was reported still counts: the caller must not go on
    // to use what was extracted.
    if (m_cancel)
        throw ArchiveCanceled();
    return done;
}

void TZipMaster::extractEntry(zip_t* archive, std::uint64_t index, const std::string& name, std::uint64_t size,
    const std::filesystem::path& partial)
{
    std::unique_ptr<zip_file_t, ZipFileClose> in(zip_fopen_index(archive, index, 0));
    if (!in)
        fail("Can not read " + name + ": " + zip_strerror(archive));
    std::unique_ptr<std::FILE, FileClose> out(std::fopen(partial.c_str(), "wb"));
    if (!out)
        fail("Can not write " + partial.string() + ": " + std::strerror(errno));
    std::vector<char> buffer(blockSize);
    std::uint64_t written = 0;
    for (;;) {
        if (m_cancel)
            throw ArchiveCanceled();
        zip_int64_t read = zip_fread(in.get(), buffer.data(), buffer.size());
        if (read < 0)
            fail("Can not read " + name + ": " + zip_file_strerror(in.get()));
        if (read == 0)
            break;
        // The size was checked against the free space; an entry that inflates past it is a trap.
        written += static_cast<std::uint64_t>(read);
        if (written > size)
            fail("The archive entry \"" + name + "\" is larger than the archive says (" + std::to_string(size)
                + " bytes); extracting was stopped");
        if (std::fwrite(buffer.data(), 1, static_cast<std::size_t>(read), out.get()) != static_cast<std::size_t>(read))
            fail("Can not write " + partial.string() + ": " + std::strerror(errno));
        progress(BlockDone, name, size);
    }
    // On disk before the rename, so a crash never leaves a renamed file with missing blocks.
    if (std::fflush(out.get()) != 0 || ::fsync(fileno(out.get())) != 0 || std::fclose(out.release()) != 0)
        fail("Can not write " + partial.string() + ": " + std::strerror(errno));
}

} // namespace pelmora::archive
