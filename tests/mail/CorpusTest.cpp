#include "mail/MailErrors.h"
#include "mail/TmsMessage.h"

#include <gtest/gtest.h>

#include "MailTestUtil.h"
#include "TestSupport.h"
#include "TimeBudget.h"

#include <chrono>

using namespace pelmora::mail;
using namespace pelmora::mail::test;
namespace fs = std::filesystem;

namespace {

std::vector<fs::path> corpusMessages()
{
    std::vector<fs::path> files;
    fs::path dir = pelmora::test::corpusDir();
    if (dir.empty() || !fs::is_directory(dir / "mime"))
        return files;
    for (const auto& entry : fs::directory_iterator(dir / "mime"))
        files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

// Every message parses in bounded time; a message is either read or kept whole.
void checkMessage(const fs::path& file)
{
    std::string text = pelmora::test::readFile(file);
    TmsMessage message;
    auto start = std::chrono::steady_clock::now();
    try {
        message = parse(text);
    } catch (const EMessageParserError& error) {
        EXPECT_STREQ(error.what(), "Unable to retrieve headers");
        return;
    }
    EXPECT_LT(std::chrono::steady_clock::now() - start, pelmora::test::budget(std::chrono::seconds(5)));
    for (int i = 0; i < message.Attachments.Count(); ++i) {
        if (message.Attachments.Items(i).FileName == "original.eml") {
            EXPECT_EQ(message.Attachments.Items(i).Stream, text);
        }
    }
    // What was read survives being written and read again: names, contents, body.
    TmsMessage back = parse(compose(message));
    ASSERT_EQ(back.Attachments.Count(), message.Attachments.Count());
    for (int i = 0; i < back.Attachments.Count(); ++i) {
        const TmsAttItem& before = message.Attachments.Items(i);
        const TmsAttItem& after = back.Attachments.Items(i);
        EXPECT_EQ(after.FileName, before.FileName);
        if (before.Encoding == aeBase64) {
            EXPECT_EQ(after.Stream, before.Stream) << before.FileName.str();
        }
    }
    TmsMessage again = parse(compose(back));
    EXPECT_EQ(again.Body, back.Body);
}

} // namespace

TEST(Corpus, EveryMessageIsReadOrKeptAndSurvivesARoundTrip)
{
    std::vector<fs::path> files = corpusMessages();
    if (files.empty())
        PELMORA_SKIP_OR_FAIL("the shared corpus is not there");
    for (const fs::path& file : files) {
        SCOPED_TRACE(file.filename().string());
        checkMessage(file);
    }
}

TEST(Corpus, LargeMessagesAreReadLineByLine)
{
    // One attachment of 8 MB in lines of 76 characters, and one line of 1 MB without a break.
    std::string data(8 << 20, 'x');
    TmsMessage message;
    message.Sender = TmsMailAddress("a@b", "");
    message.Body = { "big", std::string(1 << 20, 'L') };
    auto item = std::make_unique<TmsAttItem>();
    item->SetFileName("big.bin");
    item->Stream = data;
    message.Attachments.AddItem(std::move(item));
    TmsMessage back = parse(compose(message));
    ASSERT_EQ(back.Attachments.Count(), 1);
    EXPECT_EQ(back.Attachments.Items(0).Stream.size(), data.size());
    EXPECT_EQ(back.Body, message.Body);
}
