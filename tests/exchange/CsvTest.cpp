#include "exchange/Csv.h"
#include "exchange/ContactCsv.h"
#include "exchange/ExchangeError.h"

#include "TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>

using namespace pelmora;
using namespace pelmora::exchange;

using Rows = std::vector<std::vector<std::string>>;

namespace {

Rows cellsOf(const CsvParse& parse)
{
    Rows rows;
    for (const CsvRecord& record : parse.records)
        rows.push_back(record.cells);
    return rows;
}

} // namespace

TEST(Csv, ReadsQuotesDelimitersAndLineBreaks)
{
    const CsvParse parse = parseCsv("a,\"b,1\",\"say \"\"hi\"\"\"\r\n\r\n\"two\nlines\",x\"y,\n3,,\"\"\n");
    EXPECT_EQ(cellsOf(parse), (Rows { { "a", "b,1", "say \"hi\"" }, { "two\nlines", "x\"y", "" }, { "3", "", "" } }));
    ASSERT_EQ(parse.records.size(), 3u);
    EXPECT_EQ(parse.records[1].line, 3u);
    EXPECT_EQ(parse.records[2].line, 5u);
    EXPECT_TRUE(parse.errors.empty());

    EXPECT_EQ(parseCsv("Name;Mail\nA;a@x\n").delimiter, ';');
    EXPECT_EQ(parseCsv("Name\tMail\tOther,x\n").delimiter, '\t');
    EXPECT_EQ(parseCsv("\"a;b\",c\n").delimiter, ','); // a delimiter inside quotes does not count

    const CsvParse open = parseCsv("a,b\n\"never closed,c\n");
    EXPECT_EQ(cellsOf(open), (Rows { { "a", "b" } }));
    ASSERT_EQ(open.errors.size(), 1u);
    EXPECT_EQ(open.errors[0].line, 2u);
}

TEST(Csv, WrittenRecordsReadBack)
{
    const Rows rows
        = { { "plain", "with,comma", "with \"quote\"", "two\r\nlines", " padded ", "" }, { "\xC3\xA9t\xC3\xA9" } };
    for (char delimiter : { ',', ';', '\t' }) {
        std::string text;
        for (const auto& row : rows)
            text += formatCsvRecord(row, delimiter);
        EXPECT_EQ(cellsOf(parseCsv(text, delimiter)), rows) << delimiter;
    }
}

TEST(Csv, DecodesByteOrderMarksAndWindows1252)
{
    EXPECT_EQ(decodeCsvText("\xEF\xBB\xBFName\n"), "Name\n");
    EXPECT_EQ(decodeCsvText("M\xFCller\n"), "M\xC3\xBCller\n");
    EXPECT_EQ(decodeCsvText(std::string("\xFF\xFEN\0\xE9\0", 6)), "N\xC3\xA9");
    EXPECT_EQ(decodeCsvText("M\xC3\xBCller"), "M\xC3\xBCller");
}

// Python's csv module is the independent reader of every corpus file.
TEST(Csv, CorpusAgreesWithPythonsReader)
{
    const std::filesystem::path dir = test::corpusDir().empty() ? std::filesystem::path() : test::corpusDir() / "csv";
    if (dir.empty())
        PELMORA_SKIP_OR_FAIL("the corpus is not there");
    std::string command = "/usr/bin/python3 " PELMORA_EXCHANGE_TEST_DIR "/csv_rows.py";
    std::map<std::string, CsvParse> ours;
    for (const auto& entry : std::filesystem::directory_iterator(dir)) {
        if (entry.path().filename().string().find("shiftjis") != std::string::npos)
            continue; // neither reader knows its character set without being told
        CsvParse parse = parseCsv(decodeCsvText(test::readFile(entry.path())));
        command += std::string(" '") + (parse.delimiter == '\t' ? "tab" : std::string(1, parse.delimiter)) + ":"
            + entry.path().string() + "'";
        ours.emplace(entry.path().string(), std::move(parse));
    }
    const nlohmann::json theirs = nlohmann::json::parse(test::shellOutput(command));
    for (const auto& [file, parse] : ours)
        EXPECT_EQ(cellsOf(parse), theirs.at(file).get<Rows>()) << file;
    EXPECT_GE(ours.size(), 12u);
}

TEST(ContactCsv, MapsTheLayoutsUsersBring)
{
    struct Case {
        Rows rows;
        std::map<std::string, std::string> expected;
        std::vector<std::string> notes;
    };
    const Case cases[] = {
        { { { "First Name", "Last Name", "Company", "Job Title", "Business Phone", "Home Phone", "Mobile Phone",
                "Business Fax", "E-mail Address", "Business Street", "Business City", "Home City", "Categories" },
              { "Ann", "Lee", "Acme", "CEO", "1", "2", "3", "4", "ann@acme.com", "1 Road", "Leeds", "York",
                  "Work;Golf;Chess;Go" } },
            { { "FName", "Ann" }, { "LName", "Lee" }, { "Company", "Acme" }, { "JobTitle", "CEO" }, { "Phone1", "1" },
                { "Phone2", "2" }, { "Cellular", "3" }, { "Fax", "4" }, { "EMail", "ann@acme.com" },
                { "Address1", "1 Road" }, { "City", "Leeds" }, { "CategoryA", "Work" }, { "CategoryB", "Golf" },
                { "CategoryC", "Chess" } },
            { "Home City: York", "CATEGORIES: Go" } },
        { { { "Name", "Given Name", "Family Name", "Phone 1 - Type", "Phone 1 - Value", "Phone 2 - Type",
                "Phone 2 - Value", "Group Membership" },
              { "Bo Kim", "Bo", "Kim", "Mobile", "555", "Pager", "666", "* myContacts ::: Friends" } },
            { { "FName", "Bo" }, { "LName", "Kim" }, { "Cellular", "555" }, { "CategoryA", "myContacts" },
                { "CategoryB", "Friends" } },
            { "Phone 2 - Value: 666 (Pager)" } },
        { { { "Display Name", "Primary Email" }, { "Carla Maria Diaz", "c@example.com" } },
            { { "FName", "Carla Maria" }, { "LName", "Diaz" }, { "EMail", "c@example.com" } }, {} },
    };
    for (const Case& c : cases) {
        const CsvMapping mapping = mapCsvColumns(c.rows[0]);
        const ContactCard card = contactFromCsv(mapping, c.rows[1]);
        EXPECT_EQ(card.fields, c.expected) << c.rows[0][0];
        EXPECT_EQ(card.unmapped, c.notes) << c.rows[0][0];
    }
}

TEST(ContactCsv, ExplicitMappingAndOwnLayoutRoundTrip)
{
    const CsvMapping mapping
        = mapCsvColumns({ "Surname", "Col B", "Col C" }, { { "Company", "col b" }, { "E-Mail", "3" } });
    const ContactCard card = contactFromCsv(mapping, { "Lee", "Acme", "lee@acme.com" });
    EXPECT_EQ(card.fields,
        (std::map<std::string, std::string> {
            { "LName", "Lee" }, { "Company", "Acme" }, { "EMail", "lee@acme.com" } }));
    EXPECT_THROW(mapCsvColumns({ "A" }, { { "NoSuchField", "A" } }), EExchangeError);
    EXPECT_THROW(mapCsvColumns({ "A" }, { { "Company", "B" } }), EExchangeError);

    ContactCard contact;
    contact.fields = { { "LName", "O'Neil, Jr" }, { "Comments", "a\nb" }, { "Created", "2020-01-31" },
        { "Num1", "2.5" }, { "Mark", "1" }, { "User4", "x" } };
    contact.unmapped = { "BDAY: 1990-01-01", "Phone1: +1 555 123 4567 ext 89" };
    contact.uid = "u-1";
    const CsvParse parse = parseCsv(formatCsvRecord(contactCsvHeader()) + formatCsvRecord(contactCsvRow(contact)));
    ASSERT_EQ(parse.records.size(), 2u);
    const ContactCard back = contactFromCsv(mapCsvColumns(parse.records[0].cells), parse.records[1].cells);
    EXPECT_EQ(back.fields, contact.fields);
    EXPECT_EQ(back.unmapped, contact.unmapped);
    EXPECT_EQ(back.uid, contact.uid);
}
