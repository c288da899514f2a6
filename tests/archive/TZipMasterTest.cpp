#include "archive/TZipMaster.h"

#include "archive/ArchiveError.h"
#include "TestSupport.h"
#include "ZipFixtures.h"

#include <gtest/gtest.h>

#include <random>

using namespace pelmora::archive;
using namespace pelmora::test;
namespace fs = std::filesystem;

namespace {

std::string randomBytes(std::size_t size, unsigned seed)
{
    std::mt19937 generator(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(generator() % 16); // compressible, but not trivially
    return bytes;
}

struct Recorder {
    std::vector<std::pair<int, std::string>> messages;
    std::vector<std::pair<int, std::string>> progress;

    void attach(TZipMaster& zip)
    {
        zip.OnMessage = [this](int code, const std::string& text) { messages.emplace_back(code, text); };
        zip.OnProgress
            = [this](int kind, const std::string& name, std::uint64_t) { progress.emplace_back(kind, name); };
    }
    int count(int kind) const
    {
        int n = 0;
        for (const auto& report : progress)
            n += report.first == kind;
        return n;
    }
    bool said(const std::string& text) const
    {
        for (const auto& message : messages)
            if (message.second == text)
                return true;
        return false;
    }
};

class ZipMasterTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        fs::create_directory(m_dir / "source");
        writeFile(m_dir / "source" / "database.sqlite", randomBytes(200000, 1));
        writeFile(m_dir / "source" / "small.txt", "hello");
        writeFile(m_dir / "source" / "empty.bin", "");
        fs::create_directory(m_dir / "target");
        recorder.attach(zip);
        zip.Verbose = true;
    }
    std::vector<fs::path> sourceFiles() const
    {
        return { m_dir / "source" / "database.sqlite", m_dir / "source" / "small.txt", m_dir / "source" / "empty.bin" };
    }
    fs::path archive() const { return m_dir / "backup.pmb"; }

    TempDir m_dir;
    TZipMaster zip;
    Recorder recorder;
};

} // namespace

TEST_F(ZipMasterTest, WritesArchivesThatOtherToolsReadAndReadsThemBack)
{
    zip.setZipFilename(archive());
    zip.FSpecArgs = sourceFiles();
    EXPECT_EQ(3, zip.Add());
    EXPECT_EQ(0, shell("unzip -tqq " + quoted(archive())).status);
    ShellResult listing = shell("python3 -c \"import zipfile,sys; z=zipfile.ZipFile(sys.argv[1]); "
                                "assert z.testzip() is None; print(' '.join(i.filename+':'+str(i.compress_type) "
                                "for i in z.infolist()))\" "
        + quoted(archive()));
    EXPECT_EQ("database.sqlite:8 small.txt:8 empty.bin:8\n", listing.out);

    zip.setZipFilename(archive());
    EXPECT_EQ(3u, zip.ZipContents().size());
    zip.ExtrBaseDir = m_dir / "target";
    EXPECT_EQ(3, zip.Extract());
    for (const char* name : { "database.sqlite", "small.txt", "empty.bin" })
        EXPECT_EQ(readFile(m_dir / "source" / name), readFile(m_dir / "target" / name)) << name;
}

TEST_F(ZipMasterTest, ReportsEachFileAndBlockAsProgress)
{
    zip.setZipFilename(archive());
    zip.FSpecArgs = sourceFiles();
    zip.Add();
    EXPECT_EQ(3, recorder.count(TZipMaster::NewFile));
    EXPECT_EQ(3, recorder.count(TZipMaster::FileDone));
    EXPECT_EQ(200000 / 32768, recorder.count(TZipMaster::BlockDone));
    EXPECT_EQ(std::make_pair(0, std::string("database.sqlite")), recorder.progress.front());

    recorder.progress.clear();
    zip.ExtrBaseDir = m_dir / "target";
    zip.Extract();
    EXPECT_EQ(3, recorder.count(TZipMaster::NewFile));
    EXPECT_EQ(3, recorder.count(TZipMaster::FileDone));
    EXPECT_GE(recorder.count(TZipMaster::BlockDone), 200000 / 32768);
}

TEST_F(ZipMasterTest, ChecksBeforeCallingTheLibrary)
{
    // An Add started from within a running Add is ignored and gives the previous count.
    zip.setZipFilename(archive());
    zip.FSpecArgs = sourceFiles();
    int nested = -1;
    zip.OnProgress = [&](int kind, const std::string&, std::uint64_t) {
        if (kind == TZipMaster::NewFile && nested < 0)
            nested = zip.Add();
    };
    EXPECT_EQ(3, zip.Add());
    EXPECT_EQ(0, nested);
    recorder.attach(zip);
    zip.FSpecArgs.clear();

    EXPECT_EQ(3, zip.Add()) << "the count of the last run";
    EXPECT_TRUE(recorder.said("Error - no files to zip"));
    TZipMaster unnamed;
    recorder.attach(unnamed);
    unnamed.FSpecArgs = sourceFiles();
    EXPECT_EQ(0, unnamed.Add());
    EXPECT_TRUE(recorder.said("Error - no zip file specified"));
}

// A cancelled or failed Add leaves the archive that was there before, byte for byte, and no
// temporary file beside it.
TEST_F(ZipMasterTest, AnInterruptedAddLeavesThePreviousArchive)
{
    writeFile(archive(), "previous archive");
    zip.OnProgress = [this](int kind, const std::string&, std::uint64_t) {
        if (kind == TZipMaster::BlockDone)
            zip.Cancel();
    };
    zip.FSpecArgs = sourceFiles();
    zip.setZipFilename(m_dir / "new.pmb");
    EXPECT_THROW(zip.Add(), ArchiveCanceled);
    EXPECT_FALSE(fs::exists(m_dir / "new.pmb"));

    zip.OnProgress = nullptr;
    zip.FSpecArgs.push_back(m_dir / "source" / "missing.db");
    EXPECT_THROW(zip.Add(), ArchiveError);
    EXPECT_TRUE(recorder.said("Fatal DLL Error: abort exception"));
    EXPECT_EQ("previous archive", readFile(archive()));
    EXPECT_EQ(3, std::distance(fs::directory_iterator(m_dir.path()), fs::directory_iterator()))
        << "only source, target, the archive and nothing else";
}

TEST_F(ZipMasterTest, RefusesEntriesThatAreNotBareNamesAndWritesNothing)
{
    const std::vector<std::vector<FixtureEntry>> hostile = {
        { { "good.txt", "ok" }, { "../escaped.txt", "evil" } },
        { { "good.txt", "ok" }, { "/tmp/absolute.txt", "evil" } },
        { { "good.txt", "ok" }, { "sub/dir.txt", "evil" } },
        { { "good.txt", "ok" }, { "..\\windows.txt", "evil" } },
        { { "good.txt", "ok" }, { "link.txt", "/etc/passwd", true } },
    };
    for (const auto& entries : hostile) {
        SCOPED_TRACE(entries.back().name);
        makeArchive(archive(), entries);
        zip.setZipFilename(archive());
        zip.ExtrBaseDir = m_dir / "target";
        EXPECT_THROW(zip.Extract(), ArchiveError);
        EXPECT_TRUE(fs::is_empty(m_dir / "target"));
        EXPECT_FALSE(fs::exists(m_dir / "escaped.txt"));
    }
}

TEST_F(ZipMasterTest, RefusesCorpusArchivesWithDuplicateOrEncryptedEntries)
{
    if (corpusDir().empty())
        PELMORA_SKIP_OR_FAIL("corpus not present");
    for (const char* name : { "libzip__filename_duplicate.zip", "libzip__encrypt.zip" }) {
        SCOPED_TRACE(name);
        zip.setZipFilename(corpusDir() / "zip" / name);
        zip.ExtrBaseDir = m_dir / "target";
        EXPECT_THROW(zip.Extract(), ArchiveError);
        EXPECT_TRUE(fs::is_empty(m_dir / "target"));
    }
}

TEST_F(ZipMasterTest, ExtractsArchivesOfOtherTools)
{
    std::string dir = quoted(m_dir / "source");
    ASSERT_EQ(0, shell("cd " + dir + " && zip -q -9 ../infozip.zip database.sqlite small.txt").status);
    ASSERT_EQ(0, shell("cd " + dir + " && zip -q -9 -fd ../descriptor.zip database.sqlite small.txt").status);
    ASSERT_EQ(0, shell("cd " + dir + " && zip -q -9 - database.sqlite small.txt | cat > ../piped.zip").status);
    ASSERT_EQ(0,
        shell("cd " + dir
            + " && python3 -c \"import zipfile; z=zipfile.ZipFile('../python.zip','w',"
              "zipfile.ZIP_DEFLATED); z.write('database.sqlite'); z.write('small.txt'); z.close()\"")
            .status);
    for (const char* name : { "infozip.zip", "descriptor.zip", "piped.zip", "python.zip" }) {
        SCOPED_TRACE(name);
        fs::remove_all(m_dir / "target");
        fs::create_directory(m_dir / "target");
        zip.setZipFilename(m_dir / name);
        zip.ExtrBaseDir = m_dir / "target";
        EXPECT_EQ(2, zip.Extract());
        EXPECT_EQ(readFile(m_dir / "source" / "database.sqlite"), readFile(m_dir / "target" / "database.sqlite"));
    }
}

TEST_F(ZipMasterTest, ADamagedArchiveWritesNoFile)
{
    zip.setZipFilename(archive());
    zip.FSpecArgs = sourceFiles();
    zip.Add();
    std::string bytes = readFile(archive());
    bytes[bytes.size() / 3] ^= 0x55; // inside the first entry's deflated data
    writeFile(m_dir / "damaged.pmb", bytes);
    writeFile(m_dir / "truncated.pmb", bytes.substr(0, bytes.size() / 2));
    writeFile(m_dir / "text.pmb", "not an archive at all, just some words");
    for (const char* name : { "damaged.pmb", "truncated.pmb", "text.pmb" }) {
        SCOPED_TRACE(name);
        zip.ExtrBaseDir = m_dir / "target";
        try {
            zip.setZipFilename(m_dir / name);
            zip.Extract();
            ADD_FAILURE() << "no error";
        } catch (const ArchiveError&) {
        }
        EXPECT_TRUE(fs::is_empty(m_dir / "target"));
    }
}

TEST_F(ZipMasterTest, ACancelledExtractStopsAndLeavesNoPartialFile)
{
    zip.setZipFilename(archive());
    zip.FSpecArgs = sourceFiles();
    zip.Add();
    zip.OnProgress = [this](int kind, const std::string&, std::uint64_t) {
        if (kind == TZipMaster::BlockDone)
            zip.Cancel();
    };
    zip.ExtrBaseDir = m_dir / "target";
    EXPECT_THROW(zip.Extract(), ArchiveCanceled);
    EXPECT_TRUE(fs::is_empty(m_dir / "target"));
}

// A cancel pressed while the last file is reported still cancels: the caller must not take what
// was extracted for a finished restore.
TEST_F(ZipMasterTest, ACancelAtTheVeryEndStillCancels)
{
    zip.setZipFilename(archive());
    zip.FSpecArgs = sourceFiles();
    zip.Add();
    int files = 0;
    zip.OnProgress = [&](int kind, const std::string&, std::uint64_t) {
        if (kind == TZipMaster::FileDone && ++files == 3)
            zip.Cancel();
    };
    zip.ExtrBaseDir = m_dir / "target";
    EXPECT_THROW(zip.Extract(), ArchiveCanceled);

    // Add: cancelled as the last file (database.sqlite) ends; the previous archive stays.
    std::string previous = readFile(archive());
    std::string current;
    zip.OnProgress = [&](int kind, const std::string& name, std::uint64_t) {
        if (kind == TZipMaster::NewFile)
            current = name;
        else if (kind == TZipMaster::FileDone && current == "database.sqlite")
            zip.Cancel();
    };
    zip.FSpecArgs
        = { m_dir / "source" / "small.txt", m_dir / "source" / "empty.bin", m_dir / "source" / "database.sqlite" };
    EXPECT_THROW(zip.Add(), ArchiveCanceled);
    EXPECT_EQ(previous, readFile(archive()));
}

// A name close to the file system's limit of 255 bytes is a valid archive name; writing it may
// not depend on a longer temporary name beside it.
TEST_F(ZipMasterTest, WritesAnArchiveWhoseNameIsNearTheLimit)
{
    fs::path path = m_dir / (std::string(247, 'n') + ".pmb");
    zip.setZipFilename(path);
    zip.FSpecArgs = sourceFiles();
    EXPECT_EQ(3, zip.Add());
    EXPECT_EQ(0, shell("unzip -tq " + quoted(path)).status);
    int entries = 0;
    for (const auto& entry : fs::directory_iterator(m_dir.path()))
        entries += entry.path().filename().string().front() == '.';
    EXPECT_EQ(0, entries) << "a temporary file was left";
}

// An entry packed with a method the zip library lacks (here the number 97, WavPack) is refused
// before anything is written, in words the user can act on.
TEST_F(ZipMasterTest, RefusesAnUnknownCompressionMethodBeforeWriting)
{
    fs::path path = m_dir / "method.zip";
    std::string script = "import zipfile, struct\n"
                         "z = zipfile.ZipFile('"
        + path.string()
        + "', 'w', zipfile.ZIP_STORED)\n"
          "z.writestr('small.txt', 'hello'); z.writestr('database.sqlite', 'data'); z.close()\n"
          "b = bytearray(open('"
        + path.string()
        + "', 'rb').read())\n"
          "central = b.find(b'PK\\x01\\x02', b.find(b'PK\\x01\\x02') + 4)\n"
          "local = struct.unpack('<I', b[central + 42:central + 46])[0]\n"
          "b[local + 8:local + 10] = b[central + 10:central + 12] = struct.pack('<H', 97)\n"
          "open('"
        + path.string() + "', 'wb').write(b)\n";
    writeFile(m_dir / "make.py", script);
    ASSERT_EQ(0, shell("python3 " + quoted(m_dir / "make.py")).status);
    zip.setZipFilename(path);
    zip.ExtrBaseDir = m_dir / "target";
    EXPECT_THROW(zip.Extract(), ArchiveError);
    EXPECT_TRUE(fs::is_empty(m_dir / "target"));
    EXPECT_TRUE(recorder.said("The archive entry \"database.sqlite\" is compressed with a method this program can "
                              "not read; nothing was extracted"));
}

// An archive that would fill the disk is refused before anything is written; one whose entry
// expands past the size it declares is stopped at once. Neither leaves a file behind.
TEST_F(ZipMasterTest, RefusesArchivesThatExpandPastTheDiskOrTheirWord)
{
    fs::path bomb = m_dir / "bomb.pmb";
    makeArchive(bomb, { { "database.sqlite", std::string(8 << 20, '\0') } });
    ASSERT_LT(fs::file_size(bomb), 64u << 10);
    declareSize(bomb, 1000);
    std::uint64_t expanded = 0;
    zip.OnProgress = [&](int kind, const std::string&, std::uint64_t) { expanded += kind == TZipMaster::BlockDone; };
    zip.setZipFilename(bomb);
    zip.ExtrBaseDir = m_dir / "target";
    EXPECT_THROW(zip.Extract(), ArchiveError);
    EXPECT_EQ(0u, expanded);
    EXPECT_TRUE(fs::is_empty(m_dir / "target"));
    EXPECT_TRUE(recorder.said("The archive entry \"database.sqlite\" is larger than the archive says (1000 bytes); "
                              "extracting was stopped"));

    const std::uint64_t each = 0xFFFFFFFEu;
    const std::uint64_t entries = fs::space(m_dir / "target").available / each + 2;
    std::vector<FixtureEntry> many;
    for (std::uint64_t i = 0; i < entries; ++i)
        many.push_back({ "part" + std::to_string(i), "x" });
    fs::path huge = m_dir / "huge.pmb";
    makeArchive(huge, many);
    declareSize(huge, static_cast<std::uint32_t>(each));
    recorder.messages.clear();
    zip.setZipFilename(huge);
    EXPECT_THROW(zip.Extract(), ArchiveError);
    EXPECT_TRUE(fs::is_empty(m_dir / "target"));
    ASSERT_GE(recorder.messages.size(), 2u);
    EXPECT_NE(std::string::npos, recorder.messages[recorder.messages.size() - 2].second.find("bytes are free in"));
}
