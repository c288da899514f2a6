#include "SampleSeed.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// RFC 4180: quoted fields may hold commas, doubled quotes and line breaks.
std::vector<std::vector<std::string>> parseCsv(const std::string& text)
{
    std::vector<std::vector<std::string>> records(1, std::vector<std::string>(1));
    bool quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        std::string& field = records.back().back();
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
                field += text[++i];
            else if (c == '"')
                quoted = false;
            else
                field += c;
        } else if (c == '"' && field.empty()) {
            quoted = true;
        } else if (c == ',') {
            records.back().emplace_back();
        } else if (c == '\n') {
            records.emplace_back(1);
        } else {
            field += c;
        }
    }
    EXPECT_FALSE(quoted) << "unterminated quoted field";
    if (records.back().size() == 1 && records.back().front().empty())
        records.pop_back();
    return records;
}

// Field types by table: "A<n>" text of at most n characters, "M" memo, "L" logical, "D" date,
// "I" integer, "N" number.
const std::map<std::string, std::map<std::string, std::string>>& schema()
{
    static const std::map<std::string, std::map<std::string, std::string>> tables = [] {
        std::map<std::string, std::map<std::string, std::string>> t;
        t["Contacts"] = { { "Counter", "I" }, { "LName", "A20" }, { "FName", "A20" }, { "Company", "A45" },
            { "EMail", "A60" }, { "Mark", "L" }, { "SiteTitle", "A80" }, { "URL", "A80" }, { "SiteDesc", "M" },
            { "LastVisited", "D" }, { "CategoryA", "A40" }, { "CategoryB", "A40" }, { "CategoryC", "A40" },
            { "JobTitle", "A40" }, { "Department", "A40" }, { "Phone1", "A20" }, { "Phone2", "A20" },
            { "Cellular", "A20" }, { "Fax", "A20" }, { "Address1", "A40" }, { "Address2", "A40" }, { "City", "A20" },
            { "State", "A20" }, { "Zip", "A13" }, { "Country", "A20" }, { "Created", "D" }, { "LastContact", "D" },
            { "Comments", "M" } };
        for (int i = 1; i <= 10; ++i)
            t["Contacts"]["User" + std::to_string(i)] = "A20";
        for (int i = 1; i <= 5; ++i) {
            t["Contacts"]["Date" + std::to_string(i)] = "D";
            t["Contacts"]["Num" + std::to_string(i)] = "N";
        }
        t["Activity"] = { { "Activity", "A50" }, { "DateOf", "D" }, { "Priority", "A2" }, { "Done", "L" },
            { "Detailes", "A100" }, { "Notes", "M" }, { "DateCreated", "D" }, { "Contact", "I" } };
        t["notes"] = { { "Subject", "A50" }, { "DateCreated", "D" }, { "Memo", "M" }, { "Contact", "I" } };
        t["People"] = { { "LastName", "A30" }, { "FirstName", "A30" }, { "EMail", "A50" }, { "JobTitle", "A30" },
            { "Department", "A30" }, { "DateCreated", "D" }, { "Notes", "M" }, { "Fax", "A20" }, { "Phone", "A20" },
            { "Contact", "I" } };
        t["Links"] = { { "Title", "A50" }, { "URL", "A50" }, { "Descrip", "M" }, { "DateCreated", "D" },
            { "LastAccess", "D" }, { "Contact", "I" } };
        t["category"] = { { "Desc", "A100" } };
        t["jobTitle"] = { { "Description", "A50" } };
        t["Depart"] = { { "Description", "A50" } };
        t["ActDesc"] = { { "ActDesc", "A50" }, { "Activity", "I" } };
        t["Ip2zip"] = { { "CITY", "A25" }, { "ZIP", "A10" }, { "STATE", "A2" } };
        t["BaseName"] = { { "BaseName", "A100" }, { "BaseDir", "A100" } };
        t["MoreName"] = { { "RealName", "A20" }, { "NikName", "A20" } };
        return t;
    }();
    return tables;
}

size_t utf8Length(const std::string& text)
{
    return static_cast<size_t>(std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

bool isDate(const std::string& text)
{
    int y = 0, m = 0, d = 0;
    if (text.size() != 10 || text[4] != '-' || text[7] != '-')
        return false;
    std::from_chars(text.data(), text.data() + 4, y);
    std::from_chars(text.data() + 5, text.data() + 7, m);
    std::from_chars(text.data() + 8, text.data() + 10, d);
    static const int days[] = { 31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31 };
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return y > 1900 && m >= 1 && m <= 12 && d >= 1 && d <= (m == 2 && !leap ? 28 : days[m - 1]);
}

bool isNumber(const std::string& text, bool integer)
{
    double number = 0;
    const char* end = text.data() + text.size();
    const bool digits = !text.empty() && text.find_first_not_of("-0123456789.") == std::string::npos;
    return digits && std::from_chars(text.data(), end, number).ptr == end
        && (!integer || text.find('.') == std::string::npos);
}

void checkValue(const std::string& table, const std::string& field, const std::string& type, const std::string& value)
{
    if (value.empty())
        return;
    SCOPED_TRACE(table + "." + field + " = \"" + value + "\"");
    if (type[0] == 'A') {
        EXPECT_LE(utf8Length(value), std::stoul(type.substr(1)));
        EXPECT_EQ(value.find('\n'), std::string::npos);
    } else if (type == "D") {
        EXPECT_TRUE(isDate(value));
    } else if (type == "L") {
        EXPECT_TRUE(value == "1" || value == "0");
    } else if (type == "I" || type == "N") {
        EXPECT_TRUE(isNumber(value, type == "I"));
    }
}

} // namespace

// Reads one seed file, checking its header and every value against the table's fields.
std::vector<Row> loadTable(const std::string& table)
{
    const fs::path file
        = pelmora::test::testDataDir().parent_path().parent_path() / "resources" / "sample" / (table + ".csv");
    const auto records = parseCsv(pelmora::test::readFile(file));
    EXPECT_FALSE(records.empty()) << file;
    if (records.empty())
        return {};
    const std::vector<std::string>& header = records.front();
    const auto& fields = schema().at(table);
    for (const std::string& name : header)
        EXPECT_TRUE(fields.count(name)) << table << " has no field " << name;
    EXPECT_EQ(std::set<std::string>(header.begin(), header.end()).size(), header.size()) << table;
    std::vector<Row> rows;
    for (size_t r = 1; r < records.size(); ++r) {
        EXPECT_EQ(records[r].size(), header.size()) << table << " record " << r;
        Row row;
        for (size_t f = 0; f < std::min(header.size(), records[r].size()); ++f) {
            if (fields.count(header[f]))
                checkValue(table, header[f], fields.at(header[f]), records[r][f]);
            row[header[f]] = records[r][f];
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::set<std::string> column(const std::vector<Row>& rows, const std::string& field)
{
    std::set<std::string> values;
    for (const Row& row : rows)
        values.insert(row.at(field));
    return values;
}
