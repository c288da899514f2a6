#include "settings/Paths.h"

#include "base/Error.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

namespace fs = std::filesystem;
using pelmora::settings::iniPathFor;
using pelmora::settings::Paths;
using pelmora::test::TempDir;

namespace {

// Sets an environment variable for one test and puts the old value back afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value)
        : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        value ? ::setenv(name, value, 1) : ::unsetenv(name);
    }
    ~ScopedEnv() { m_old ? ::setenv(m_name, m_old->c_str(), 1) : ::unsetenv(m_name); }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(Paths, IniFileIsNamedAfterTheExecutable)
{
    EXPECT_EQ(iniPathFor("/opt/p/pelmora"), "/opt/p/pelmora.ini");
    EXPECT_EQ(iniPathFor("/opt/p/Contacts.exe"), "/opt/p/Contacts.ini");
    EXPECT_EQ(iniPathFor("/opt/p/my.app.bin"), "/opt/p/my.app.ini");
    EXPECT_EQ(Paths::forProgramDir("/x", "other").iniFile(), "/x/other.ini");
}

TEST(Paths, HomeOptionWins)
{
    TempDir dir;
    const Paths paths = Paths::resolve(dir.path() / "home/", dir / "bin" / "pelmora");
    EXPECT_EQ(paths.programDir(), dir / "home");
    EXPECT_EQ(paths.iniFile(), dir / "home" / "pelmora.ini");
    EXPECT_EQ(paths.attachDir(), dir / "home" / "attach");
    EXPECT_EQ(paths.dataDir(), dir / "home" / "data");
    EXPECT_EQ(paths.pageDir(), dir / "home" / "Docs");
    EXPECT_EQ(paths.helpContents(), dir / "home" / "help" / "help.htm");
    EXPECT_EQ(paths.importWorkFile(), dir / "home" / "tempEmail.eml");
    EXPECT_EQ(paths.emailPrintFile(), dir / "home" / "emailtext.txt");
}

TEST(Paths, WritableExecutableDirectoryIsTheHome)
{
    TempDir dir;
    const Paths paths = Paths::resolve(std::nullopt, dir / "contacts");
    EXPECT_EQ(paths.programDir(), dir.path());
    EXPECT_EQ(paths.iniFile(), dir / "contacts.ini");
}

TEST(Paths, AnInstalledCopyKeepsItsDataInTheUserDataDirectory)
{
    TempDir dir;
    ScopedEnv xdg("XDG_DATA_HOME", (dir / "xdg").c_str());
    fs::create_directories(dir / "prefix" / "bin");
    // A writable bin directory alone is still a portable home...
    EXPECT_EQ(Paths::resolve(std::nullopt, dir / "prefix" / "bin" / "pelmora").programDir(), dir / "prefix" / "bin");
    // ...but beside the share directory an install made, it is an installed program.
    fs::create_directories(dir / "prefix" / "share" / "pelmora");
    EXPECT_EQ(Paths::resolve(std::nullopt, dir / "prefix" / "bin" / "pelmora").programDir(), dir / "xdg" / "pelmora");
}

TEST(Paths, ElseTheUserDataDirectory)
{
    TempDir dir;
    // A directory that does not exist is as unwritable as a read-only one, even for root.
    const fs::path exe = dir / "absent" / "pelmora";
    {
        ScopedEnv xdg("XDG_DATA_HOME", (dir / "xdg").c_str());
        EXPECT_EQ(Paths::resolve(std::nullopt, exe).programDir(), dir / "xdg" / "pelmora");
    }
    {
        ScopedEnv xdg("XDG_DATA_HOME", "relative/ignored");
        ScopedEnv home("HOME", dir.path().c_str());
        EXPECT_EQ(Paths::resolve(std::nullopt, exe).programDir(), dir / ".local" / "share" / "pelmora");
    }
    {
        // Writable for root, but never a portable install.
        ScopedEnv xdg("XDG_DATA_HOME", (dir / "xdg").c_str());
        EXPECT_EQ(Paths::resolve(std::nullopt, "/usr/bin/pelmora").programDir(), dir / "xdg" / "pelmora");
        EXPECT_EQ(Paths::resolve(std::nullopt, "/usr/local/bin/pelmora").programDir(), dir / "xdg" / "pelmora");
        EXPECT_EQ(Paths::resolve(std::nullopt, "/pelmora").programDir(), dir / "xdg" / "pelmora");
    }
    {
        ScopedEnv xdg("XDG_DATA_HOME", nullptr);
        ScopedEnv home("HOME", dir.path().c_str());
        EXPECT_EQ(Paths::resolve(std::nullopt, exe).iniFile(), dir / ".local" / "share" / "pelmora" / "pelmora.ini");
    }
}

TEST(Paths, CreatesTheDirectoriesItNeeds)
{
    TempDir dir;
    const Paths paths = Paths::forProgramDir(dir / "a" / "b");
    paths.createDirectories();
    paths.createDirectories(); // again: nothing to do, no error
    for (const fs::path& made : { paths.programDir(), paths.attachDir(), paths.dataDir(), paths.pageDir() })
        EXPECT_TRUE(fs::is_directory(made)) << made;

    pelmora::test::writeFile(dir / "file", "x");
    EXPECT_THROW(Paths::forProgramDir(dir / "file").createDirectories(), pelmora::Error);
}

TEST(Paths, NamesCannotReachOutsideTheirDirectory)
{
    const Paths paths = Paths::forProgramDir("/p");
    for (const char* bad : { "", ".", "..", "../etc/passwd", "a/b", "/abs" }) {
        EXPECT_THROW(paths.pageFile(bad), pelmora::Error) << bad;
        EXPECT_THROW(paths.databaseDir(bad), pelmora::Error) << bad;
    }
    for (const char* own : { "data", "attach", "Docs", "help" })
        EXPECT_THROW(paths.databaseDir(own), pelmora::Error) << own << " would land on the program's own files";
    EXPECT_EQ(paths.databaseDir("Data 2026"), "/p/Data 2026");
    EXPECT_EQ(paths.pageFile("7"), "/p/Docs/7.htm");
}

TEST(Paths, CurrentExecutableIsThisTest)
{
    EXPECT_EQ(pelmora::settings::currentExecutable().filename(), "settings_test");
}

} // namespace
