#include "cli/Args.h"

#include "TestSupport.h"
#include "base/Error.h"

#include <gtest/gtest.h>

using pelmora::UsageError;
using pelmora::cli::Args;

TEST(Args, SplitsPositionalsValuesAndFlags)
{
    Args args({"Contacts", "--where", "City = 'Boston'", "--to=a@x", "--to", "b@x", "--leave", "--", "--literal"},
              {"where", "to"}, {"leave"});
    EXPECT_EQ(args.next("table"), "Contacts");
    EXPECT_EQ(args.option("where"), "City = 'Boston'");
    EXPECT_EQ(args.options("to"), (std::vector<std::string>{"a@x", "b@x"}));
    EXPECT_TRUE(args.flag("leave"));
    EXPECT_FALSE(args.flag("uu"));
    EXPECT_EQ(args.next("word"), "--literal");
    EXPECT_NO_THROW(args.expectEnd());
}

TEST(Args, RejectsWhatTheCommandDoesNotTake)
{
    EXPECT_THROW(Args({"--bogus"}, {"where"}), UsageError);
    EXPECT_THROW(Args({"--where"}, {"where"}), UsageError);
    EXPECT_THROW(Args({"--leave=yes"}, {}, {"leave"}), UsageError);
    Args args({"one", "two"}, {});
    EXPECT_THROW(args.required("server"), UsageError);
    args.next("first");
    EXPECT_THROW(args.expectEnd(), UsageError);
}

TEST(CommandLine, VersionHelpAndUnknownCommands)
{
    auto version = pelmora::test::runPelmora({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.out.rfind("pelmora ", 0), 0u);

    auto help = pelmora::test::runPelmora({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.out.find("Usage: pelmora"), std::string::npos);
    EXPECT_NE(help.out.find("pelmora screenshots DIR"), std::string::npos);

    auto unknown = pelmora::test::runPelmora({"--home", "/nonexistent", "frobnicate"});
    EXPECT_EQ(unknown.exitCode, 2);
    EXPECT_NE(unknown.err.find("frobnicate"), std::string::npos);
}
