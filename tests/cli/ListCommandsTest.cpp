#include "TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace pelmora::test {
namespace {

class ListCommandsTest : public ::testing::Test {
protected:
    RunResult run(std::vector<std::string> args)
    {
        args.insert(args.begin(), { "--home", home.path().string() });
        return runPelmora(args);
    }
    nlohmann::json json(std::vector<std::string> args)
    {
        const RunResult result = run(std::move(args));
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return result.exitCode == 0 ? nlohmann::json::parse(result.out) : nlohmann::json();
    }
    TempDir home;
};

TEST_F(ListCommandsTest, ActivitiesNarrowAsTheActivityListDoes)
{
    const auto all = json({ "activities", "list" });
    ASSERT_GT(all.size(), 2u);
    const std::string name = all[0]["Activity"];
    size_t named = 0;
    for (const auto& activity : all)
        named += activity["Activity"] == name;
    EXPECT_EQ(json({ "activities", "list", "--activity", name }).size(), named);
    EXPECT_EQ(json({ "activities", "list", "--activity", name + "*" }).size(), 0u); // no prefix reading
    size_t done = 0;
    for (const auto& activity : all)
        done += activity["Done"] == true;
    EXPECT_EQ(json({ "activities", "list", "--status", "done" }).size(), done);
    const auto week = json({ "activities", "list", "--date", "Next Week", "--today", "2026-01-01" });
    for (const auto& activity : week) {
        EXPECT_GE(activity["DateOf"].get<std::string>(), "2026-01-01");
        EXPECT_LE(activity["DateOf"].get<std::string>(), "2026-01-08");
    }
    EXPECT_NE(run({ "activities", "list", "--status", "maybe" }).exitCode, 0);
}

TEST_F(ListCommandsTest, DocumentsAttachListAndDeleteSparingSharedFiles)
{
    const auto file = home.path() / "letter.txt";
    writeFile(file, "Dear Ann");
    const auto first = json({ "documents", "attach", "2", file.string(), "--name", "Letter" });
    EXPECT_EQ(first["Size"], 8);
    EXPECT_EQ(first["File"], file.string());
    const auto second = json({ "documents", "attach", "3", file.string() });
    EXPECT_EQ(json({ "documents", "list", "--contact", "2" }).size(), 1u);
    const auto kept = json({ "documents", "delete", std::to_string(first["Counter"].get<int>()), "--with-file" });
    EXPECT_EQ(kept["fileDeleted"], false);
    EXPECT_TRUE(std::filesystem::exists(file));
    const auto gone = json({ "documents", "delete", std::to_string(second["Counter"].get<int>()), "--with-file" });
    EXPECT_EQ(gone["fileDeleted"], true);
    EXPECT_FALSE(std::filesystem::exists(file));
}

TEST_F(ListCommandsTest, HelpPathsWriteMissingPages)
{
    const auto page = json({ "help", "path", "hurllist.htm" });
    EXPECT_EQ(page["path"], (home.path() / "help" / "hurllist.htm").string());
    EXPECT_TRUE(std::filesystem::exists(page["path"].get<std::string>()));
    EXPECT_NE(run({ "help", "path", "../x" }).exitCode, 0);
}

} // namespace
} // namespace pelmora::test
