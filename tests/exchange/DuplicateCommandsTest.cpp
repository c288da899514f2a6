#include "CommandHome.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace pelmora::test {
namespace {

class DuplicateCommandsTest : public ::testing::Test {
protected:
    std::string add(std::vector<std::string> args)
    {
        args.insert(args.begin(), { "table", "add" });
        return std::to_string(home.number(std::move(args)));
    }

    CommandHome home;
};

TEST_F(DuplicateCommandsTest, FindsThePairAndMergesIt)
{
    const std::string keep = add({ "Contacts", "LName=Zeppelin", "FName=Quentin", "EMail=q.zeppelin@example.org" });
    const std::string other
        = add({ "Contacts", "LName=Zeppelin", "FName=Q.", "EMail=Q.Zeppelin@Example.org", "City=Harbour" });
    add({ "notes", "Contact=" + other, "Subject=Keep me" });

    const auto pairs = home.json({ "contacts", "duplicates" });
    nlohmann::json ours;
    for (const auto& pair : pairs) {
        if (std::to_string(pair["first"].get<std::int64_t>()) == keep)
            ours = pair;
    }
    ASSERT_FALSE(ours.is_null()) << pairs.dump();
    EXPECT_EQ(std::to_string(ours["second"].get<std::int64_t>()), other);
    EXPECT_EQ(ours["reasons"][0]["kind"], "email");
    EXPECT_EQ(ours["reasons"][0]["detail"], "q.zeppelin@example.org");

    const auto plan = home.json({ "contacts", "merge", keep, other, "--take", "FName", "--dry-run" });
    EXPECT_EQ(plan["fields"][1]["field"], "FName");
    EXPECT_EQ(plan["fields"][1]["take"], "other");
    EXPECT_EQ(home.json({ "table", "count", "Contacts", "--where", "Counter = " + other }), 1);

    const auto merged = home.json({ "contacts", "merge", keep, other, "--keep", "City" });
    EXPECT_EQ(merged["removed"].dump(), other);
    EXPECT_EQ(merged["moved"]["notes"], 1);
    EXPECT_TRUE(merged["note"].get<bool>()); // the other's city was not kept
    EXPECT_EQ(home.json({ "table", "count", "notes", "--where", "Contact = " + keep }), 2);
    EXPECT_EQ(home.json({ "table", "count", "Contacts", "--where", "Counter = " + other }), 0);

    // A merge that cannot be done says so and changes nothing.
    const RunResult gone = home.run({ "contacts", "merge", keep, other });
    EXPECT_EQ(gone.exitCode, 1);
    EXPECT_NE(gone.err.find("There is no contact " + other), std::string::npos);
    EXPECT_EQ(home.run({ "contacts", "merge", keep }).exitCode, 2);
    EXPECT_EQ(home.run({ "contacts", "merge", keep, other, "--take", "City", "--keep", "City" }).exitCode, 2);
    EXPECT_EQ(home.run({ "contacts", "frobnicate" }).exitCode, 2);
}

} // namespace
} // namespace pelmora::test
