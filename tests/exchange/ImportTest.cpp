#include "exchange/ContactExport.h"
#include "exchange/ContactImport.h"
#include "exchange/ContactStore.h"
#include "exchange/ExchangeError.h"

#include "CommandHome.h"
#include "data/Database.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

using namespace pelmora;
using namespace pelmora::exchange;

class ImportTest : public ::testing::Test {
protected:
    void SetUp() override { database = data::Database::create(temp.path()); }
    data::SqlDatabase& db() { return database->sql(); }
    std::int64_t contacts() { return db().scalar("SELECT count(*) FROM Contacts"); }
    ImportResult import(const std::string& bytes, bool dryRun = false, const std::string& name = "x.vcf")
    {
        return importContacts(db(), readContactsFile(bytes, {}, name), dryRun);
    }

    test::TempDir temp;
    std::shared_ptr<data::Database> database;
};

TEST_F(ImportTest, RepeatsDoubleNothingAndBrokenCardsAreReported)
{
    const std::string file = "BEGIN:VCARD\nVERSION:3.0\nN:Doe;Jane\nEMAIL:jane@example.com\nEND:VCARD\n"
                             "BEGIN:VCARD\nVERSION:3.0\nN:Roe;Rick\nORG:Acme\nEND:VCARD\n"
                             "BEGIN:VCARD\nVERSION:3.0\nN:;Twin\nUID:one\nNOTE:first\nEND:VCARD\n"
                             "BEGIN:VCARD\nVERSION:3.0\nN:;Twin\nUID:two\nNOTE:second\nEND:VCARD\n"
                             "BEGIN:VCARD\nVERSION:3.0\nN:Cut;Off\n";
    const ImportRead read = readContactsFile(file, {}, "contacts.vcf");
    ASSERT_EQ(read.problems.size(), 1u);
    EXPECT_EQ(read.problems[0].record, 5u);
    EXPECT_EQ(read.problems[0].line, 23u);

    const ImportResult dry = import(file, true);
    EXPECT_EQ(dry.inserted, 4u);
    EXPECT_EQ(contacts(), 0);

    const ImportResult first = import(file);
    EXPECT_EQ(first.inserted, 4u); // the twins differ by UID
    EXPECT_EQ(contacts(), 4);
    const ImportResult second = import(file);
    EXPECT_EQ(second.inserted, 0u);
    EXPECT_EQ(second.updated, 0u);
    EXPECT_EQ(second.unchanged, 4u);

    const ImportResult changed
        = import("BEGIN:VCARD\nVERSION:3.0\nN:Other;Name\nEMAIL:JANE@example.com\nTEL;TYPE=CELL:123\nEND:VCARD\n"
                 "BEGIN:VCARD\nVERSION:3.0\nN:roe;rick\nORG:ACME\nTITLE:Boss\nEND:VCARD\n");
    EXPECT_EQ(changed.updated, 2u);
    EXPECT_EQ(contacts(), 4);
    EXPECT_EQ(db().scalar("SELECT count(*) FROM Contacts WHERE Cellular = '123' AND LName = 'Other'"), 1);
}

TEST_F(ImportTest, CsvRecordsImportAndExportWithNothingLost)
{
    const std::string csv = "\xEF\xBB\xBF"
                            "First Name;Last Name;E-mail Address;Notes;Birthday\r\n"
                            "Ann;Lee;ann@example.com;\"two\r\nlines\";1990-01-01\r\n"
                            ";;;;\r\n"
                            "Bob;Ray;bob@example.com;;\r\n";
    const ImportRead read = readContactsFile(csv, {}, "book.csv");
    EXPECT_EQ(read.format, ExchangeFormat::Csv);
    ASSERT_EQ(read.problems.size(), 1u);
    EXPECT_EQ(read.problems[0].line, 4u); // the empty record, after a record of two lines
    const ImportResult result = importContacts(db(), read, false);
    EXPECT_EQ(result.inserted, 2u);
    EXPECT_EQ(result.notes.at("Birthday"), 1u);

    for (ExportOptions options : { ExportOptions { ExchangeFormat::VCard, VCardVersion::v4 },
             ExportOptions { ExchangeFormat::VCard, VCardVersion::v3 }, ExportOptions { ExchangeFormat::Csv, {} } }) {
        const std::vector<std::int64_t> all = selectContacts(*database, "");
        const std::string exported = exportContacts(db(), all, options);
        const ImportRead back
            = readContactsFile(exported, {}, options.format == ExchangeFormat::Csv ? "a.csv" : "a.vcf");
        ASSERT_EQ(back.records.size(), all.size());
        for (std::size_t i = 0; i < all.size(); ++i) {
            const ContactCard stored = readContact(db(), all[i]);
            EXPECT_EQ(back.records[i].card.fields, stored.fields) << exported;
            EXPECT_EQ(back.records[i].card.unmapped, stored.unmapped) << exported;
        }
        EXPECT_EQ(importContacts(db(), back, false).unchanged, all.size());
    }
    EXPECT_EQ(selectContacts(*database, "LName = 'Lee'").size(), 1u);
}

// Import and export change the connection's settings and open transactions of their own for
// speed; the connection must come back as it was, or later writes fail or the cache stays large.
TEST_F(ImportTest, ImportAndExportLeaveTheConnectionAsTheyFoundIt)
{
    const std::string card = "BEGIN:VCARD\nVERSION:3.0\nN:Doe;Jane\nEMAIL:jane@example.com\nEND:VCARD\n";
    const std::int64_t cacheSize = db().scalar("PRAGMA cache_size");
    const std::int64_t tempStore = db().scalar("PRAGMA temp_store");
    EXPECT_EQ(import(card).inserted, 1u);
    EXPECT_EQ(db().scalar("PRAGMA cache_size"), cacheSize);
    EXPECT_EQ(db().scalar("PRAGMA temp_store"), tempStore);

    const std::vector<std::int64_t> all = selectContacts(*database, "");
    EXPECT_NE(exportContacts(db(), all, {}).find("jane@example.com"), std::string::npos);
    {
        // Within a caller's transaction the export reads what that transaction wrote.
        data::Transaction outer(db());
        db().exec("UPDATE Contacts SET EMail = 'june@example.com'");
        EXPECT_NE(exportContacts(db(), all, {}).find("june@example.com"), std::string::npos);
        EXPECT_EQ(import("BEGIN:VCARD\nVERSION:3.0\nN:Roe;Rick\nEND:VCARD\n").inserted, 1u);
        outer.commit();
    }
    EXPECT_EQ(contacts(), 2);
    // No read left open: a new write transaction starts and commits.
    data::Transaction after(db());
    db().exec("DELETE FROM Contacts WHERE EMail = 'june@example.com'");
    after.commit();
    EXPECT_EQ(contacts(), 1);
    EXPECT_EQ(db().scalar("PRAGMA cache_size"), cacheSize);
}

TEST_F(ImportTest, ExportNeverReplacesAFile)
{
    import("BEGIN:VCARD\nVERSION:4.0\nFN:A/B: C\nUID:1\nEND:VCARD\nBEGIN:VCARD\nVERSION:4.0\nFN:A/B: "
           "C\nUID:2\nEND:VCARD\n");
    const auto counters = selectContacts(*database, "");
    test::writeFile(temp / "taken.vcf", "mine");
    EXPECT_THROW(writeNewFile(temp / "taken.vcf", "theirs"), EExchangeError);
    EXPECT_EQ(test::readFile(temp / "taken.vcf"), "mine");
    std::filesystem::create_directory(temp / "out");
    const auto files = exportContactFiles(db(), counters, {}, temp / "out");
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].filename(), "A_B_ C.vcf");
    EXPECT_EQ(files[1].filename(), "A_B_ C (2).vcf");
    EXPECT_EQ(files[0].parent_path(), temp / "out");
}

TEST(ContactsCommand, ImportsAndExportsAsJson)
{
    test::CommandHome home;
    test::writeFile(
        home / "in.vcf", "BEGIN:VCARD\nVERSION:3.0\nN:Doe;Jane\nEMAIL:jane@example.com\nEND:VCARD\nBEGIN:VCARD\n");
    const std::string dir = home.path().string();
    const nlohmann::json summary = home.json({ "contacts", "import", dir + "/in.vcf", "--dry-run" });
    EXPECT_EQ(summary["inserted"], 1);
    EXPECT_EQ(summary["dryRun"], true);
    EXPECT_EQ(summary["problems"][0]["record"], 2);
    test::RunResult run = home.run({ "contacts", "import", dir + "/in.vcf" });
    ASSERT_EQ(run.exitCode, 0) << run.err;
    const nlohmann::json exported = home.json(
        { "contacts", "export", "--vcard", "--version", "3", "--where", "EMail = 'jane*'", "--out", dir + "/out.vcf" });
    EXPECT_EQ(exported["contacts"], 1);
    EXPECT_NE(test::readFile(home / "out.vcf").find("VERSION:3.0\r\nFN:Jane Doe\r\n"), std::string::npos);
    EXPECT_EQ(home.run({ "contacts", "export", "--csv", "--out", dir + "/out.vcf" }).exitCode, 1);
    EXPECT_EQ(home.run({ "contacts", "export", "--out", dir + "/x.vcf" }).exitCode, 2);
}

// A file in a legacy character set the reader cannot tell by itself, made here by iconv: read
// whole in the character set the user names; a name nobody knows stops the import before
// anything is stored.
TEST(ContactsCommand, ImportsACsvFileInTheCharacterSetNamed)
{
    if (!test::haveTool("iconv"))
        PELMORA_SKIP_OR_FAIL("iconv is not installed");
    test::CommandHome home;
    test::writeFile(
        home / "utf8.csv", "Last Name,First Name,Company\r\n山田,太郎,株式会社テスト\r\nQuillfeather,Ann,Acme\r\n");
    const std::string dir = home.path().string();
    test::shellOutput("iconv -f UTF-8 -t SHIFT_JIS '" + dir + "/utf8.csv' > '" + dir + "/sjis.csv'");
    ASSERT_NE(test::readFile(home / "sjis.csv").find("\x8e\x52\x93\x63"), std::string::npos); // 山田 in Shift-JIS

    const test::RunResult unknown = home.run({ "contacts", "import", dir + "/sjis.csv", "--charset", "no-such-set" });
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_NE(unknown.err.find("no-such-set"), std::string::npos) << unknown.err;
    const test::RunResult card
        = home.run({ "contacts", "import", dir + "/sjis.csv", "--format", "vcard", "--charset", "Shift_JIS" });
    EXPECT_EQ(card.exitCode, 1) << "a vCard names its own character set";
    EXPECT_EQ(home.json({ "table", "count", "Contacts", "--where", "LName = 'Quillfeather'" }), 0)
        << "nothing was imported";

    const nlohmann::json summary = home.json({ "contacts", "import", dir + "/sjis.csv", "--charset", "Shift_JIS" });
    EXPECT_EQ(summary["inserted"], 2);
    const auto found
        = home.json({ "table", "list", "Contacts", "--where", "LName = '山田'", "--fields", "LName,FName,Company" });
    ASSERT_EQ(found.size(), 1u) << found;
    EXPECT_EQ(found[0]["FName"], "太郎");
    EXPECT_EQ(found[0]["Company"], "株式会社テスト");
}
