#include "CommandHome.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sstream>

using pelmora::test::CommandHome;
using pelmora::test::readFile;
using pelmora::test::RunResult;

namespace {

class ReportCommandsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(home.run({ "db", "info" }).exitCode, 0); // the Sample database comes to life
        database = home.path() / "data" / "database.sqlite";
        ASSERT_TRUE(std::filesystem::exists(database));
    }
    void sql(const std::string& statement)
    {
        ASSERT_EQ(std::system(("sqlite3 '" + database.string() + "' \"" + statement + "\"").c_str()), 0);
    }
    // `count` contacts of the category "Printed", named Name0001 ... in reverse order of their numbers.
    void addPrinted(int count)
    {
        sql("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(count)
            + ") INSERT INTO Contacts (LName, FName, Company, EMail, CategoryA, URL, SiteTitle) SELECT "
              "printf('Name%04d', "
            + std::to_string(count + 1)
            + " - i), 'First' || i, 'Company' || i, 'p' || i || '@example.test', 'Printed', 'https://example.test/' || "
              "i, "
              "'Site ' || i FROM n");
    }

    CommandHome home;
    std::filesystem::path database;
};

TEST_F(ReportCommandsTest, JsonListsTheFilteredRecordsInOrderPageByPage)
{
    addPrinted(60);
    const auto report
        = home.json({ "report", "contacts-web", "--json", "--where", "CategoryA = 'Printed'", "--order", "LNameInd" });
    EXPECT_EQ(report["title"], "Contact Web Related Information");
    EXPECT_EQ(report["orientation"], "landscape");
    EXPECT_EQ(report["labels"], nlohmann::json({ "FName", "LName", "Company", "EMail", "URL", "SiteTitle" }));
    EXPECT_EQ(report["recordCount"], 60);
    ASSERT_GE(report["pageCount"].get<int>(), 2);
    std::vector<std::string> names;
    for (const auto& page : report["pages"]) {
        for (const auto& row : page["rows"])
            names.push_back(row[1]);
    }
    ASSERT_EQ(names.size(), 60u);
    EXPECT_EQ(names.front(), "Name0001");
    EXPECT_EQ(names.back(), "Name0060");
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));

    // A contact without activities: headers only.
    const auto empty = home.json({ "report", "activities", "--json", "--contact", "999999" });
    EXPECT_EQ(empty["pageCount"], 1);
    EXPECT_TRUE(empty["pages"][0]["rows"].empty());
    EXPECT_EQ(empty["labels"].back(), "Detaill");

    EXPECT_EQ(home.run({ "report", "nonsense", "--json" }).exitCode, 2);
    EXPECT_EQ(home.run({ "report", "links" }).exitCode, 2); // neither --pdf nor --json
    EXPECT_EQ(home.run({ "report", "contacts", "--json", "--where", "NoSuchField = 1" }).exitCode, 1);
}

TEST_F(ReportCommandsTest, PdfShowsHeadersOnEveryPageAndEveryValue)
{
    if (std::system("pdftotext -v >/dev/null 2>&1") != 0)
        PELMORA_SKIP_OR_FAIL("pdftotext (poppler-utils) is not installed");
    addPrinted(40);
    // Wider than its column at the report's size: set smaller, still printed whole.
    sql("INSERT INTO Contacts (LName, Company, CategoryA) VALUES ('Name9999', 'A Company Name Rather Wider Than Its "
        "Column', 'Printed')");
    // Too wide even at the smallest size: on two lines, still whole.
    const std::string longest = "Northwind Consolidated Amalgamated Holdings and Trading Company of the Greater "
                                "Metropolitan Harbour Area";
    sql("INSERT INTO Contacts (LName, Company, CategoryA) VALUES ('Name9998', '" + longest + "', 'Printed')");
    const auto pdf = home.path() / "contacts.pdf";
    RunResult result = home.run({ "report", "contacts", "--where", "CategoryA = 'Printed'", "--pdf", pdf.string() });
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto laidOut = home.json({ "report", "contacts", "--json", "--where", "CategoryA = 'Printed'" });

    const std::string info = pelmora::test::shellOutput("pdfinfo '" + pdf.string() + "'");
    const size_t pagesAt = info.find("Pages:");
    ASSERT_NE(pagesAt, std::string::npos) << info;
    EXPECT_EQ(std::stoi(info.substr(pagesAt + 6)), laidOut["pageCount"].get<int>()) << info;
    EXPECT_NE(info.find("842 x 595 pts (A4)"), std::string::npos) << info; // landscape
    EXPECT_NE(
        pelmora::test::shellOutput("pdffonts '" + pdf.string() + "'").find(" yes "), std::string::npos); // embedded

    const int pages = laidOut["pageCount"];
    for (int page = 1; page <= pages; ++page) {
        SCOPED_TRACE(page);
        const std::string text = pelmora::test::shellOutput("pdftotext -layout -f " + std::to_string(page) + " -l "
            + std::to_string(page) + " '" + pdf.string() + "' -");
        EXPECT_NE(text.find("Contact Information"), std::string::npos);
        EXPECT_NE(text.find("Page #" + std::to_string(page)), std::string::npos);
        for (const auto& label : laidOut["labels"])
            EXPECT_NE(text.find(label.get<std::string>()), std::string::npos) << label;
        EXPECT_EQ(text.find("\u2026"), std::string::npos) << "a value was cut";
        for (const auto& row : laidOut["pages"][size_t(page - 1)]["rows"]) {
            for (const auto& cell : row) {
                if (cell == longest) {
                    // Its two lines come out of the PDF as lines of their own; every word is there.
                    std::istringstream words(longest);
                    for (std::string word; words >> word;)
                        EXPECT_NE(text.find(word), std::string::npos) << word;
                } else if (!cell.get<std::string>().empty()) {
                    EXPECT_NE(text.find(cell.get<std::string>()), std::string::npos) << cell;
                }
            }
        }
    }
}

// The page header's date and the dates of the records read alike, in the desktop's date format
// (here a day-first one), whether the report is printed from the preview or the command line.
TEST_F(ReportCommandsTest, DatesReadAsThePreviewShowsThem)
{
    if (std::system("pdftotext -v >/dev/null 2>&1") != 0)
        PELMORA_SKIP_OR_FAIL("pdftotext (poppler-utils) is not installed");
    const std::string contact = std::to_string(home.number({ "table", "add", "Contacts", "LName=Dated" }));
    home.number({ "table", "add", "Activity", "Contact=" + contact, "Activity=Call", "DateOf=2026-03-04" });
    ::setenv("LC_ALL", "en_GB.UTF-8", 1);
    const auto laidOut = home.json({ "report", "activities", "--contact", contact, "--json" });
    const auto pdf = home.path() / "activities.pdf";
    RunResult result = home.run({ "report", "activities", "--contact", contact, "--pdf", pdf.string() });
    ::unsetenv("LC_ALL");
    ASSERT_EQ(result.exitCode, 0) << result.err;
    ASSERT_EQ(laidOut["pages"][0]["rows"].size(), 1u);
    const auto& row = laidOut["pages"][0]["rows"][0];
    EXPECT_NE(std::find(row.begin(), row.end(), "04/03/2026"), row.end()) << row;

    const std::string text = pelmora::test::shellOutput("pdftotext -layout '" + pdf.string() + "' -");
    EXPECT_NE(text.find("04/03/2026"), std::string::npos) << text;
    char today[16];
    const std::time_t now = std::time(nullptr);
    std::strftime(today, sizeof today, "%d/%m/%Y ", std::localtime(&now));
    EXPECT_NE(text.find(today), std::string::npos) << text; // the whole year, as in the rows
}

TEST_F(ReportCommandsTest, AnExistingPdfIsReplacedOnlyWithForce)
{
    const auto pdf = home.path() / "links.pdf";
    pelmora::test::writeFile(pdf, "keep me");
    RunResult refused = home.run({ "report", "links", "--pdf", pdf.string() });
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("--force"), std::string::npos);
    EXPECT_EQ(readFile(pdf), "keep me");

    RunResult forced = home.run({ "report", "links", "--pdf", pdf.string(), "--force" });
    ASSERT_EQ(forced.exitCode, 0) << forced.err;
    EXPECT_EQ(readFile(pdf).substr(0, 5), "%PDF-");

    // A folder that cannot be written leaves nothing behind and says so.
    const auto missing = home.path() / "no" / "such" / "dir" / "x.pdf";
    RunResult failed = home.run({ "report", "links", "--pdf", missing.string() });
    EXPECT_EQ(failed.exitCode, 1);
    EXPECT_FALSE(std::filesystem::exists(missing));
    for (const auto& entry : std::filesystem::directory_iterator(home.path()))
        EXPECT_EQ(entry.path().filename().string().find("links.pdf."), std::string::npos);
}

} // namespace
