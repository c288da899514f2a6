#include "CommandHome.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace pelmora::test {
namespace {

class ListCommandsTest : public ::testing::Test {
protected:
    CommandHome home;
};

TEST_F(ListCommandsTest, ActivitiesNarrowAsTheActivityListDoes)
{
    const auto all = home.json({ "activities", "list" });
    ASSERT_GT(all.size(), 2u);
    const std::string name = all[0]["Activity"];
    size_t named = 0;
    for (const auto& activity : all)
        named += activity["Activity"] == name;
    EXPECT_EQ(home.json({ "activities", "list", "--activity", name }).size(), named);
    EXPECT_EQ(home.json({ "activities", "list", "--activity", name + "*" }).size(), 0u); // no prefix reading
    size_t done = 0;
    for (const auto& activity : all)
        done += activity["Done"] == true;
    EXPECT_EQ(home.json({ "activities", "list", "--status", "done" }).size(), done);
    const auto week = home.json({ "activities", "list", "--date", "Next Week", "--today", "2026-01-01" });
    for (const auto& activity : week) {
        EXPECT_GE(activity["DateOf"].get<std::string>(), "2026-01-01");
        EXPECT_LE(activity["DateOf"].get<std::string>(), "2026-01-08");
    }
    EXPECT_NE(home.run({ "activities", "list", "--status", "maybe" }).exitCode, 0);
}

TEST_F(ListCommandsTest, ContactsNarrowByWholeCategoriesWebAddressesAndExpressions)
{
    const std::vector<std::vector<std::string>> added { { "LName=Zed", "CategoryA=Key \"A\"", "CategoryB=Top*",
                                                            "URL=example.org" },
        { "LName=Amy", "CategoryA=Key \"A\"", "CategoryB=Top" }, { "LName=bob", "CategoryA=Key" } };
    for (const auto& fields : added) {
        std::vector<std::string> args { "table", "add", "Contacts" };
        args.insert(args.end(), fields.begin(), fields.end());
        ASSERT_EQ(home.run(args).exitCode, 0);
    }
    const auto all = home.json({ "contacts", "list" });
    ASSERT_GT(all.size(), 3u);
    // A quote is part of the name and a trailing * is not a prefix.
    const auto quoted = home.json({ "contacts", "list", "--category1", "Key \"A\"" });
    ASSERT_EQ(quoted.size(), 2u);
    EXPECT_EQ(quoted[0]["LName"], "Amy"); // ordered by last name
    EXPECT_EQ(quoted[1]["LName"], "Zed");
    EXPECT_EQ(home.json({ "contacts", "list", "--category2", "Top*" }).size(), 1u);
    EXPECT_EQ(home.json({ "contacts", "list", "--category1", "Key" }).size(), 1u);
    size_t withUrl = 0;
    for (const auto& contact : all)
        withUrl += !contact["URL"].is_null();
    EXPECT_EQ(home.json({ "contacts", "list", "--with-url" }).size(), withUrl);
    const auto zed = home.json({ "contacts", "list", "--with-url", "--where", "LName = \"Zed\"" });
    ASSERT_EQ(zed.size(), 1u);
    EXPECT_EQ(zed[0]["CategoryB"], "Top*");
    // The order of an index led by the field; a field that leads none is refused.
    const auto byCounter = home.json({ "contacts", "list", "--order", "Counter" });
    ASSERT_EQ(byCounter.size(), all.size());
    EXPECT_LT(byCounter[0]["Counter"].get<int>(), byCounter[1]["Counter"].get<int>());
    EXPECT_EQ(byCounter.back()["LName"], "bob");
    EXPECT_NE(home.run({ "contacts", "list", "--order", "Phone1" }).exitCode, 0);
    EXPECT_NE(home.run({ "contacts", "list", "--where", "LName = " }).exitCode, 0);
}

TEST_F(ListCommandsTest, DocumentsAttachListAndDeleteSparingSharedFiles)
{
    const auto file = home.path() / "letter.txt";
    writeFile(file, "Dear Ann");
    const auto first = home.json({ "documents", "attach", "2", file.string(), "--name", "Letter" });
    EXPECT_EQ(first["Size"], 8);
    EXPECT_EQ(first["File"], file.string());
    const auto second = home.json({ "documents", "attach", "3", file.string() });
    EXPECT_EQ(home.json({ "documents", "list", "--contact", "2" }).size(), 1u);
    const auto kept = home.json({ "documents", "delete", std::to_string(first["Counter"].get<int>()), "--with-file" });
    EXPECT_EQ(kept["fileDeleted"], false);
    EXPECT_TRUE(std::filesystem::exists(file));
    const auto gone = home.json({ "documents", "delete", std::to_string(second["Counter"].get<int>()), "--with-file" });
    EXPECT_EQ(gone["fileDeleted"], true);
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(ListCommandsTest, HelpPathsWriteMissingPages)
{
    const auto page = home.json({ "help", "path", "hurllist.htm" });
    EXPECT_EQ(page["path"], (home.path() / "help" / "hurllist.htm").string());
    EXPECT_TRUE(std::filesystem::exists(page["path"].get<std::string>()));
    EXPECT_NE(home.run({ "help", "path", "../x" }).exitCode, 0);
}

} // namespace
} // namespace pelmora::test
