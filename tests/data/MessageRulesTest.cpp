#include "DataTestSupport.h"

#include <gtest/gtest.h>

namespace pelmora::data {
namespace {

class MessageRulesTest : public ::testing::Test, public test::DataModuleFixture {
protected:
    void SetUp() override
    {
        module->TBLCon.first();
        contact = module->TBLCon.asInteger("Counter");
        module->TBLCon.next();
        other = module->TBLCon.asInteger("Counter");
    }

    std::int64_t addMessage(
        std::int64_t owner, const std::string& subject, const std::vector<std::string>& files, int status = 0)
    {
        auto& sql = module->currentDatabase()->sql();
        sql.prepare("INSERT INTO EMAIL (Contact, Subject, AttachNum, Status) VALUES (?, ?, ?, ?)")
            .bind(1, owner)
            .bind(2, subject)
            .bind(3, std::int64_t(files.size()))
            .bind(4, std::int64_t(status))
            .run();
        const std::int64_t message = sql.lastInsertRowId();
        for (const std::string& file : files) {
            sql.prepare("INSERT INTO Attach (EmailNum, Location) VALUES (?, ?)").bind(1, message).bind(2, file).run();
            if (!std::filesystem::exists(file))
                test::writeFile(file, "content");
        }
        return message;
    }

    std::vector<std::string> attachmentsOf(std::int64_t message)
    {
        std::vector<std::string> files;
        Statement& st = module->currentDatabase()->sql().prepare(
            "SELECT Location FROM Attach WHERE EmailNum = ? ORDER BY Counter");
        st.bind(1, message);
        while (st.step())
            files.push_back(valueToString(st.column(0)));
        st.reset();
        return files;
    }

    void deleteInbox(std::int64_t message)
    {
        module->TBLEmailFull.refresh();
        ASSERT_TRUE(module->TBLEmailFull.gotoRowId(message));
        module->TBLEmailFull.remove();
    }

    std::string inAttach(const std::string& name) const { return (attachDir / name).string(); }

    std::int64_t contact = 0, other = 0;
};

TEST_F(MessageRulesTest, DeletingAMessageDeletesItsOwnFilesOnly)
{
    const auto a = addMessage(1, "two files", { inAttach("a.txt"), inAttach("b.txt") });
    const auto b = addMessage(1, "other", { inAttach("c.txt") });
    deleteInbox(a);
    EXPECT_FALSE(std::filesystem::exists(inAttach("a.txt")));
    EXPECT_FALSE(std::filesystem::exists(inAttach("b.txt")));
    EXPECT_TRUE(attachmentsOf(a).empty());
    EXPECT_EQ(attachmentsOf(b), std::vector<std::string> { inAttach("c.txt") });
    EXPECT_TRUE(std::filesystem::exists(inAttach("c.txt")));
}

TEST_F(MessageRulesTest, ASharedFileGoesWithItsLastMessage)
{
    const auto original = addMessage(1, "shared", { inAttach("s.txt") });
    const auto copy = module->copyMessage(original);
    ASSERT_GT(copy, original);
    EXPECT_EQ(attachmentsOf(copy), attachmentsOf(original)); // same files, no file copied
    deleteInbox(original);
    EXPECT_TRUE(std::filesystem::exists(inAttach("s.txt")));
    deleteInbox(copy);
    EXPECT_FALSE(std::filesystem::exists(inAttach("s.txt")));
}

TEST_F(MessageRulesTest, TheUsersOwnFilesSentAsAttachmentsAreKept)
{
    const auto mine = (temp / "report.pdf").string();
    const auto sent = addMessage(1, "sent", { mine }, 1);
    deleteInbox(sent);
    EXPECT_TRUE(std::filesystem::exists(mine));
    EXPECT_TRUE(attachmentsOf(sent).empty());
    EXPECT_TRUE(prompts.notDeleted.empty());
}

TEST_F(MessageRulesTest, AFileThatCannotBeDeletedIsReportedAndItsRowStillGoes)
{
    const auto inbox = addMessage(1, "gone", { inAttach("gone.txt") });
    std::filesystem::remove(inAttach("gone.txt"));
    deleteInbox(inbox);
    ASSERT_EQ(prompts.notDeleted.size(), 1u);
    EXPECT_EQ(prompts.notDeleted[0], "File Cant be Delleted " + inAttach("gone.txt"));
    EXPECT_TRUE(attachmentsOf(inbox).empty());

    const auto filed = addMessage(contact, "filed", { inAttach("g2.txt") });
    std::filesystem::remove(inAttach("g2.txt"));
    ASSERT_TRUE(module->TBLCon.gotoRowId(contact));
    ASSERT_TRUE(module->TBLEmail.gotoRowId(filed));
    module->TBLEmail.remove();
    EXPECT_EQ(prompts.notDeleted.back(), "File Cant be Delleted? " + inAttach("g2.txt"));
}

TEST_F(MessageRulesTest, AReportThatFailsLeavesTheDeleteDoneAndTheDatabaseUsable)
{
    const auto inbox = addMessage(1, "gone", { inAttach("gone.txt") });
    std::filesystem::remove(inAttach("gone.txt"));
    prompts.throwOnNotDeleted = true;
    module->TBLEmailFull.refresh();
    ASSERT_TRUE(module->TBLEmailFull.gotoRowId(inbox));
    EXPECT_THROW(module->TBLEmailFull.remove(), std::runtime_error);
    EXPECT_EQ(module->currentDatabase()->sql().scalar("SELECT COUNT(*) FROM EMAIL WHERE Counter = ?", { inbox }), 0);
    prompts.throwOnNotDeleted = false;
    EXPECT_GT(addMessage(1, "after", {}), inbox); // no transaction was left open
    EXPECT_EQ(module->currentDatabase()->sql().savepointDepth(), 0);
}

TEST_F(MessageRulesTest, StatusTextTellsSentFromReceived)
{
    addMessage(contact, "in", {}, 0);
    addMessage(contact, "out", {}, 1);
    addMessage(contact, "odd", {}, 7);
    ASSERT_TRUE(module->TBLCon.gotoRowId(contact));
    std::vector<std::string> texts;
    for (module->TBLEmail.first(); !module->TBLEmail.eof(); module->TBLEmail.next())
        texts.push_back(module->TBLEmail.asString("StatusField"));
    EXPECT_EQ(texts, (std::vector<std::string> { "received", "Sent", "received" }));
}

TEST_F(MessageRulesTest, CopyAndPasteGiveANewMessageWithTheSameFiles)
{
    const auto source = addMessage(1, "copy me", { inAttach("x.txt"), inAttach("y.txt") });
    module->TBLEmailFull.refresh();
    ASSERT_TRUE(module->TBLEmailFull.gotoRowId(source));
    module->copyToClipboard(module->TBLEmailFull);
    ASSERT_TRUE(module->TBLCon.gotoRowId(other));
    const auto pasted = module->paste(other, module->TBLEmail);
    ASSERT_GT(pasted, source);
    EXPECT_EQ(module->TBLEmail.asInteger("Counter"), pasted);
    EXPECT_EQ(module->TBLEmail.asString("Subject"), "copy me");
    EXPECT_EQ(module->TBLEmail.asInteger("Contact"), other);
    EXPECT_EQ(attachmentsOf(pasted), attachmentsOf(source));
    EXPECT_EQ(attachmentsOf(source).size(), 2u);
    EXPECT_EQ(module->clipboard().copied, 0);
    EXPECT_EQ(module->paste(other, module->TBLEmail), 0); // consumed
}

TEST_F(MessageRulesTest, CutAndPasteMoveTheMessage)
{
    const auto message = addMessage(contact, "move me", {});
    ASSERT_TRUE(module->TBLCon.gotoRowId(contact));
    ASSERT_TRUE(module->TBLEmail.gotoRowId(message));
    module->cutToClipboard(module->TBLEmail);
    EXPECT_FALSE(module->TBLEmail.gotoRowId(message)); // gone from the window
    EXPECT_EQ(module->paste(1, module->TBLEmailFull), message);
    EXPECT_EQ(module->TBLEmailFull.asInteger("Contact"), 1);
}

TEST_F(MessageRulesTest, ACutMessageIsNeverLeftWhereNoWindowShowsIt)
{
    const auto cut = addMessage(contact, "cut", {});
    const auto copied = addMessage(contact, "copied", {});
    ASSERT_TRUE(module->TBLCon.gotoRowId(contact));
    ASSERT_TRUE(module->TBLEmail.gotoRowId(cut));
    module->cutToClipboard(module->TBLEmail);
    ASSERT_TRUE(module->TBLEmail.gotoRowId(copied));
    module->copyToClipboard(module->TBLEmail);
    const auto pasted = module->paste(1, module->TBLEmailFull); // the copy wins
    EXPECT_NE(pasted, cut);
    EXPECT_TRUE(module->TBLEmail.gotoRowId(cut)); // and the cut one is back with its contact

    module->currentDatabase()->sql().exec("DELETE FROM EMAIL WHERE Counter = " + std::to_string(copied));
    module->copyToClipboard(module->TBLEmail); // still the "cut" message, current again
    module->clipboard().copied = copied; // a message deleted meanwhile
    EXPECT_EQ(module->paste(1, module->TBLEmailFull), 0);
    EXPECT_EQ(module->clipboard().copied, 0);
    EXPECT_EQ(module->clipboard().cut, 0);
}

} // namespace
} // namespace pelmora::data
