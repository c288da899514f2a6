#include "TestSupport.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace {

TEST(ScreenshotsTest, RendersEveryWindowToAPictureNamedAfterItsClass)
{
    pelmora::test::TempDir out;
    const auto dir = out.path() / "shots";
    auto result = pelmora::test::runPelmora({ "screenshots", dir.string() });
    ASSERT_EQ(result.exitCode, 0) << result.err;
    for (const char* name : { "TfrmMainForm", "TfrmSplash", "TBrDateForm", "TfrmMemo", "TfrmCategory", "TfrmDepart",
             "TfrmJobTitle", "TfrmDefActivity", "TfrmDefMore", "TFrmDatabaseList", "TMsgform", "TSetupDlg", "TSMTPForm",
             "TMailAddressDlg", "TfrmChoosDir", "TfrmEmail", "TfrmEmailList", "TfrmShowAttFull", "TfrmDefineImpFile",
             "TfrmReportDlg", "ReportPreview", "TfrmDuplicates", "TfrmImportContacts", "TfrmExportContacts",
             "ContactSyncWindow", "ContactSyncWindowRunning" }) {
        const auto file = dir / (std::string(name) + ".png");
        ASSERT_TRUE(std::filesystem::exists(file)) << name;
        // A PNG of a real window is kilobytes; a failed grab gives an empty or tiny file.
        EXPECT_GT(std::filesystem::file_size(file), 1000u) << name;
    }
}

TEST(ScreenshotsTest, ReportsAMissingDirectoryArgumentAsAUsageError)
{
    auto result = pelmora::test::runPelmora({ "screenshots" });
    EXPECT_EQ(result.exitCode, 2);
    EXPECT_NE(result.err.find("usage"), std::string::npos);
}

TEST(ScreenshotsTest, FailsClearlyWhenTheDirectoryCannotBeMade)
{
    pelmora::test::TempDir out;
    pelmora::test::writeFile(out / "file", "not a directory");
    auto result = pelmora::test::runPelmora({ "screenshots", (out / "file" / "shots").string() });
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_NE(result.err.find("Cannot create the directory"), std::string::npos);
}

} // namespace
