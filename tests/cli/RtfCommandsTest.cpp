// `pelmora rtf` and `pelmora fax page` run as a user would, with their output read by
// independent programs (pandoc, unrtf, pdftotext) where they are installed.
#include "CommandHome.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

using pelmora::test::CommandHome;
using pelmora::test::haveTool;
using pelmora::test::readFile;
using pelmora::test::RunResult;
using pelmora::test::shellOutput;
using pelmora::test::TempDir;
using pelmora::test::writeFile;

namespace {

class FaxPageTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        RunResult added = home.run(
            { "table", "add", "Contacts", "FName=Ann", "LName=Lee", "Company=Acme & Söhne", "Fax=+1 555 0100" });
        ASSERT_EQ(added.exitCode, 0) << added.err;
        contact = added.out.substr(0, added.out.find('\n'));
        RunResult person = home.run({ "table", "add", "People", "Contact=" + contact, "FirstName=Bo", "LastName=Ek" });
        ASSERT_EQ(person.exitCode, 0) << person.err;
        this->person = person.out.substr(0, person.out.find('\n'));
    }

    CommandHome home;
    TempDir files;
    std::string contact;
    std::string person;
};

TEST_F(FaxPageTest, AddressBlocksOfContactAndPerson)
{
    std::string txt = (files / "page.txt").string();
    ASSERT_EQ(home.run({ "fax", "page", "--contact", contact, "--txt", txt }).exitCode, 0);
    EXPECT_EQ(readFile(txt), "To : Ann Lee\n \nCompany : Acme & S\xC3\xB6hne\n \nFax : +1 555 0100\n \n");
    // A person without a fax number still gets the line, then the body of the file.
    writeFile(files / "body.txt", "Dear Bo,\r\nhello.\r\n");
    ASSERT_EQ(
        home.run({ "fax", "page", "--person", person, "--file", (files / "body.txt").string(), "--txt", txt }).exitCode,
        0);
    EXPECT_EQ(readFile(txt), "To : Bo Ek\n \nFax : \n \nDear Bo,\nhello.\n");
}

TEST_F(FaxPageTest, WrongUseIsRefusedAndWritesNothing)
{
    std::string out = (files / "x.rtf").string();
    EXPECT_EQ(home.run({ "fax", "page", "--contact", contact }).exitCode, 2);
    EXPECT_EQ(home.run({ "fax", "page", "--contact", contact, "--person", person, "--rtf", out }).exitCode, 2);
    EXPECT_EQ(home.run({ "fax", "page", "--contact", "99999", "--rtf", out }).exitCode, 1);
    writeFile(files / "bad.rtf", "{\\rtf1 {{{ truncated");
    RunResult bad
        = home.run({ "fax", "page", "--contact", contact, "--file", (files / "bad.rtf").string(), "--rtf", out });
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find("ends before its last group is closed"), std::string::npos) << bad.err;
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(FaxPageTest, RichTextPageReadByOtherPrograms)
{
    writeFile(files / "body.rtf", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\pard\\qc{\\b Bold} and {\\i italic}\\par}");
    std::string out = (files / "page.rtf").string();
    ASSERT_EQ(home.run({ "fax", "page", "--contact", contact, "--file", (files / "body.rtf").string(), "--rtf", out })
                  .exitCode,
        0);
    RunResult text = home.run({ "rtf", "text", out });
    EXPECT_EQ(text.out, "To : Ann Lee\n \nCompany : Acme & S\xC3\xB6hne\n \nFax : +1 555 0100\n \nBold and italic\n");
    if (!haveTool("pandoc") || !haveTool("unrtf"))
        PELMORA_SKIP_OR_FAIL("pandoc or unrtf is not installed (scripts/setup)");
    std::string markdown = shellOutput("pandoc -f rtf -t markdown '" + out + "'");
    EXPECT_NE(markdown.find("To : Ann Lee"), std::string::npos) << markdown;
    EXPECT_NE(markdown.find("Acme & S\xC3\xB6hne"), std::string::npos) << markdown;
    EXPECT_NE(markdown.find("**Bold**"), std::string::npos) << markdown;
    EXPECT_NE(markdown.find("*italic*"), std::string::npos) << markdown;
    std::string html = shellOutput("unrtf --html '" + out + "' 2>/dev/null");
    EXPECT_NE(html.find("To : Ann Lee"), std::string::npos);
    EXPECT_NE(html.find("<b>Bold</b>"), std::string::npos) << html;
    EXPECT_NE(html.find("center"), std::string::npos);
}

// The word processor of scripts/setup reads the page as a document: text, bold, centring.
TEST_F(FaxPageTest, RichTextPageReadByAWordProcessor)
{
    if (!haveTool("soffice"))
        PELMORA_SKIP_OR_FAIL("soffice is not installed (scripts/setup)");
    writeFile(files / "body.rtf", "{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\pard\\qc{\\b Bold} caf\\'e9\\par}");
    std::string out = (files / "page.rtf").string();
    ASSERT_EQ(home.run({ "fax", "page", "--contact", contact, "--file", (files / "body.rtf").string(), "--rtf", out })
                  .exitCode,
        0);
    // Both conversions at once, each with a profile of its own (one profile can not be shared by
    // two running copies), bounded so a stuck converter can not hold the test.
    const std::string dir = files.path().string();
    auto convert = [&](const std::string& format) {
        return "timeout 150 soffice -env:UserInstallation=file://" + dir + "/profile-" + format
            + " --headless --norestore --convert-to " + format + " --outdir '" + dir + "/" + format + "' '" + out
            + "' >/dev/null 2>&1";
    };
    ASSERT_EQ(std::system(("(" + convert("txt") + ") & (" + convert("html") + ") & wait").c_str()), 0);
    std::string text = readFile(files / "txt" / "page.txt");
    if (text.rfind("\xEF\xBB\xBF", 0) == 0)
        text.erase(0, 3); // the byte-order mark it starts text files with
    EXPECT_EQ(text, "To : Ann Lee\n \nCompany : Acme & S\xC3\xB6hne\n \nFax : +1 555 0100\n \nBold caf\xC3\xA9\n");
    std::string html = readFile(files / "html" / "page.html");
    EXPECT_NE(html.find("<b>Bold</b>"), std::string::npos) << html;
    EXPECT_NE(html.find("center"), std::string::npos) << html;
}

TEST_F(FaxPageTest, PdfPageShowsTheAddressBlock)
{
    std::string out = (files / "page.pdf").string();
    ASSERT_EQ(home.run({ "fax", "page", "--contact", contact, "--pdf", out }).exitCode, 0);
    if (!haveTool("pdftotext"))
        PELMORA_SKIP_OR_FAIL("pdftotext is not installed (scripts/setup)");
    std::string text = shellOutput("pdftotext -layout '" + out + "' - 2>&1");
    EXPECT_NE(text.find("To : Ann Lee"), std::string::npos) << text;
    EXPECT_NE(text.find("Company : Acme & S\xC3\xB6hne"), std::string::npos) << text;
    EXPECT_NE(text.find("Fax : +1 555 0100"), std::string::npos) << text;
    EXPECT_EQ(text.find("Error"), std::string::npos) << text;
}

TEST(RtfCommands, TextAndConvert)
{
    TempDir dir;
    writeFile(dir / "in.rtf", "{\\rtf1\\ansi caf\\'e9 {\\b bold}\\par second}");
    RunResult text = pelmora::test::runPelmora({ "rtf", "text", (dir / "in.rtf").string() });
    EXPECT_EQ(text.exitCode, 0);
    EXPECT_EQ(text.out, "caf\xC3\xA9 bold\nsecond\n");
    ASSERT_EQ(
        pelmora::test::runPelmora({ "rtf", "convert", (dir / "in.rtf").string(), (dir / "out.rtf").string() }).exitCode,
        0);
    EXPECT_EQ(pelmora::test::runPelmora({ "rtf", "text", (dir / "out.rtf").string() }).out, text.out);
    // Converting to a .txt name writes plain text, never rich text into a text file.
    ASSERT_EQ(
        pelmora::test::runPelmora({ "rtf", "convert", (dir / "in.rtf").string(), (dir / "out.txt").string() }).exitCode,
        0);
    EXPECT_EQ(readFile(dir / "out.txt"), "caf\xC3\xA9 bold\nsecond\n");
    // A file that is not rich text is refused, and a failed convert leaves the old file whole.
    writeFile(dir / "plain.rtf", "just text");
    RunResult refused = pelmora::test::runPelmora({ "rtf", "text", (dir / "plain.rtf").string() });
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("not a rich-text file"), std::string::npos);
    EXPECT_NE(pelmora::test::runPelmora({ "rtf", "convert", (dir / "plain.rtf").string(), (dir / "out.txt").string() })
                  .exitCode,
        0);
    EXPECT_EQ(readFile(dir / "out.txt"), "caf\xC3\xA9 bold\nsecond\n");
}

} // namespace
