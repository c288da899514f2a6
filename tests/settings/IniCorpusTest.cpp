// Real INI files written by other programs and other libraries' test suites: each must read
// without harm, survive an untouched write byte for byte, and keep everything it holds when the
// program adds its own settings.
#include "settings/IniFile.h"
#include "settings/Settings.h"
#include "SettingsSamples.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

namespace fs = std::filesystem;
using pelmora::settings::IniFile;
using pelmora::settings::Settings;
using pelmora::test::corpusDir;
using pelmora::test::readFile;

namespace {

fs::path iniCorpus()
{
    const fs::path dir = corpusDir();
    return dir.empty() ? dir : dir / "ini";
}

#define SKIP_WITHOUT_CORPUS()                                                                                          \
    if (iniCorpus().empty() || !fs::is_directory(iniCorpus()))                                                         \
    PELMORA_SKIP_OR_FAIL("test corpus not present")

Settings someSettings()
{
    Settings s;
    s.server = "pop.example.com";
    s.password = "secret";
    s.ras = 2;
    s.lastDataName = "Sample";
    return s;
}

TEST(IniCorpus, EveryFileKeepsItsBytesAndGainsOnlyOurSection)
{
    SKIP_WITHOUT_CORPUS();
    int files = 0;
    for (const auto& entry : fs::directory_iterator(iniCorpus())) {
        SCOPED_TRACE(entry.path().filename().string());
        ++files;
        const std::string original = readFile(entry.path());
        const IniFile ini = IniFile::parse(original);
        EXPECT_EQ(ini.serialize(), original);

        pelmora::test::TempDir dir;
        const fs::path copy = dir / "pelmora.ini";
        pelmora::test::writeFile(copy, original);
        EXPECT_EQ(Settings::load(copy), Settings()) << "no corpus file has a Setup section";
        someSettings().save(copy);
        EXPECT_EQ(Settings::load(copy), someSettings());
        const std::string written = IniFile::load(copy).serialize();
        // Our section is appended; what was there stays as it was, up to the line end the
        // last line may have lacked.
        std::string kept = IniFile::parse(original).serialize();
        EXPECT_EQ(written.substr(0, kept.size()), kept);
        EXPECT_EQ(IniFile::load(copy).encoding(), ini.encoding());
    }
    EXPECT_GE(files, 12);
}

TEST(IniCorpus, ReadsWhatTheFilesSay)
{
    SKIP_WITHOUT_CORPUS();
    auto load = [](const char* name) { return IniFile::load(iniCorpus() / name); };
    EXPECT_EQ(load("eudora2unix__Eudora.ini").value("settings", "SMTPServer"), "mail.arlut.utexas.edu");
    EXPECT_EQ(load("inih__bom.ini").value("bom_section", "bom_name"), "bom_value");
    EXPECT_EQ(load("inih__no_value.ini").value("section_list", "section1"), "");
    EXPECT_EQ(load("inih__no_value.ini").value("section1", "key1"), "val1");
    EXPECT_EQ(load("inih__duplicate_sections.ini").value("section1", "single2"), "xyz");
    EXPECT_EQ(load("rickyah__INIfileBADKeys.ini").value("seccion1", "value1"), "10.6");
    EXPECT_EQ(load("rickyah__INIfileBADSection.ini").value("seccion1", "value2"), "10.6");
    EXPECT_EQ(load("inih__normal.ini").value("section 2", "happy"), "4");
    EXPECT_EQ(load("goini__UTF-16-LE-BOM.ini").value("author", "E-MAIL"), "example@email.com");
    EXPECT_EQ(load("goini__UTF-16-LE-BOM.ini").encoding(), IniFile::Encoding::Utf16Le);
    EXPECT_EQ(load("iniparser__empty.ini").serialize(), "");
}

} // namespace
