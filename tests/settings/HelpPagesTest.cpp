#include "settings/HelpPages.h"

#include "base/Error.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace pelmora::settings {
namespace {

TEST(HelpPagesTest, MissingPagesAreWrittenAndEditedOnesKept)
{
    test::TempDir home;
    const std::filesystem::path help = home.path() / "help";
    EXPECT_EQ(installHelpPages(help).size(), 4u);
    for (const char* name : { "help.htm", "hstarting.htm", "hcontactlist.htm", "hurllist.htm" }) {
        const std::string text = test::readFile(help / name);
        EXPECT_NE(text.find("<meta charset=\"utf-8\">"), std::string::npos) << name;
        // Self-contained: no page reaches outside the help folder.
        EXPECT_EQ(text.find("href=\"http"), std::string::npos) << name;
        EXPECT_EQ(text.find("src="), std::string::npos) << name;
    }
    test::writeFile(help / "hurllist.htm", "my own notes");
    std::filesystem::remove(help / "help.htm");
    EXPECT_EQ(installHelpPages(help), std::vector<std::string> { "help.htm" });
    EXPECT_EQ(test::readFile(help / "hurllist.htm"), "my own notes");

    std::filesystem::remove(help / "hstarting.htm");
    EXPECT_EQ(helpPagePath(help, "hstarting.htm"), help / "hstarting.htm");
    EXPECT_TRUE(std::filesystem::exists(help / "hstarting.htm"));
    EXPECT_THROW(helpPagePath(help, "../secret.htm"), Error);
    // Asked for before any page was installed: the folder is made first.
    EXPECT_TRUE(std::filesystem::exists(helpPagePath(home.path() / "other" / "help", "help.htm")));
}

} // namespace
} // namespace pelmora::settings
