#include "TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace pelmora::test {
namespace {

class DuplicateCommandsTest : public ::testing::Test {
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
        return nlohmann::json::parse(result.out);
    }
    std::string add(std::vector<std::string> args)
    {
        args.insert(args.begin(), { "table", "add" });
        const RunResult result = run(std::move(args));
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return std::to_string(std::stoll(result.out));
    }

    TempDir home;
};

TEST_F(DuplicateCommandsTest, FindsThePairAndMergesIt)
{
    const std::string keep = add({ "Contacts", "LName=Zeppelin", "FName=Quentin", "EMail=q.zeppelin@example.org" });
    const std::string other
        = add({ "Contacts", "LName=Zeppelin", "FName=Q.", "EMail=Q.Zeppelin@Example.org", "City=Harbour" });
    add({ "notes", "Contact=" + other, "Subject=Keep me" });

    const auto pairs = json({ "contacts", "duplicates" });
    nlohmann::json ours;
    for (const auto& pair : pairs) {
        if (std::to_string(pair["first"].get<std::int64_t>()) == keep)
            ours = pair;
    }
    ASSERT_FALSE(ours.is_null()) << pairs.dump();
    EXPECT_EQ(std::to_string(ours["second"].get<std::int64_t>()), other);
    EXPECT_EQ(ours["reasons"][0]["kind"], "email");
    EXPECT_EQ(ours["reasons"][0]["detail"], "q.zeppelin@example.org");

    const auto plan = json({ "contacts", "merge", keep, other, "--take", "FName", "--dry-run" });
    EXPECT_EQ(plan["fields"][1]["field"], "FName");
    EXPECT_EQ(plan["fields"][1]["take"], "other");
    EXPECT_EQ(json({ "table", "count", "Contacts", "--where", "Counter = " + other }), 1);

    const auto merged = json({ "contacts", "merge", keep, other, "--keep", "City" });
    EXPECT_EQ(merged["removed"].dump(), other);
    EXPECT_EQ(merged["moved"]["notes"], 1);
    EXPECT_TRUE(merged["note"].get<bool>()); // the other's city was not kept
    EXPECT_EQ(json({ "table", "count", "notes", "--where", "Contact = " + keep }), 2);
    EXPECT_EQ(json({ "table", "count", "Contacts", "--where", "Counter = " + other }), 0);

    // A merge that cannot be done says so and changes nothing.
    const RunResult gone = run({ "contacts", "merge", keep, other });
    EXPECT_EQ(gone.exitCode, 1);
    EXPECT_NE(gone.err.find("There is no contact " + other), std::string::npos);
    EXPECT_EQ(run({ "contacts", "merge", keep }).exitCode, 2);
    EXPECT_EQ(run({ "contacts", "merge", keep, other, "--take", "City", "--keep", "City" }).exitCode, 2);
    EXPECT_EQ(run({ "contacts", "frobnicate" }).exitCode, 2);
}

} // namespace
} // namespace pelmora::test
