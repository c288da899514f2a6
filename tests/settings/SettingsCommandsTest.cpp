#include "CommandHome.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <sys/stat.h>

namespace fs = std::filesystem;
using pelmora::test::CommandHome;
using pelmora::test::readFile;
using pelmora::test::runPelmora;
using pelmora::test::TempDir;
using pelmora::test::writeFile;

namespace {

class SettingsCommands : public testing::Test {
protected:
    nlohmann::ordered_json show()
    {
        const auto result = m_home.run({ "settings" });
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return nlohmann::ordered_json::parse(result.out);
    }

    CommandHome m_home;
    fs::path m_ini = m_home / "pelmora.ini";
};

TEST_F(SettingsCommands, FirstStartShowsTheDefaults)
{
    const auto json = show();
    std::vector<std::string> keys;
    for (const auto& item : json.items())
        keys.push_back(item.key());
    EXPECT_EQ(keys,
        (std::vector<std::string> { "SmtpServer", "EMail Address", "Sender Name", "CharSet", "Encoding", "Server",
            "User Name", "Password", "RAS", "DefImp", "DefImpStr", "LastData", "FileHtm", "LastDataName",
            "Log File" }));
    EXPECT_EQ(json["DefImp"], 1);
    EXPECT_EQ(json["RAS"], 0);
    EXPECT_EQ(json["FileHtm"], "1");
    EXPECT_EQ(json["LastData"], (m_home / "data").string());
    EXPECT_EQ(json["LastDataName"], "");
    EXPECT_FALSE(fs::exists(m_ini)) << "showing settings writes nothing";
}

TEST_F(SettingsCommands, SetWritesTheFileAsAtExit)
{
    writeFile(m_ini, "[Setup]\r\nLastData=Sample\r\nLog File=/tmp/a.log\r\n");
    const auto result = m_home.run({ "settings", "set", "server=pop.example.com", "Password=two words", "CharSet=4" });
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto json = show();
    EXPECT_EQ(json["Server"], "pop.example.com");
    EXPECT_EQ(json["Password"], "two words");
    EXPECT_EQ(json["CharSet"], 4);
    EXPECT_EQ(json["Log File"], "/tmp/a.log");
    const std::string text = readFile(m_ini);
    EXPECT_NE(text.find("LastData=" + (m_home / "data").string() + "\r\n"), std::string::npos) << text;
    EXPECT_NE(text.find("FileHtm=1\r\n"), std::string::npos);
    struct stat info { };
    ASSERT_EQ(::stat(m_ini.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    EXPECT_TRUE(fs::is_directory(m_home / "attach"));
    EXPECT_TRUE(fs::is_directory(m_home / "Docs"));
}

TEST_F(SettingsCommands, LogFileIsWrittenOnlyWhenSetOnPurpose)
{
    ASSERT_EQ(m_home.run({ "settings", "set", "Log File=/tmp/smtp.log" }).exitCode, 0);
    EXPECT_EQ(show()["Log File"], "/tmp/smtp.log");
    ASSERT_EQ(m_home.run({ "settings", "set", "Server=x" }).exitCode, 0);
    EXPECT_EQ(show()["Log File"], "/tmp/smtp.log");
}

TEST_F(SettingsCommands, BadArgumentsChangeNothing)
{
    writeFile(m_ini, "[Setup]\nServer=old\n");
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        const char* message;
    };
    const Case cases[] = {
        { { "settings", "set", "Server=new", "Colour=blue" }, 1, "Unknown setting \"Colour\"" },
        { { "settings", "set", "Server=new", "RAS=two" }, 1, "RAS must be a whole number" },
        { { "settings", "set", "Server=new", "Password=a\nb" }, 1, "line break" },
        { { "settings", "set", "Server=new", "noequals" }, 2, "KEY=VALUE" },
        { { "settings", "set", "=value" }, 2, "KEY=VALUE" },
        { { "settings", "set" }, 2, "KEY=VALUE" },
        { { "settings", "frobnicate" }, 2, "Unknown settings command" },
    };
    for (const Case& c : cases) {
        const auto result = m_home.run(c.args);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.args.back();
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
        EXPECT_EQ(readFile(m_ini), "[Setup]\nServer=old\n");
    }
}

TEST(SettingsCommandsProgram, IniIsNamedAfterTheExecutableBesideIt)
{
    const char* binary = std::getenv("PELMORA_BINARY");
    ASSERT_NE(binary, nullptr) << "run through ctest";
    const std::string original = binary;
    TempDir dir;
    const fs::path copy = dir / "contacts";
    fs::copy_file(original, copy);
    ::setenv("PELMORA_BINARY", copy.c_str(), 1);
    const auto result = runPelmora({ "settings", "set", "LastDataName=Sample" });
    ::setenv("PELMORA_BINARY", original.c_str(), 1);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(readFile(dir / "contacts.ini").find("LastDataName=Sample"), std::string::npos);
    EXPECT_TRUE(fs::is_directory(dir / "data"));
}

} // namespace
