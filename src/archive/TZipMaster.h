#pragma once

#include "archive/ZipEntryList.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

struct zip;

namespace pelmora::archive {

// An entry of an archive to extract, as its directory declares it.
struct ExtractEntry {
    std::uint64_t index;
    std::string name;
    std::uint64_t size;
};

// The archive component behind back-up and restore: adds files to a zip archive under their
// bare names and extracts such an archive into a directory, reporting each file's progress and
// the zip library's messages through events, and stopping when its cancel flag is set.
//
// Archives are written complete or not at all: the zip library writes a temporary file beside
// the archive and renames it only after the last entry, so a failed or cancelled Add leaves
// the previous file (or none) in place. Extract checks every entry name before it writes
// anything and writes each file under a temporary name first.
class TZipMaster {
public:
    enum ProgressKind { NewFile = 0, BlockDone = 1, FileDone = 2 };
    // Size of the blocks reported as kind 1.
    static constexpr std::uint64_t blockSize = 32768;

    using MessageEvent = std::function<void(int errorCode, const std::string& text)>;
    using ProgressEvent = std::function<void(int kind, const std::string& fileName, std::uint64_t fileSize)>;

    // Setting the archive's path reads its entry list when the file exists (ZipReadError when
    // it cannot be read); the list is kept in ZipContents().
    void setZipFilename(const std::filesystem::path& path);
    const std::filesystem::path& ZipFilename() const { return m_zipFilename; }
    const std::vector<ZipEntryInfo>& ZipContents() const { return m_contents; }

    std::vector<std::filesystem::path> FSpecArgs; // files to add
    std::filesystem::path ExtrBaseDir; // where Extract writes
    bool Verbose = false;
    bool Trace = false;
    int AddCompLevel = 9;
    bool ExtrOverwrite = true;

    MessageEvent OnMessage;
    ProgressEvent OnProgress;

    // Both return the number of files processed, also available as SuccessCnt(). A failure of
    // the zip library is reported through OnMessage and raised as ArchiveError (the count keeps
    // its previous value); a cancel raises ArchiveCanceled. The checks that come before the
    // library is called ("Error - no files to zip", ...) are reported through OnMessage and
    // return the previous count.
    int Add();
    int Extract();
    int SuccessCnt() const { return m_successCount; }

    // Asks the running operation to stop at its next block; cleared when an operation starts.
    void Cancel() { m_cancel = true; }
    bool Cancelled() const { return m_cancel; }

    // Called by the library code for each message and each block.
    void message(int errorCode, std::string text);
    void progress(int kind, const std::string& fileName, std::uint64_t fileSize);
    // A line about each file, sent only when Verbose is set.
    void verboseMessage(const std::string& text)
    {
        if (Verbose)
            message(0, text);
    }

private:
    int runGuarded(bool& running, int (TZipMaster::*operation)());
    int runAdd();
    int runExtract();
    void checkFreeSpace(const std::vector<ExtractEntry>& entries);
    void extractEntry(struct zip* archive, std::uint64_t index, const std::string& name, std::uint64_t size,
        const std::filesystem::path& partial);
    [[noreturn]] void fail(const std::string& detail);

    std::filesystem::path m_zipFilename;
    std::vector<ZipEntryInfo> m_contents;
    int m_successCount = 0;
    bool m_cancel = false;
    bool m_adding = false;
    bool m_extracting = false;
};

} // namespace pelmora::archive
