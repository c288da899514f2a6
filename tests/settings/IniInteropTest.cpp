// Files we write must read the same in another INI reader, and files it writes must read the
// same here; Python's configparser is that other reader (strict: it rejects repeated keys).
#include "settings/Settings.h"

#include "SettingsSamples.h"

#include "TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <optional>

namespace fs = std::filesystem;
using pelmora::settings::Settings;
using pelmora::test::TempDir;

namespace {

// Runs a Python script under timeout(1), so a stuck interpreter fails the test within
// seconds. The test support's runner starts whatever PELMORA_BINARY names; it is pointed at
// timeout(1) for the call and put back afterwards.
pelmora::test::RunResult runPython(const std::string& script, const fs::path& file)
{
    const char* old = std::getenv("PELMORA_BINARY");
    const std::optional<std::string> saved = old ? std::optional<std::string>(old) : std::nullopt;
    ::setenv("PELMORA_BINARY", "/usr/bin/timeout", 1);
    auto result = pelmora::test::runPelmora({ "20", "python3", "-c", script, file.string() });
    saved ? ::setenv("PELMORA_BINARY", saved->c_str(), 1) : ::unsetenv("PELMORA_BINARY");
    return result;
}

bool havePython()
{
    return fs::exists("/usr/bin/timeout") && std::system("python3 -c pass >/dev/null 2>&1") == 0;
}

const char* kReadScript = R"(
import configparser, json, sys
config = configparser.ConfigParser(interpolation=None, strict=True)
config.optionxform = str
config.read(sys.argv[1], encoding='utf-8')
print(json.dumps(dict(config['Setup'])))
)";

const char* kWriteScript = R"(
import configparser, sys
config = configparser.ConfigParser(interpolation=None)
config['Other'] = {'Kept': 'yes'}
config['Setup'] = {'SmtpServer': 'smtp.example.org', 'EMail Address': 'ana@example.org',
                   'Sender Name': 'Ana Mu\u00f1oz', 'CharSet': '2', 'Password': 'a;b#c%d',
                   'RAS': 'none', 'DefImp': '0', 'LastDataName': 'Work'}
with open(sys.argv[1], 'w', encoding='utf-8') as f:
    config.write(f)
)";

TEST(IniInterop, ConfigParserReadsWhatWeWrite)
{
    if (!havePython())
        PELMORA_SKIP_OR_FAIL("python3 not available");
    TempDir dir;
    const fs::path ini = dir / "pelmora.ini";
    pelmora::settings::filledSettings().save(ini);
    const auto result = runPython(kReadScript, ini);
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const nlohmann::json read = nlohmann::json::parse(result.out);
    for (const auto& key : pelmora::settings::settingKeys()) {
        if (key.writtenAtExit) {
            EXPECT_EQ(read.at(key.name), pelmora::settings::filledSettings().get(key.name)) << key.name;
        }
    }
    EXPECT_EQ(read.size(), 14u);
}

TEST(IniInterop, WeReadWhatConfigParserWritesAndItReadsOurChanges)
{
    if (!havePython())
        PELMORA_SKIP_OR_FAIL("python3 not available");
    TempDir dir;
    const fs::path ini = dir / "pelmora.ini";
    ASSERT_EQ(runPython(kWriteScript, ini).exitCode, 0);

    Settings s = Settings::load(ini);
    EXPECT_EQ(s.smtpServer, "smtp.example.org"); // configparser wrote the key in lower case
    EXPECT_EQ(s.senderName, "Ana Mu\xC3\xB1oz");
    EXPECT_EQ(s.password, "a;b#c%d");
    EXPECT_EQ(s.charSet, 2);
    EXPECT_EQ(s.ras, 0) << "not a number: the default";
    EXPECT_EQ(s.defImp, 0);
    EXPECT_EQ(s.lastDataName, "Work");

    s.server = "pop.example.org";
    s.save(ini);
    const auto result = runPython(kReadScript, ini);
    ASSERT_EQ(result.exitCode, 0) << result.err << "\n" << pelmora::test::readFile(ini);
    const nlohmann::json read = nlohmann::json::parse(result.out);
    EXPECT_EQ(read.at("smtpserver"), "smtp.example.org");
    EXPECT_EQ(read.at("Server"), "pop.example.org");
    EXPECT_EQ(read.at("ras"), "0");
    EXPECT_NE(pelmora::test::readFile(ini).find("[Other]\nkept = yes\n"), std::string::npos);
}

} // namespace
