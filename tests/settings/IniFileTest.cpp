#include "settings/IniFile.h"

#include "base/Error.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

using pelmora::settings::IniFile;
using pelmora::settings::parseIniInteger;

namespace {

template <size_t N> std::string bytes(const char (&literal)[N])
{
    return std::string(literal, N - 1);
}

struct ReadCase {
    const char* name;
    std::string text;
    const char* section;
    const char* key;
    std::optional<std::string> expected;
};

class IniReadTest : public testing::TestWithParam<ReadCase> { };

TEST_P(IniReadTest, ReadsValueAsTheProfileFunctionsDo)
{
    const ReadCase& c = GetParam();
    EXPECT_EQ(IniFile::parse(c.text).value(c.section, c.key), c.expected) << c.text;
}

INSTANTIATE_TEST_SUITE_P(Cases, IniReadTest,
    testing::Values(ReadCase { "plain", "[Setup]\nServer=pop.example.com\n", "Setup", "Server", "pop.example.com" },
        ReadCase { "crlf", "[Setup]\r\nServer=a\r\n", "Setup", "Server", "a" },
        ReadCase { "caseOfNames", "[setup]\nSERVER=a\n", "SETUP", "server", "a" },
        ReadCase { "blanksTrimmed", "  [ Setup ] \n\t User Name \t=  bob  \n", "Setup", "User Name", "bob" },
        ReadCase { "quotesDropped", "[Setup]\nPassword=\" x \"\n", "Setup", "Password", " x " },
        ReadCase { "singleQuotes", "[Setup]\nPassword='x'\n", "Setup", "Password", "x" },
        ReadCase { "unbalancedQuote", "[Setup]\nPassword=\"x\n", "Setup", "Password", "\"x" },
        ReadCase { "inlineSemicolonKept", "[Setup]\nServer=a ; b\n", "Setup", "Server", "a ; b" },
        ReadCase { "equalsInValue", "[Setup]\nPassword=a=b\n", "Setup", "Password", "a=b" },
        ReadCase { "emptyValue", "[Setup]\nServer=\n", "Setup", "Server", "" },
        ReadCase { "noEquals", "[Setup]\nServer\n", "Setup", "Server", "" },
        ReadCase { "firstKeyWins", "[Setup]\nRAS=1\nRAS=2\n", "Setup", "RAS", "1" },
        ReadCase { "repeatedSection", "[Setup]\nA=1\n[Other]\nB=2\n[SETUP]\nA=3\nC=4\n", "Setup", "C", "4" },
        ReadCase { "otherSection", "[Other]\nServer=a\n", "Setup", "Server", std::nullopt },
        ReadCase { "beforeAnySection", "Server=a\n[Setup]\n", "Setup", "Server", std::nullopt },
        ReadCase { "commentedOut", "[Setup]\n;Server=a\n", "Setup", "Server", std::nullopt },
        ReadCase { "headerComment", "[Setup] ; main\nServer=a", "Setup", "Server", "a" },
        ReadCase { "brokenHeader", "[Setup\nServer=a\n", "Setup", "Server", std::nullopt },
        ReadCase { "bom", "\xEF\xBB\xBF[Setup]\nServer=a\n", "Setup", "Server", "a" },
        ReadCase { "utf16le", bytes("\xFF\xFE[\0S\0e\0t\0u\0p\0]\0\n\0A\0=\0\xE9\0"), "Setup", "A", "\xC3\xA9" },
        ReadCase { "empty", "", "Setup", "Server", std::nullopt }),
    [](const testing::TestParamInfo<ReadCase>& param) { return std::string(param.param.name); });

TEST(IniInteger, ReadsDecimalAndFallsBackOnAnythingElse)
{
    const std::pair<const char*, int> cases[] = { { "0", 0 }, { "42", 42 }, { " 7 ", 7 }, { "-3", -3 }, { "+5", 5 },
        { "", -1 }, { "abc", -1 }, { "12abc", -1 }, { "1.5", -1 }, { "0x10", -1 }, { "99999999999", -1 }, { "+-1", -1 },
        { "-+1", -1 }, { "--1", -1 }, { "+", -1 }, { "-", -1 } };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(parseIniInteger(text, -1), expected) << '"' << text << '"';
    EXPECT_EQ(IniFile::parse("[Setup]\nDefImp=x\n").integer("Setup", "DefImp", 1), 1);
    EXPECT_EQ(IniFile::parse("[Setup]\nDefImp=2\n").integer("Setup", "DefImp", 1), 2);
    EXPECT_EQ(IniFile::parse("[Setup]\nDefImp=\"2\"\n").integer("Setup", "DefImp", 1), 2);
}

TEST(IniWrite, UntouchedFilesSerializeToTheSameBytes)
{
    for (const std::string text : { "", "no newline at end", "[A]\r\nx=1\r\n\r\n; c\r\n", "[A]\nx = 1\n\n",
             "\xEF\xBB\xBF[A]\nx=1", "mixed\r\nends\nhere\r\n" })
        EXPECT_EQ(IniFile::parse(text).serialize(), text);
}

TEST(IniWrite, ReplacesInPlaceAndKeepsEverythingElse)
{
    IniFile ini = IniFile::parse("; top\r\n[Other]\r\nServer=keep\r\n[setup]\r\nserver = old ; c\r\nRAS=1\r\n\r\n");
    ini.setValue("Setup", "Server", "new");
    ini.setValue("Setup", "Password", "pw");
    ini.setValue("Setup", "ras", "2");
    EXPECT_EQ(
        ini.serialize(), "; top\r\n[Other]\r\nServer=keep\r\n[setup]\r\nserver=new\r\nRAS=2\r\nPassword=pw\r\n\r\n");
}

TEST(IniWrite, AddsTheSectionAtTheEndInTheFilesLineEnds)
{
    IniFile lf = IniFile::parse("[Other]\nA=1");
    lf.setValue("Setup", "Server", "x");
    EXPECT_EQ(lf.serialize(), "[Other]\nA=1\n\n[Setup]\nServer=x\n");

    IniFile crlf = IniFile::parse("[Other]\r\nA=1\r\n");
    crlf.setValue("Setup", "Server", "x");
    EXPECT_EQ(crlf.serialize(), "[Other]\r\nA=1\r\n\r\n[Setup]\r\nServer=x\r\n");

    IniFile empty;
    empty.setValue("Setup", "Server", "x");
    EXPECT_EQ(empty.serialize(), "[Setup]\nServer=x\n");
}

TEST(IniWrite, AddsKeysToTheFirstOfRepeatedSections)
{
    IniFile ini = IniFile::parse("[Setup]\nA=1\n\n[Setup]\nB=2\n");
    ini.setValue("Setup", "C", "3");
    ini.setValue("Setup", "B", "4");
    EXPECT_EQ(ini.serialize(), "[Setup]\nA=1\nC=3\n\n[Setup]\nB=4\n");
}

TEST(IniWrite, EveryValueReadsBackAsWritten)
{
    for (const std::string value :
        { "", " lead", "trail ", "\"quoted\"", "'single'", "\"", "a\"b", "x;y", "a=b", "\xC3\xA9t\xC3\xA9", "\t" }) {
        IniFile ini;
        ini.setValue("Setup", "Password", value);
        EXPECT_EQ(IniFile::parse(ini.serialize()).value("Setup", "Password"), value) << ini.serialize();
    }
}

TEST(IniWrite, RefusesValuesThatWouldBreakTheFile)
{
    IniFile ini = IniFile::parse("[Setup]\nServer=a\n");
    EXPECT_THROW(ini.setValue("Setup", "Server", "x\n[Setup]\nPassword=evil"), pelmora::Error);
    EXPECT_THROW(ini.setValue("Setup", "Server", "x\ry"), pelmora::Error);
    EXPECT_THROW(ini.setValue("Setup", "Server", bytes("x\0y")), pelmora::Error);
    EXPECT_THROW(ini.setValue("Setup", "Server", "Jos\xE9"), pelmora::Error) << "would turn the file into ANSI";
    EXPECT_EQ(ini.serialize(), "[Setup]\nServer=a\n");
}

TEST(IniWrite, Utf16FilesStayUtf16)
{
    const std::string text = bytes("\xFF\xFE[\0A\0]\0\r\0\n\0");
    IniFile ini = IniFile::parse(text);
    EXPECT_EQ(ini.serialize(), text);
    ini.setValue("A", "K", "\xE2\x82\xAC"); // the euro sign
    const std::string written = ini.serialize();
    EXPECT_EQ(written, text + bytes("K\0=\0\xAC\x20\r\0\n\0"));
    EXPECT_EQ(IniFile::parse(written).value("A", "K"), "\xE2\x82\xAC");
}

TEST(IniWrite, AnsiFilesStayAnsiWhileTheTextFits)
{
    const std::string text = "[Setup]\r\nSender Name=Jos\xE9 M\xFCller\r\n";
    IniFile ini = IniFile::parse(text);
    EXPECT_EQ(ini.encoding(), IniFile::Encoding::Ansi);
    EXPECT_EQ(ini.value("Setup", "Sender Name"), "Jos\xC3\xA9 M\xC3\xBCller");
    EXPECT_EQ(ini.serialize(), text);

    ini.setValue("Setup", "Server", "\xE2\x82\xAC"); // the euro sign, 0x80 in the code page
    EXPECT_EQ(ini.serialize(), text + "Server=\x80\r\n");

    ini.setValue("Setup", "Server", "\xE6\x97\xA5"); // not in the code page: the file turns UTF-8
    const IniFile again = IniFile::parse(ini.serialize());
    EXPECT_EQ(again.encoding(), IniFile::Encoding::Utf8);
    EXPECT_EQ(again.value("Setup", "Sender Name"), "Jos\xC3\xA9 M\xC3\xBCller");
    EXPECT_EQ(again.value("Setup", "Server"), "\xE6\x97\xA5");
}

} // namespace
