#include "CommandHome.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>

namespace pelmora::test {
namespace {

// The data commands run against a home directory of their own, created on first use.
class DataCommandsTest : public ::testing::Test {
protected:
    CommandHome home;
};

TEST_F(DataCommandsTest, InfoNamesTheSampleDatabaseAndCountsEveryTable)
{
    const auto info = home.json({ "db", "info" });
    EXPECT_EQ(info["directory"], (home.path() / "data").string());
    EXPECT_EQ(info["tables"].size(), 15u);
    EXPECT_GT(info["tables"]["Ip2zip"].get<int>(), 50);
    EXPECT_EQ(info["tables"]["MoreName"], 20);
}

TEST_F(DataCommandsTest, ListsWithFilterOrderAndFields)
{
    const auto contacts
        = home.json({ "table", "list", "contacts.db", "--order", "LNameInd", "--fields", "LName,Mark,Created" });
    ASSERT_GT(contacts.size(), 2u);
    EXPECT_EQ(contacts[0].size(), 3u);
    EXPECT_TRUE(contacts[0]["Mark"].is_boolean());
    const auto cities
        = home.json({ "table", "list", "Ip2zip", "--where", "STATE = 'TX' and CITY = 'Dall*'", "--order", "CITY" });
    ASSERT_EQ(cities.size(), 1u);
    EXPECT_EQ(cities[0]["CITY"], "Dallas");
    EXPECT_EQ(home.number({ "table", "count", "Ip2zip", "--where", "STATE = 'TX'" }),
        home.json({ "table", "list", "Ip2zip", "--where", "STATE = 'TX'" }).size());
    const auto bad = home.run({ "table", "list", "Contacts", "--where", "Nope = 1" });
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_NE(bad.err.find("unknown field \"Nope\""), std::string::npos);
    EXPECT_EQ(home.run({ "table", "list", "Nothing" }).exitCode, 1);
    EXPECT_EQ(home.run({ "table", "frobnicate", "Contacts" }).exitCode, 2);
}

TEST_F(DataCommandsTest, AddSetAndDeleteRunTheRules)
{
    const auto contact = home.number({ "table", "add", "Contacts", "LName=Quill", "FName=Pat", "Zip=12345" });
    EXPECT_GT(contact, 1);
    const auto created = home.json({ "table", "list", "Contacts", "--where", "Counter = " + std::to_string(contact) });
    ASSERT_EQ(created.size(), 1u);
    EXPECT_FALSE(created[0]["Created"].is_null()); // the new-contact default ran

    const auto note = home.number({ "table", "add", "notes", "Contact=" + std::to_string(contact), "Subject=Hello" });
    const auto notes = home.json({ "table", "list", "notes", "--contact", std::to_string(contact) });
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0]["Counter"], note);
    EXPECT_FALSE(notes[0]["DateCreated"].is_null()); // the detail default ran
    EXPECT_EQ(home.run({ "table", "add", "notes", "Subject=orphan" }).exitCode, 1);
    EXPECT_EQ(home.run({ "table", "add", "EMAIL", "Subject=orphan" }).exitCode, 1);
    EXPECT_EQ(home.run({ "table", "add", "People", "Contact=999999" }).exitCode, 1);

    EXPECT_EQ(home.run({ "table", "set", "Contacts", std::to_string(contact), "City=Boise", "Num1=2.5" }).exitCode, 0);
    const auto changed = home.json({ "table", "list", "Contacts", "--where", "City = 'Boise'", "--fields", "Num1" });
    ASSERT_EQ(changed.size(), 1u);
    EXPECT_EQ(changed[0]["Num1"], 2.5);

    EXPECT_EQ(home.run({ "table", "delete", "Contacts", std::to_string(contact) }).exitCode, 0);
    EXPECT_EQ(home.number({ "table", "count", "notes", "--where", "Contact = " + std::to_string(contact) }), 0);
}

TEST_F(DataCommandsTest, BadValuesAreRefusedAndNothingIsWritten)
{
    const auto before = home.number({ "table", "count", "Contacts" });
    const struct {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        { { "table", "add", "Contacts", "LName=" + std::string(21, 'x') }, "longer than 20" },
        { { "table", "add", "Contacts", "LName=A", "Created=2026-02-30" }, "not a valid date" },
        { { "table", "add", "Contacts", "Nope=1" }, "Unknown field \"Nope\"" },
        { { "table", "add", "Contacts", "Counter=1" }, "cannot be set" },
        { { "table", "add", "Contacts", "Mark=perhaps" }, "not true or false" },
        { { "table", "set", "Contacts", "999999", "LName=x" }, "no record 999999" },
    };
    for (const auto& c : cases) {
        const RunResult result = home.run(c.args);
        EXPECT_EQ(result.exitCode, 1) << c.args.back();
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
    EXPECT_EQ(home.number({ "table", "count", "Contacts" }), before);
}

TEST_F(DataCommandsTest, MessagesAreCopiedAndMovedBetweenContactsAndTheInbox)
{
    const auto file = (home.path() / "attach" / "letter.txt").string();
    home.json({ "db", "info" }); // creates the home
    writeFile(file, "attached");
    const auto message = home.number({ "table", "add", "EMAIL", "Contact=1", "Subject=Hi", "AttachNum=1" });
    home.number({ "table", "add", "Attach", "EmailNum=" + std::to_string(message), "Location=" + file });

    const auto copy = home.number({ "email", "copy", std::to_string(message), "--to", "2" });
    EXPECT_NE(copy, message);
    EXPECT_EQ(home.number({ "table", "count", "Attach", "--where", "Location = '" + file + "'" }), 2);
    const auto moved = home.number({ "email", "move", std::to_string(copy), "--to", "1" });
    EXPECT_EQ(moved, copy);
    EXPECT_EQ(home.number({ "table", "count", "EMAIL", "--where", "contact=1" }), 2);

    EXPECT_EQ(home.run({ "table", "delete", "EMAIL", std::to_string(message) }).exitCode, 0);
    EXPECT_TRUE(std::filesystem::exists(file)); // the copy still names it
    EXPECT_EQ(home.run({ "table", "delete", "EMAIL", std::to_string(copy) }).exitCode, 0);
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_EQ(home.run({ "email", "copy", "424242", "--to", "1" }).exitCode, 1);
    EXPECT_EQ(home.run({ "email", "move", std::to_string(message), "--to", "777777" }).exitCode, 1);
}

// What the windows never let a user do, the generic commands refuse as well.
TEST_F(DataCommandsTest, TheGenericCommandsKeepTheProtectionsOfTheWindows)
{
    const auto databases = home.number({ "table", "count", "BaseName" });
    const auto message = home.number({ "table", "add", "EMAIL", "Contact=1", "Subject=Inbox" });
    const auto m = std::to_string(message);
    const struct {
        std::vector<std::string> args;
        const char* message;
    } refused[] = {
        { { "table", "delete", "BaseName", "1" }, "pelmora databases" },
        { { "table", "set", "BaseName", "1", "BaseDir=/" }, "pelmora databases" },
        { { "table", "add", "BaseName", "BaseName=Root", "BaseDir=/" }, "pelmora databases" },
        { { "table", "delete", "MoreName", "1" }, "user fields are fixed" },
        { { "table", "add", "MoreName", "RealName=LName", "NikName=x" }, "user fields are fixed" },
        { { "table", "set", "MoreName", "1", "RealName=LName" }, "Only the name" },
        { { "table", "set", "EMAIL", m, "Contact=0" }, "no contact numbered 0" },
        { { "table", "set", "EMAIL", m, "Contact=999999" }, "no contact numbered 999999" },
    };
    for (const auto& c : refused) {
        const RunResult result = home.run(c.args);
        EXPECT_EQ(result.exitCode, 1) << c.args[1] << " " << c.args[2];
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
    EXPECT_EQ(home.number({ "table", "count", "BaseName" }), databases);
    EXPECT_EQ(home.number({ "table", "count", "BaseName", "--where", "BaseName = 'Sample'" }), 1);
    EXPECT_EQ(home.number({ "table", "count", "MoreName" }), 20);
    EXPECT_EQ(home.number({ "table", "count", "EMAIL", "--where", "Counter = " + m + " and Contact = 1" }), 1);

    EXPECT_EQ(home.run({ "table", "set", "MoreName", "1", "NikName=Budget" }).exitCode, 0);
    EXPECT_EQ(home.number({ "table", "count", "MoreName", "--where", "NikName = 'Budget'" }), 1);
    const auto contact = home.number({ "table", "add", "Contacts", "LName=Owner" });
    EXPECT_EQ(home.run({ "table", "set", "EMAIL", m, "Contact=" + std::to_string(contact) }).exitCode, 0);
    EXPECT_EQ(home.run({ "table", "set", "EMAIL", m, "Contact=1" }).exitCode, 0);
}

TEST_F(DataCommandsTest, ADatabaseDirectoryWithoutADatabaseIsAPlainError)
{
    std::filesystem::create_directories(home.path() / "empty");
    ASSERT_EQ(home.run({ "settings", "set", "LastData=" + (home.path() / "empty").string() }).exitCode, 0);
    const RunResult result = home.run({ "db", "info" });
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("holds no Pelmora database"), std::string::npos) << result.err;
    EXPECT_FALSE(std::filesystem::exists(home.path() / "empty" / "database.sqlite"));
}

} // namespace
} // namespace pelmora::test
