#include "mail/Base64.h"
#include "mail/Charset.h"
#include "mail/HeaderWords.h"
#include "mail/MailErrors.h"
#include "mail/TQuotedPrintable.h"
#include "mail/UUCode.h"

#include <gtest/gtest.h>

#include <random>

using namespace pelmora::mail;

namespace {

std::vector<std::string> qpEncode(const std::string& plain)
{
    std::string data = plain;
    std::vector<std::string> lines;
    TQuotedPrintable(data, lines).Encode();
    return lines;
}

std::string qpDecode(std::vector<std::string> lines)
{
    std::string plain;
    TQuotedPrintable(plain, lines).Decode();
    return plain;
}

std::string randomBytes(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::string out(size, '\0');
    for (char& c : out)
        c = static_cast<char>(random() & 0xFF);
    return out;
}

} // namespace

TEST(Base64, EncodesWithPadding)
{
    EXPECT_EQ(Base64EncodeChunk("abc"), "YWJj");
    EXPECT_EQ(Base64EncodeChunk("ab"), "YWI=");
    EXPECT_EQ(Base64EncodeChunk("a"), "YQ==");
    EXPECT_EQ(Base64EncodeChunk(""), "");
    EXPECT_EQ(Base64EncodeChunk(std::string(57, 'x')).size(), 76u);
}

TEST(Base64, DecodesPaddingWhiteSpaceAndPieces)
{
    EXPECT_EQ(Base64DecodeLine("YWJj"), "abc");
    EXPECT_EQ(Base64DecodeLine("YWI="), "ab");
    EXPECT_EQ(Base64DecodeLine("YQ=="), "a");
    EXPECT_EQ(Base64DecodeLine(" YW\tJj\r\nYW I=\n"), "abcab");
    // Quads split over pieces of any length, as lines of a part are.
    std::string out;
    Base64Decoder decoder(out);
    for (const char* piece : { "Y", "WJjZ", "GVm", "Zw=", "=" })
        decoder.feed(piece);
    decoder.finish();
    EXPECT_EQ(out, "abcdefg");
}

TEST(Base64, RejectsCharactersOutsideTheAlphabet)
{
    try {
        Base64DecodeLine("YW*j");
        FAIL() << "no error";
    } catch (const EDecodeError& error) {
        EXPECT_STREQ(error.what(), "Invalid Character");
    }
}

TEST(Base64, RoundTripsEveryLength)
{
    for (std::size_t size = 0; size < 200; ++size) {
        std::string data = randomBytes(size, static_cast<unsigned>(size));
        EXPECT_EQ(Base64DecodeLine(base64EncodeLines(data)), data) << size;
    }
}

TEST(QuotedPrintable, CutsLongParagraphsAtBlanksOrHard)
{
    std::vector<std::string> lines = qpEncode(std::string(150, 'a'));
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], std::string(65, 'a') + "=");
    EXPECT_EQ(lines[1], std::string(65, 'a') + "=");
    EXPECT_EQ(lines[2], std::string(20, 'a'));
    lines = qpEncode(std::string(60, 'a') + " " + std::string(10, 'b'));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], std::string(60, 'a') + "=");
    EXPECT_EQ(lines[1], " " + std::string(10, 'b'));
}

TEST(QuotedPrintable, EscapesControlsEqualsAndEightBit)
{
    EXPECT_EQ(qpEncode("a\tb\xE9=c"), std::vector<std::string> { "a=09b=E9=3Dc" });
    EXPECT_EQ(qpEncode("end\n"), std::vector<std::string> { "end=0A" });
    // A blank at the end of a line would be stripped on the way.
    EXPECT_EQ(qpEncode("x \r\ny"), (std::vector<std::string> { "x=20", "y" }));
}

TEST(QuotedPrintable, KeepsEmptyLinesOfEveryLineEnd)
{
    EXPECT_EQ(qpEncode("a\r\n\r\nb"), (std::vector<std::string> { "a", "", "b" }));
    EXPECT_EQ(qpEncode("a\n\nb"), (std::vector<std::string> { "a", "", "b" }));
}

TEST(QuotedPrintable, DecodesSoftBreaksAndKeepsStrayEquals)
{
    EXPECT_EQ(qpDecode({ "abc=", "def", "x=3D1" }), "abcdef\r\nx=1\r\n");
    EXPECT_EQ(qpDecode({ "a=ZZb =4", "=e9" }), "a=ZZb =4\r\n\xE9\r\n");
    EXPECT_EQ(QDecodeWord("caf=E9=2"), "caf\xE9=2");
}

TEST(QuotedPrintable, HasNoParagraphLimit)
{
    std::string paragraph(100000, 'q');
    std::vector<std::string> lines = qpEncode(paragraph);
    EXPECT_EQ(qpDecode(lines), paragraph + "\r\n");
}

TEST(QuotedPrintable, RoundTripsTextWithCrLf)
{
    std::string text = "Gr\xFC\xDF"
                       "e, =Welt=\r\n\r\n"
        + std::string(200, 'z') + " tail\r\n";
    EXPECT_EQ(qpDecode(qpEncode(text)), text);
}

TEST(QuotedPrintable, EncodesAttachmentsExactly)
{
    EXPECT_EQ(qpEncodeExact("a\r\nb\r\n"), (std::vector<std::string> { "a", "b", "=" }));
    EXPECT_EQ(qpEncodeExact("unix\nend"), std::vector<std::string> { "unix=0Aend=" });
    EXPECT_EQ(qpEncodeExact(""), std::vector<std::string> { "=" });
}

namespace {

// The rules of the codec written out byte by byte, as plainly as they can be, for the fast
// codec to be held against on random text.
std::vector<std::string> plainQpEncode(std::string_view data)
{
    auto escapeLine = [](std::string_view line, bool soft) {
        std::string out;
        for (std::size_t i = 0; i < line.size(); ++i) {
            auto byte = static_cast<unsigned char>(line[i]);
            if (byte < 32 || byte == '=' || byte >= 128 || (byte == ' ' && i + 1 == line.size() && !soft)) {
                out += '=';
                out += "0123456789ABCDEF"[byte >> 4];
                out += "0123456789ABCDEF"[byte & 15];
            } else {
                out += static_cast<char>(byte);
            }
        }
        return soft ? out + "=" : out;
    };
    std::vector<std::string> lines;
    auto paragraph = [&](std::string_view text) {
        while (text.size() >= 65) {
            std::size_t blank = text.rfind(' ', 65);
            std::size_t cut = blank != std::string_view::npos && blank > 0 ? blank : 65;
            lines.push_back(escapeLine(text.substr(0, cut), true));
            text.remove_prefix(cut);
        }
        lines.push_back(escapeLine(text, false));
    };
    while (!data.empty()) {
        std::size_t end = data.find_first_of("\r\n");
        if (end == std::string_view::npos || end + 1 == data.size())
            return paragraph(data), lines;
        paragraph(data.substr(0, end));
        data.remove_prefix(end + (data[end] == '\r' && data[end + 1] == '\n' ? 2 : 1));
    }
    return lines;
}

// One line decoded by the same rules; a line without a soft break gets its CR LF unless it
// ends in Ctrl-Z.
std::string plainQpDecodeLine(std::string line)
{
    while (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
        line.pop_back();
    bool soft = !line.empty() && line.back() == '=';
    if (soft)
        line.pop_back();
    std::string out;
    auto hex = [](char c) { return std::string_view("0123456789ABCDEFabcdef").find(c) != std::string_view::npos; };
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '=' && i + 2 < line.size() && hex(line[i + 1]) && hex(line[i + 2])) {
            out += static_cast<char>(std::stoi(line.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += line[i];
        }
    }
    return soft || (!out.empty() && out.back() == '\x1A') ? out : out + "\r\n";
}

} // namespace

TEST(QuotedPrintable, FastCodecMatchesTheByteByByteRules)
{
    // Text with the characters that matter drawn often: blanks, line ends, "=", hex digits.
    const std::string alphabet = "  \t\r\n==Aa9fFzZ.\x1A\x80\xE9\xFF";
    std::mt19937 random(11);
    for (int round = 0; round < 3000; ++round) {
        std::string text(random() % 300, '\0');
        for (char& c : text)
            c = random() % 3 == 0 ? static_cast<char>('a' + random() % 26) : alphabet[random() % alphabet.size()];
        std::vector<std::string> lines = qpEncode(text);
        ASSERT_EQ(lines, plainQpEncode(text)) << round;
        // Decoding is held against the rules on the raw text too, which is no valid encoding.
        lines.push_back(text);
        std::string expected;
        for (const std::string& line : lines)
            expected += plainQpDecodeLine(line);
        ASSERT_EQ(qpDecode(lines), expected) << round;
        // An "x" after the text keeps its blanks and a last "=" from being read as line syntax.
        std::string word = plainQpDecodeLine(text + "x");
        ASSERT_EQ(QDecodeWord(text) + "x\r\n", word) << round;
    }
}

TEST(UUCode, EncodesLinesOfFortyFiveBytes)
{
    std::string line = UUEncodeLine(std::string(45, 'A'));
    EXPECT_EQ(line.size(), 61u);
    EXPECT_EQ(line[0], 'M');
    EXPECT_EQ(UUEncodeLine(""), "``");
    EXPECT_EQ(UUEncodeLine("Cat"), "#0V%T`");
}

TEST(UUCode, RoundTripsAndRejectsBadCharacters)
{
    for (std::size_t size = 0; size <= 45; ++size) {
        std::string data = randomBytes(size, 7u + static_cast<unsigned>(size));
        EXPECT_EQ(UUDecodeLine(UUEncodeLine(data)), data) << size;
    }
    EXPECT_THROW(UUDecodeLine("#0V%t"), EDecodeError);
}

TEST(UUCode, ReadsBeginLines)
{
    EXPECT_TRUE(IsUUBeginLine("begin 644 file.txt"));
    EXPECT_TRUE(IsUUBeginLine("BEGIN 600 x"));
    EXPECT_FALSE(IsUUBeginLine("begin now"));
    EXPECT_FALSE(IsUUBeginLine("begin 64"));
    EXPECT_EQ(UUBeginFileName("begin 644 file.txt"), "file.txt");
    EXPECT_EQ(UUBeginFileName("begin 0644 \"my file.txt\""), "my file.txt");
    EXPECT_EQ(UUBeginFileName("begin 644 a b"), "a");
    EXPECT_EQ(UUBeginFileName(""), "");
}

TEST(HeaderWords, DecodesEveryWordToUtf8)
{
    EXPECT_EQ(DecodeHeaderWords("=?iso-8859-1?Q?Caf=E9_au_lait?="), "Caf\xC3\xA9 au lait");
    EXPECT_EQ(DecodeHeaderWords("Re: =?utf-8?B?w6k=?= and =?UTF-8?q?=C3=A9?="), "Re: \xC3\xA9 and \xC3\xA9");
    // Adjacent encoded words join without the white space between them.
    EXPECT_EQ(DecodeHeaderWords("=?us-ascii?Q?a?= \r\n =?us-ascii?Q?b?= c"), "ab c");
    EXPECT_EQ(DecodeHeaderWords("=?koi8-r?B?89DJ08/L?="), "\xD0\xA1\xD0\xBF\xD0\xB8\xD1\x81\xD0\xBE\xD0\xBA");
}

TEST(HeaderWords, ReadsUnknownCharsetsAndRawBytesAsWindows1252)
{
    EXPECT_EQ(DecodeHeaderWords("=?x-unheard-of?Q?=80?="), "\xE2\x82\xAC");
    EXPECT_EQ(DecodeHeaderWords("Fr\xF6sche"), "Fr\xC3\xB6sche");
    EXPECT_EQ(DecodeHeaderWords("ok \xC3\xB6"), "ok \xC3\xB6");
}

TEST(Charsets, EachLabelIsReadThroughTheSupersetMailersWrite)
{
    // GBK under gb2312, Windows-1252 quotes and euro under iso-8859-1 and us-ascii, the
    // extended Hangul of CP949 under ks_c_5601-1987, NEC symbols of CP932 under shift_jis.
    EXPECT_EQ(toUtf8("\xB0\xA1\x81\x40", "gb2312"), "\xE5\x95\x8A\xE4\xB8\x82");
    EXPECT_EQ(toUtf8("\x93hi\x94 \x80", "ISO-8859-1"), "\xE2\x80\x9Chi\xE2\x80\x9D \xE2\x82\xAC");
    EXPECT_EQ(toUtf8("\x93hi\x94", "us-ascii"), "\xE2\x80\x9Chi\xE2\x80\x9D");
    EXPECT_EQ(toUtf8("\x81\x41", "ks_c_5601-1987"), "\xEA\xB0\x82");
    EXPECT_EQ(toUtf8("\x87\x40", "Shift_JIS"), "\xE2\x91\xA0");
    EXPECT_EQ(toUtf8("=?gb2312?B?sKGBQA==?=", {}), "=?gb2312?B?sKGBQA==?=");
    EXPECT_EQ(DecodeHeaderWords("=?gb2312?B?sKGBQA==?="), "\xE5\x95\x8A\xE4\xB8\x82");
    // The plain standard sets still read as before.
    EXPECT_EQ(toUtf8("\xE9", "iso-8859-1"), "\xC3\xA9");
    EXPECT_EQ(toUtf8("\xB0\xA1", "euc-kr"), "\xEA\xB0\x80");
}

TEST(HeaderWords, LeavesMalformedWordsAsTheyStand)
{
    EXPECT_EQ(DecodeHeaderWords("=?utf-8?X?abc?="), "=?utf-8?X?abc?=");
    EXPECT_EQ(DecodeHeaderWords("a =?utf-8?B?abc"), "a =?utf-8?B?abc");
    EXPECT_EQ(DecodeHeaderWords("=?utf-8?B?*?="), "=?utf-8?B?*?=");
}

TEST(HeaderWords, ReadsHostileValuesInOnePass)
{
    // Many "=?" without an end, then many words that all run to one far "?=".
    std::string opens;
    for (int i = 0; i < 100000; ++i)
        opens += "=?";
    EXPECT_EQ(DecodeHeaderWords(opens), opens);
    std::string words;
    for (int i = 0; i < 50000; ++i)
        words += "=?x?Q?";
    words += "?=";
    EXPECT_EQ(DecodeHeaderWords(words).size() > 0, true);
}

TEST(HeaderWords, EncodesNonAsciiTextThatDecodesBack)
{
    EXPECT_EQ(encodeHeaderText("plain"), "plain");
    std::string text = "\xC3\x9C"
                       "ber "
        + std::string(100, 'x') + " \xE2\x82\xAC";
    std::string encoded = encodeHeaderText(text);
    EXPECT_EQ(encoded.find_first_of("\x80\xFF"), std::string::npos);
    EXPECT_EQ(DecodeHeaderWords(encoded), text);
    // A line break in the text can never end the header line.
    std::string broken = encodeHeaderText("a\r\nb\xC3\xA9");
    EXPECT_EQ(broken.find_first_of("\r\n"), std::string::npos);
    EXPECT_EQ(DecodeHeaderWords(broken), "a  b\xC3\xA9");
}
