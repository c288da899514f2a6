#include "data/TMsgform.h"

#include <gtest/gtest.h>

using pelmora::data::TMsgform;

TEST(TMsgform, BarFollowsTheBlocksOfEachFile)
{
    TMsgform form;
    int pumped = 0;
    form.processMessages = [&] { ++pumped; };
    form.progress(0, "database.sqlite", 100000);
    EXPECT_EQ("database.sqlite", form.label());
    EXPECT_EQ(3, form.bar().maximum);
    EXPECT_EQ(1, form.bar().position);
    for (int i = 0; i < 5; ++i)
        form.progress(1, "database.sqlite", 100000);
    EXPECT_EQ(3, form.bar().position);
    form.progress(2, "", 0);
    EXPECT_EQ("", form.label());
    EXPECT_EQ(10, form.bar().maximum);
    form.progress(0, "small.txt", 1000);
    EXPECT_EQ(1, form.bar().maximum);
    EXPECT_EQ(1, form.bar().position);
    EXPECT_EQ(8, pumped);
}

TEST(TMsgform, ErrorsOfTheArchiveComponentAreAlsoShown)
{
    TMsgform form;
    std::vector<std::string> shown;
    form.showError = [&](const std::string& text) { shown.push_back(text); };
    form.archiveMessage(0, "  adding: a");
    form.archiveMessage(3, "Can not read a");
    EXPECT_EQ((std::vector<std::string> { "  adding: a", "Can not read a" }), form.memo());
    EXPECT_EQ((std::vector<std::string> { "Error Msg from DLL: Can not read a" }), shown);
}
