// The seed files of the Sample database: a loader rejects a value too long for its field or a
// date that is not a date, so any such slip would stop the first start. The cross-references
// (cities, list entries, contacts) are what a new user sees hang together.
#include "SampleSeed.h"

#include <gtest/gtest.h>

#include <utility>

namespace {

// The first three digits of the ZIP codes of each state (the post office's sectional centres).
const std::map<std::string, std::vector<std::pair<int, int>>>& zipPrefixes()
{
    static const std::map<std::string, std::vector<std::pair<int, int>>> prefixes = {
        { "AL", { { 350, 369 } } },
        { "AK", { { 995, 999 } } },
        { "AZ", { { 850, 865 } } },
        { "AR", { { 716, 729 } } },
        { "CA", { { 900, 961 } } },
        { "CO", { { 800, 816 } } },
        { "CT", { { 60, 69 } } },
        { "DE", { { 197, 199 } } },
        { "DC", { { 200, 205 } } },
        { "FL", { { 320, 349 } } },
        { "GA", { { 300, 319 }, { 398, 399 } } },
        { "HI", { { 967, 968 } } },
        { "ID", { { 832, 838 } } },
        { "IL", { { 600, 629 } } },
        { "IN", { { 460, 479 } } },
        { "IA", { { 500, 528 } } },
        { "KS", { { 660, 679 } } },
        { "KY", { { 400, 427 } } },
        { "LA", { { 700, 714 } } },
        { "ME", { { 39, 49 } } },
        { "MD", { { 206, 219 } } },
        { "MA", { { 10, 27 } } },
        { "MI", { { 480, 499 } } },
        { "MN", { { 550, 567 } } },
        { "MS", { { 386, 397 } } },
        { "MO", { { 630, 658 } } },
        { "MT", { { 590, 599 } } },
        { "NE", { { 680, 693 } } },
        { "NV", { { 889, 898 } } },
        { "NH", { { 30, 38 } } },
        { "NJ", { { 70, 89 } } },
        { "NM", { { 870, 884 } } },
        { "NY", { { 100, 149 } } },
        { "NC", { { 270, 289 } } },
        { "ND", { { 580, 588 } } },
        { "OH", { { 430, 459 } } },
        { "OK", { { 730, 749 } } },
        { "OR", { { 970, 979 } } },
        { "PA", { { 150, 196 } } },
        { "RI", { { 28, 29 } } },
        { "SC", { { 290, 299 } } },
        { "SD", { { 570, 577 } } },
        { "TN", { { 370, 385 } } },
        { "TX", { { 750, 799 } } },
        { "UT", { { 840, 847 } } },
        { "VT", { { 50, 59 } } },
        { "VA", { { 201, 201 }, { 220, 246 } } },
        { "WA", { { 980, 994 } } },
        { "WV", { { 247, 268 } } },
        { "WI", { { 530, 549 } } },
        { "WY", { { 820, 831 } } },
    };
    return prefixes;
}

bool zipFitsState(const std::string& zip, const std::string& state)
{
    const auto ranges = zipPrefixes().find(state);
    if (ranges == zipPrefixes().end() || zip.size() != 5 || zip.find_first_not_of("0123456789") != std::string::npos)
        return false;
    const int prefix = std::stoi(zip.substr(0, 3));
    for (const auto& [low, high] : ranges->second) {
        if (prefix >= low && prefix <= high)
            return true;
    }
    return state == "WY" && zip == "83001"; // Jackson, the one Wyoming town numbered with Idaho
}

TEST(SampleData, CitiesAreRealUsZipCodesOfTheirState)
{
    const std::vector<Row> cities = loadTable("Ip2zip");
    EXPECT_GE(cities.size(), 300u);
    std::set<std::pair<std::string, std::string>> seen;
    for (const Row& city : cities) {
        EXPECT_TRUE(zipFitsState(city.at("ZIP"), city.at("STATE"))) << city.at("CITY") << " " << city.at("ZIP");
        EXPECT_TRUE(seen.emplace(city.at("CITY"), city.at("STATE")).second) << "twice: " << city.at("CITY");
    }
    EXPECT_EQ(column(cities, "STATE").size(), 51u) << "every state and DC";
}

TEST(SampleData, ListsHoldDistinctEntries)
{
    for (const auto& [table, field] : std::vector<std::pair<std::string, std::string>> { { "category", "Desc" },
             { "jobTitle", "Description" }, { "Depart", "Description" }, { "ActDesc", "ActDesc" } }) {
        const std::vector<Row> rows = loadTable(table);
        EXPECT_GE(rows.size(), 8u) << table;
        EXPECT_EQ(column(rows, field).size(), rows.size()) << table << " repeats an entry";
        EXPECT_EQ(column(rows, field).count(""), 0u) << table;
    }
}

TEST(SampleData, ContactsUseTheListsAndCities)
{
    const std::vector<Row> contacts = loadTable("Contacts");
    const std::set<std::string> categories = column(loadTable("category"), "Desc");
    const std::set<std::string> jobs = column(loadTable("jobTitle"), "Description");
    const std::set<std::string> departments = column(loadTable("Depart"), "Description");
    std::set<std::tuple<std::string, std::string, std::string>> places;
    for (const Row& city : loadTable("Ip2zip"))
        places.emplace(city.at("CITY"), city.at("STATE"), city.at("ZIP"));

    EXPECT_GE(contacts.size(), 4u);
    EXPECT_EQ(column(contacts, "Counter").size(), contacts.size());
    for (const Row& c : contacts) {
        SCOPED_TRACE(c.at("LName"));
        EXPECT_GT(std::stoi(c.at("Counter")), 1) << "Contact 1 is the e-mail inbox";
        EXPECT_TRUE(places.count({ c.at("City"), c.at("State"), c.at("Zip") }));
        for (const char* field : { "CategoryA", "CategoryB", "CategoryC" })
            EXPECT_TRUE(c.at(field).empty() || categories.count(c.at(field))) << c.at(field);
        EXPECT_TRUE(c.at("JobTitle").empty() || jobs.count(c.at("JobTitle")));
        EXPECT_TRUE(c.at("Department").empty() || departments.count(c.at("Department")));
        const std::string& email = c.at("EMail");
        EXPECT_TRUE(email.ends_with("@example.com") || email.ends_with("@example.org")) << email;
    }
}

TEST(SampleData, DetailsBelongToContacts)
{
    const std::set<std::string> counters = column(loadTable("Contacts"), "Counter");
    for (const char* table : { "Activity", "notes", "People", "Links" }) {
        const std::vector<Row> rows = loadTable(table);
        EXPECT_FALSE(rows.empty()) << table;
        for (const Row& row : rows)
            EXPECT_TRUE(counters.count(row.at("Contact"))) << table << " names contact " << row.at("Contact");
    }
    const std::vector<Row> activities = loadTable("Activity");
    const std::set<std::string> descriptions = column(loadTable("ActDesc"), "ActDesc");
    for (const Row& activity : activities) {
        EXPECT_TRUE(descriptions.count(activity.at("Activity"))) << activity.at("Activity");
        EXPECT_TRUE(std::set<std::string>({ "A", "B", "C", "D", "" }).count(activity.at("Priority")));
    }
    EXPECT_EQ(column(activities, "Done"), (std::set<std::string> { "0", "1" })) << "some done, some due";
}

TEST(SampleData, SharedTablesHoldTheSampleAndTwentyUserFields)
{
    const std::vector<Row> bases = loadTable("BaseName");
    ASSERT_EQ(bases.size(), 1u);
    EXPECT_EQ(bases[0].at("BaseName"), "Sample");

    std::set<std::string> expected;
    for (int i = 1; i <= 10; ++i)
        expected.insert("User" + std::to_string(i));
    for (int i = 1; i <= 5; ++i) {
        expected.insert("Date" + std::to_string(i));
        expected.insert("Num" + std::to_string(i));
    }
    const std::vector<Row> fields = loadTable("MoreName");
    EXPECT_EQ(fields.size(), 20u);
    EXPECT_EQ(column(fields, "RealName"), expected);
}

} // namespace
