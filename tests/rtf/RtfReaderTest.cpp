#include "rtf/RtfDocument.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using namespace pelmora::rtf;

Document parse(const std::string& body)
{
    return parseRtf("{\\rtf1\\ansi " + body + "}");
}

TEST(RtfReader, CharacterFormattingFollowsGroupsAndPlain)
{
    Document d = parse("{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\froman Times New Roman;}}"
                       "{\\colortbl ;\\red255\\green0\\blue0;}\\f0\\fs20 "
                       "a{\\b b{\\i\\ul c}}{\\f1\\fs32\\cf1 d}\\b e\\b0 f\\plain g");
    ASSERT_EQ(d.paragraphs.size(), 1u);
    const auto& runs = d.paragraphs[0].runs;
    ASSERT_EQ(runs.size(), 7u);
    EXPECT_EQ(runs[0].text, "a");
    EXPECT_EQ(runs[0].format.font, "Arial");
    EXPECT_EQ(runs[0].format.halfPoints, 20);
    EXPECT_TRUE(runs[1].format.bold && !runs[1].format.italic);
    EXPECT_TRUE(runs[2].format.bold && runs[2].format.italic && runs[2].format.underline);
    EXPECT_EQ(runs[3].format.font, "Times New Roman");
    EXPECT_EQ(runs[3].format.halfPoints, 32);
    EXPECT_TRUE(runs[3].format.hasColor);
    EXPECT_EQ(runs[3].format.color, (Color { 255, 0, 0 }));
    EXPECT_FALSE(runs[3].format.bold); // the group ended before
    EXPECT_TRUE(runs[4].format.bold);
    EXPECT_FALSE(runs[5].format.bold);
    EXPECT_EQ(runs[6].format.halfPoints, 24);
    EXPECT_EQ(d.plainText(), "abcdefg");
}

TEST(RtfReader, ParagraphPropertiesAndPard)
{
    Document d = parse("\\pard\\qc\\fi-360\\li720\\ri144 one\\par two\\par\\pard\\qr three\\par\\qj four");
    ASSERT_EQ(d.paragraphs.size(), 4u);
    EXPECT_EQ(d.paragraphs[0].alignment, Alignment::Center);
    EXPECT_EQ(d.paragraphs[0].firstIndent, -360);
    EXPECT_EQ(d.paragraphs[0].leftIndent, 720);
    EXPECT_EQ(d.paragraphs[0].rightIndent, 144);
    EXPECT_EQ(d.paragraphs[1].alignment, Alignment::Center); // kept until \pard
    EXPECT_EQ(d.paragraphs[2].alignment, Alignment::Right);
    EXPECT_EQ(d.paragraphs[2].leftIndent, 0);
    EXPECT_EQ(d.paragraphs[3].alignment, Alignment::Justify);
    EXPECT_EQ(d.plainText(), "one\ntwo\nthree\nfour");
}

TEST(RtfReader, TabsLineBreaksAndSymbols)
{
    Document d = parse("a\\tab b\\line c\\~d\\emdash e\\{\\}\\\\\\-f\\lquote g\\rdblquote");
    EXPECT_EQ(d.paragraphs[0].text(),
        "a\tb\xE2\x80\xA8"
        "c\xC2\xA0"
        "d\xE2\x80\x94"
        "e{}\\f\xE2\x80\x98g\xE2\x80\x9D");
    EXPECT_EQ(d.plainText(),
        "a\tb\nc\xC2\xA0"
        "d\xE2\x80\x94"
        "e{}\\f\xE2\x80\x98g\xE2\x80\x9D");
}

TEST(RtfReader, UnicodeEscapesSkipTheirFallbacks)
{
    // \uc2 inside a group skips two fallbacks, the default one afterwards; a negative value is
    // read as unsigned 16-bit; a surrogate pair joins; a control word counts as one fallback.
    Document d = parse("{\\uc2\\u228\\'e8a}b\\u-3913?\\u55357?\\u56832?\\u8364\\'80 x\\u233\\bullet y");
    EXPECT_EQ(d.plainText(),
        "\xC3\xA4"
        "b\xEF\x82\xB7\xF0\x9F\x98\x80\xE2\x82\xAC x\xC3\xA9y");
    // Values past Unicode and lone surrogates become the replacement character.
    EXPECT_EQ(parse("\\u99999999999999?a\\u56832?b\\u55357?c").plainText(),
        "\xEF\xBF\xBD"
        "a\xEF\xBF\xBD"
        "b\xEF\xBF\xBD"
        "c");
    EXPECT_EQ(parse("\\uc99999 \\u65 abcdefghijklmnopqrstuvwxyz").plainText(), "Aqrstuvwxyz");
}

TEST(RtfReader, HexEscapesGoThroughTheCodePage)
{
    EXPECT_EQ(parse("caf\\'e9 \\'80").plainText(), "caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(parseRtf("{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8}").plainText(), "\xD0\x9F\xD1\x80\xD0\xB8");
    // A font's character set wins over the document's code page; Shift-JIS comes in byte pairs.
    EXPECT_EQ(parseRtf("{\\rtf1\\ansi{\\fonttbl{\\f0\\fcharset128 MS Gothic;}}\\f0 \\'82\\'a0\\'83\\'5c}").plainText(),
        "\xE3\x81\x82\xE3\x82\xBD");
    // A broken double-byte sequence costs one replacement, not the rest of the text.
    EXPECT_EQ(parseRtf("{\\rtf1\\ansi\\ansicpg932 \\'82 ok}").plainText().substr(3), " ok");
}

TEST(RtfReader, DestinationsThatAreNotTextAreSkipped)
{
    Document d = parse("{\\fonttbl{\\f0{\\*\\panose 0000}Arial{\\*\\falt Helv};}}{\\stylesheet{\\s0 Normal;}}"
                       "{\\info{\\title T}{\\author A}}{\\*\\generator Gen;}{\\*\\unknown{\\b secret}}"
                       "{\\pict\\pngblip 89504e47}{\\header head}"
                       "{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}} text");
    EXPECT_EQ(d.plainText(), "link text");
    EXPECT_EQ(d.paragraphs[0].runs[0].format.font, "Arial");
}

TEST(RtfReader, BinaryDataIsSkippedWhateverItHolds)
{
    using namespace std::string_literals;
    std::string rtf = "{\\rtf1 a{\\*\\blob\\bin6 }{\\}\\x}b\\bin3 \0\xff{ c}"s;
    EXPECT_EQ(parseRtf(rtf).plainText(), "ab c");
}

TEST(RtfReader, BulletsFromParagraphNumberingAndListText)
{
    Document d = parse("{\\fonttbl{\\f1\\fcharset2 Symbol;}}"
                       "\\pard{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1{\\pntxtb\\'B7}}\\fi-360\\li720 one\\par"
                       "{\\pntext\\f1\\'B7\\tab}two\\par"
                       "\\pard{\\pntext 1.\\tab}{\\*\\pn\\pnlvlbody\\pndec{\\pntxta.}}first\\par"
                       "\\pard{\\listtext\\'95\\tab}\\ls1 listed\\par"
                       "\\pard plain");
    ASSERT_EQ(d.paragraphs.size(), 5u);
    EXPECT_TRUE(d.paragraphs[0].bullet);
    EXPECT_EQ(d.paragraphs[0].text(), "one");
    EXPECT_EQ(d.paragraphs[0].leftIndent, 720);
    EXPECT_TRUE(d.paragraphs[1].bullet);
    EXPECT_EQ(d.paragraphs[1].text(), "two");
    // A number is not a bullet: it stays as the text its author saw.
    EXPECT_FALSE(d.paragraphs[2].bullet);
    EXPECT_EQ(d.paragraphs[2].text(), "1.\tfirst");
    EXPECT_TRUE(d.paragraphs[3].bullet);
    EXPECT_EQ(d.paragraphs[3].text(), "listed");
    EXPECT_FALSE(d.paragraphs[4].bullet);
}

TEST(RtfReader, TablesBecomeTabbedLines)
{
    Document d = parse("\\trowd\\cellx1000\\cellx2000 \\intbl A\\cell B\\cell\\row\\trowd\\intbl C\\cell D\\cell\\row");
    EXPECT_EQ(d.plainText(), "A\tB\nC\tD");
}

TEST(RtfReader, HostileAndBrokenFilesAreRefusedCleanly)
{
    auto refused = [](const std::string& rtf) {
        try {
            parseRtf(rtf);
        } catch (const ERtfError&) {
            return true;
        }
        return false;
    };
    EXPECT_TRUE(refused(""));
    EXPECT_TRUE(refused("plain text"));
    EXPECT_TRUE(refused("/{\\rtf1 a}"));
    EXPECT_TRUE(refused("{\\rtf1 a")); // truncated
    EXPECT_TRUE(refused("{\\rtf1 a\\")); // cut inside a control word
    EXPECT_TRUE(refused("{\\rtf1 a}}")); // one brace too many
    EXPECT_TRUE(refused("{\\rtf1 a}trailing"));
    EXPECT_TRUE(refused("{\\rtf1 \\bin10 abc}")); // claims more than it holds
    EXPECT_TRUE(refused("{\\rtf1 \\bin99999999999999999999 abc}"));
    EXPECT_TRUE(refused("{\\rtf1 " + std::string(100000, '{') + std::string(100000, '}') + "}"));
    // What writers really leave behind is fine.
    EXPECT_FALSE(refused(std::string("{\\rtf1 a}\r\n\0", 13)));
    EXPECT_FALSE(refused("  \r\n{\\rtf1 a}"));
    EXPECT_FALSE(refused("{\\rtf1 " + std::string(200, '{') + "deep" + std::string(200, '}') + "}"));
}

TEST(RtfReader, AbsurdNumbersAreBounded)
{
    Document d
        = parse("\\fs99999999999999999999999\\fi-99999999999999\\li99999999999 \\cf99999999 \\f-5 a\\fs0 b\\fs-4 c");
    const Paragraph& p = d.paragraphs[0];
    EXPECT_EQ(p.runs[0].format.halfPoints, 3276);
    EXPECT_EQ(p.firstIndent, -31680);
    EXPECT_EQ(p.leftIndent, 31680);
    EXPECT_FALSE(p.runs[0].format.hasColor);
    EXPECT_EQ(p.runs.size(), 1u); // \fs0 and negative sizes are ignored
    std::string longWord = "{\\rtf1 \\" + std::string(100000, 'x') + "123 ok}";
    EXPECT_EQ(parseRtf(longWord).plainText(), "ok");
}

TEST(PlainText, LineEndsEncodingsAndMark)
{
    EXPECT_EQ(documentFromPlainText("a\r\nb\rc\nd\n").paragraphs.size(), 4u);
    EXPECT_EQ(documentFromPlainText("a\r\n\r\nb").plainText(), "a\n\nb");
    EXPECT_EQ(documentFromPlainText("\xEF\xBB\xBFz\xC3\xA9").plainText(), "z\xC3\xA9");
    EXPECT_EQ(documentFromPlainText("caf\xE9 \x80").plainText(), "caf\xC3\xA9 \xE2\x82\xAC"); // not UTF-8
    EXPECT_EQ(documentFromBytes("{\\rtf1 x}").plainText(), "x");
    EXPECT_EQ(documentFromBytes("{rtf x}").plainText(), "{rtf x}");
}

} // namespace
