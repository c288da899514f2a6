#include "settings/Settings.h"
#include "SettingsSamples.h"

#include "base/Error.h"
#include "settings/IniFile.h"
#include "settings/Paths.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace fs = std::filesystem;
using pelmora::settings::Paths;
using pelmora::settings::Settings;
using pelmora::test::readFile;
using pelmora::test::TempDir;
using pelmora::test::writeFile;

namespace {

class SettingsTest : public testing::Test {
protected:
    TempDir m_dir;
    fs::path m_ini = m_dir / "pelmora.ini";
};

Settings everyFieldSet()
{
    Settings s = pelmora::settings::filledSettings();
    s.password = " p=w;\"x\" "; // blanks and quotes that a plain write would lose
    return s;
}

mode_t fileMode(const fs::path& path)
{
    struct stat info { };
    EXPECT_EQ(::stat(path.c_str(), &info), 0);
    return info.st_mode & 07777;
}

TEST_F(SettingsTest, MissingFileGivesTheDefaults)
{
    const Settings s = Settings::load(m_ini);
    EXPECT_EQ(s, Settings());
    EXPECT_EQ(s.defImp, 1);
    EXPECT_EQ(s.ras, 0);
    EXPECT_FALSE(fs::exists(m_ini));
}

TEST_F(SettingsTest, FirstWriteHasTheFourteenKeysInOrder)
{
    Settings().save(m_ini);
    EXPECT_EQ(readFile(m_ini),
        "[Setup]\nSmtpServer=\nEMail Address=\nSender Name=\nCharSet=0\nEncoding=0\n"
        "Server=\nUser Name=\nPassword=\nRAS=0\nDefImp=1\nDefImpStr=\nLastData=\n"
        "FileHtm=\nLastDataName=\n");
}

TEST_F(SettingsTest, SavedSettingsLoadBackUnchanged)
{
    const Settings s = everyFieldSet();
    s.save(m_ini);
    EXPECT_EQ(Settings::load(m_ini), s);
    s.save(m_ini); // a second write replaces values rather than adding keys
    EXPECT_EQ(Settings::load(m_ini), s);
    EXPECT_EQ(readFile(m_ini).find("Server=pop"), readFile(m_ini).rfind("Server=pop"));
}

TEST_F(SettingsTest, LogFileIsReadButNeverWrittenAtExit)
{
    writeFile(m_ini, "[Setup]\r\nLog File=/tmp/smtp.log\r\nCharSet=banana\r\n");
    Settings s = Settings::load(m_ini);
    EXPECT_EQ(s.logFile, "/tmp/smtp.log");
    EXPECT_EQ(s.charSet, 0);
    s.logFile = "/elsewhere.log";
    s.save(m_ini);
    EXPECT_EQ(Settings::load(m_ini).logFile, "/tmp/smtp.log");
    EXPECT_EQ(Settings::load(m_ini).charSet, 0);
    s.save(m_ini, true);
    EXPECT_EQ(Settings::load(m_ini).logFile, "/elsewhere.log");
}

TEST_F(SettingsTest, KeepsForeignContentAndLineEnds)
{
    writeFile(m_ini, "; written by hand\r\n[Window]\r\nLeft=10\r\n[SETUP]\r\nserver=old\r\nExtra=kept\r\n");
    everyFieldSet().save(m_ini);
    const std::string text = readFile(m_ini);
    EXPECT_EQ(text.rfind(
                  "; written by hand\r\n[Window]\r\nLeft=10\r\n[SETUP]\r\nserver=pop.example.com\r\nExtra=kept\r\n", 0),
        0u)
        << text;
    EXPECT_EQ(text.find("\n\n"), std::string::npos);
    EXPECT_EQ(text.find('\n'), text.find("\r\n") + 1);
}

TEST_F(SettingsTest, FileIsOwnerOnlyAndReplacedWhole)
{
    everyFieldSet().save(m_ini);
    EXPECT_EQ(fileMode(m_ini), 0600u);
    ::chmod(m_ini.c_str(), 0644);
    everyFieldSet().save(m_ini);
    EXPECT_EQ(fileMode(m_ini), 0600u) << "a password must not stay readable by others";
    for (const auto& entry : fs::directory_iterator(m_dir.path()))
        EXPECT_EQ(entry.path().filename(), "pelmora.ini") << "temporary file left behind";
}

TEST_F(SettingsTest, SymbolicLinkIsFollowedNotReplaced)
{
    fs::create_directory(m_dir / "real");
    fs::create_symlink(m_dir / "real" / "p.ini", m_ini);
    everyFieldSet().save(m_ini);
    EXPECT_TRUE(fs::is_symlink(m_ini));
    EXPECT_EQ(Settings::load(m_dir / "real" / "p.ini"), everyFieldSet());
}

TEST_F(SettingsTest, FailedWriteLeavesTheOldFile)
{
    writeFile(m_ini, "[Setup]\nServer=old\n");
    Settings s;
    s.server = "line\nbreak";
    EXPECT_THROW(s.save(m_ini), pelmora::Error);
    EXPECT_THROW(Settings().save(m_dir / "missing" / "x.ini"), pelmora::Error);
    EXPECT_EQ(readFile(m_ini), "[Setup]\nServer=old\n");
}

TEST_F(SettingsTest, OnlyARegularFileIsReadOrReplaced)
{
    fs::create_directory(m_ini);
    EXPECT_THROW(Settings::load(m_ini), pelmora::Error);
    fs::remove(m_ini);
    fs::create_symlink("/dev/null", m_ini);
    EXPECT_THROW(Settings::load(m_ini), pelmora::Error);
    EXPECT_THROW(pelmora::settings::IniFile().save(m_ini), pelmora::Error);
    EXPECT_TRUE(fs::is_character_file("/dev/null"));
}

TEST_F(SettingsTest, StartAndExitDefaults)
{
    const Paths paths = Paths::forProgramDir(m_dir.path());
    Settings s;
    s.applyStartDefaults(paths);
    EXPECT_EQ(s.fileHtm, "1");
    EXPECT_EQ(s.lastData, (m_dir / "data").string());
    EXPECT_EQ(s.lastDataName, "");

    s.lastData = "Sample";
    s.fileHtm = "9";
    s.applyStartDefaults(paths);
    EXPECT_EQ(s.lastData, (m_dir / "data").string());
    EXPECT_EQ(s.fileHtm, "9");

    s.lastData = "/else";
    s.applyStartDefaults(paths);
    EXPECT_EQ(s.lastData, "/else");
    s.lastData.clear();
    s.applyExitDefaults(paths);
    EXPECT_EQ(s.lastData, (m_dir / "data").string());
}

TEST(SettingsKeys, AccessByNameChecksKeyAndNumber)
{
    Settings s;
    s.set("email address", "a@example.org");
    s.set("RAS", " 3 ");
    EXPECT_EQ(s.emailAddress, "a@example.org");
    EXPECT_EQ(s.get("ras"), "3");
    EXPECT_THROW(s.set("Nonsense", "1"), pelmora::Error);
    EXPECT_THROW(s.set("DefImp", "two"), pelmora::Error);
    EXPECT_THROW(s.set("DefImp", ""), pelmora::Error);
    EXPECT_THROW(s.set("RAS", "-1"), pelmora::Error);
    EXPECT_EQ(s.defImp, 1);
    EXPECT_EQ(pelmora::settings::settingKeys().size(), 15u);
}

} // namespace
