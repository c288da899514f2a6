#include "archive/ZipEntryList.h"

#include "archive/ArchiveError.h"
#include "TestSupport.h"
#include "ZipFixtures.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace pelmora::archive;
using namespace pelmora::test;

namespace {

std::vector<std::string> names(const std::vector<ZipEntryInfo>& entries)
{
    std::vector<std::string> result;
    for (const ZipEntryInfo& entry : entries)
        result.push_back(entry.name);
    return result;
}

std::string readError(const std::string& bytes)
{
    std::istringstream in(bytes);
    try {
        readZipEntryList(in, bytes.size());
    } catch (const ZipReadError& error) {
        return error.what();
    }
    return "no error";
}

std::string localHeader(std::uint32_t compressedSize, const std::string& name)
{
    std::string header("PK\x03\x04", 4);
    header += std::string(14, '\0');
    for (int shift = 0; shift < 32; shift += 8)
        header += static_cast<char>((compressedSize >> shift) & 0xFF);
    header += std::string(4, '\0');
    header += static_cast<char>(name.size());
    header += std::string(3, '\0');
    return header + name;
}

} // namespace

// Raw entry names (hex, one a line) as Python's zipfile reads them from the central directory.
ShellResult pythonListing(const std::filesystem::path& archive)
{
    return shell("python3 -c \"import zipfile,sys\n"
                 "for i in zipfile.ZipFile(sys.argv[1]).infolist():\n"
                 "  print((i.filename.encode('utf-8') if i.flag_bits & 0x800 else i.filename.encode('cp437')).hex())\" "
        + quoted(archive));
}

std::string hexLines(const std::vector<ZipEntryInfo>& entries)
{
    static const char digits[] = "0123456789abcdef";
    std::string text;
    for (const ZipEntryInfo& entry : entries) {
        for (unsigned char c : entry.name)
            text += std::string { digits[c >> 4], digits[c & 15] };
        text += '\n';
    }
    return text;
}

// The entries of every archive that Python lists must come out the same, in the same order; the
// others must fail with a reading error, never crash or loop. An archive whose local header
// contradicts its central directory is refused although the directory alone reads.
TEST(ZipEntryList, AgreesWithPythonOnTheCorpus)
{
    std::filesystem::path dir = corpusDir() / "zip";
    if (corpusDir().empty() || !std::filesystem::is_directory(dir))
        PELMORA_SKIP_OR_FAIL("corpus not present");
    for (const auto& file : std::filesystem::directory_iterator(dir)) {
        SCOPED_TRACE(file.path().filename().string());
        bool inconsistent = file.path().filename().string().find("incons") != std::string::npos;
        ShellResult listing = pythonListing(file.path());
        try {
            auto entries = readZipEntryList(file.path());
            EXPECT_FALSE(inconsistent);
            if (listing.status == 0) {
                EXPECT_EQ(listing.out, hexLines(entries));
            }
        } catch (const ZipReadError& error) {
            EXPECT_TRUE(listing.status != 0 || inconsistent) << error.what();
        }
    }
}

// A streamed archive's local headers carry no sizes; the central directory supplies them.
TEST(ZipEntryList, ReadsStreamedEntriesThroughTheCentralDirectory)
{
    TempDir dir;
    writeFile(dir / "input.txt", std::string(100000, 'x') + "tail");
    std::string made = "cd " + quoted(dir.path())
        + " && python3 -c \"import zipfile,sys\n"
          "class S:\n"
          "  def __init__(s,f): s.f=f\n"
          "  def write(s,b): return s.f.write(b)\n"
          "  def flush(s): s.f.flush()\n"
          "with open('streamed.zip','wb') as f:\n"
          "  z=zipfile.ZipFile(S(f),'w',zipfile.ZIP_DEFLATED)\n"
          "  z.write('input.txt','first.txt'); z.write('input.txt','second.txt'); z.close()\"";
    ASSERT_EQ(0, shell(made).status);
    auto entries = readZipEntryList(dir / "streamed.zip");
    ASSERT_EQ((std::vector<std::string> { "first.txt", "second.txt" }), names(entries));
    EXPECT_NE(0, entries[0].flags & 0x0008);
    EXPECT_EQ(100004u, entries[1].size);
    EXPECT_GT(entries[1].compressedSize, 0u);
}

TEST(ZipEntryList, ReportsEachReadingError)
{
    EXPECT_EQ("Error 1 reading Zip File", readError(""));
    EXPECT_EQ("Error 1 reading Zip File", readError("This is a plain text file, not an archive.\n"));
    EXPECT_EQ("Error 2 reading Zip file", readError(std::string("PK\x03\x04", 4) + "short"));
    EXPECT_EQ("Error 2 reading Zip file", readError(localHeader(0, "name.txt").substr(0, 33)));
    // The stated data runs past the end of the file.
    EXPECT_EQ("Error 3 reading Zip file", readError(localHeader(5000, "a.txt") + std::string(100, 'd')));
    // A large file that is no archive is scanned to its end and refused.
    EXPECT_EQ("Error 1 reading Zip File", readError(std::string(8 << 20, '\0') + "PK"));
    // Room for the entry but none left for the end record.
    EXPECT_EQ("Error 3 reading Zip file", readError(localHeader(10, "a.txt") + std::string(20, 'd')));
}

TEST(ZipEntryList, ReadsArchivesOfInfoZipAndStopsAtTheDirectory)
{
    TempDir dir;
    writeFile(dir / "one.db", std::string(70000, 'a'));
    writeFile(dir / "two.db", "second");
    ASSERT_EQ(0, shell("cd " + quoted(dir.path()) + " && zip -q -9 made.zip one.db two.db").status);
    auto entries = readZipEntryList(dir / "made.zip");
    ASSERT_EQ((std::vector<std::string> { "one.db", "two.db" }), names(entries));
    EXPECT_EQ(70000u, entries[0].size);
    EXPECT_EQ(8u, entries[0].method);
}
