#include "mail/TLineStream.h"
#include "mail/TTempFileStream.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace pelmora::mail;

namespace {

std::vector<std::string> allLines(TLineStream& stream)
{
    std::vector<std::string> lines;
    for (std::string line = stream.NextLine(); line != TLineStream::EndMarker; line = stream.NextLine())
        lines.push_back(line);
    return lines;
}

} // namespace

TEST(LineStream, SplitsAtEveryKindOfLineEndAndKeepsTheLastLine)
{
    TLineStream stream(std::string("a\r\nb\nc\rd\r\n\r\ntail"));
    EXPECT_EQ(allLines(stream), (std::vector<std::string>{"a", "b", "c", "d", "", "tail"}));
    EXPECT_TRUE(stream.atEnd());
    EXPECT_EQ(stream.NextLine(), TLineStream::EndMarker);
}

TEST(LineStream, ResetStartsOverAndEmptyTextHasNoLines)
{
    TLineStream stream(std::string("one\r\ntwo\r\n"));
    EXPECT_EQ(stream.NextLine(), "one");
    stream.Reset();
    EXPECT_EQ(allLines(stream), (std::vector<std::string>{"one", "two"}));
    TLineStream empty{std::string()};
    EXPECT_EQ(empty.NextLine(), TLineStream::EndMarker);
}

TEST(LineStream, HandlesLinesAcrossAndBeyondBlocks)
{
    // A CR LF cut by the block edge is one line end; a line longer than a block comes whole.
    std::string first(TLineStream::BlockSize - 1, 'x');
    std::string longLine(3 * TLineStream::BlockSize + 5, 'y');
    TLineStream stream(first + "\r\n" + longLine + "\r\nz");
    EXPECT_EQ(allLines(stream), (std::vector<std::string>{first, longLine, "z"}));
}

TEST(LineStream, ReadsFromTheStreamPositionAndReportsLineEnds)
{
    std::istringstream in("skip\nA\r\nB");
    std::string skipped;
    std::getline(in, skipped);
    TLineStream stream(in);
    std::string_view line;
    ASSERT_TRUE(stream.next(line));
    EXPECT_EQ(line, "A");
    EXPECT_EQ(stream.lastLineEnd(), "\r\n");
    ASSERT_TRUE(stream.next(line));
    EXPECT_EQ(stream.lastLineEnd(), "");
    std::string all;
    stream.copyAll(all);
    EXPECT_EQ(all, "A\r\nB");
}

TEST(TempFileStream, WritesReadsAndDeletesItsFile)
{
    std::filesystem::path name;
    {
        TTempFileStream spool;
        name = spool.fileName();
        EXPECT_EQ(name.filename().string().rfind("ms", 0), 0u);
        EXPECT_TRUE(std::filesystem::exists(name));
        spool << "hello\r\n";
        EXPECT_EQ(spool.size(), 7);
        spool.seekg(0);
        std::string word;
        spool >> word;
        EXPECT_EQ(word, "hello");
    }
    EXPECT_FALSE(std::filesystem::exists(name));
}
