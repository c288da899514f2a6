#include "base/Windows1252.h"

#include <gtest/gtest.h>

namespace {

using namespace pelmora::base;

std::string utf8(char32_t c)
{
    std::string out;
    appendUtf8(out, c);
    return out;
}

TEST(Utf8, EachLengthAtItsBoundaries)
{
    EXPECT_EQ(utf8(0x7F), "\x7F");
    EXPECT_EQ(utf8(0x80), "\xC2\x80");
    EXPECT_EQ(utf8(0x7FF), "\xDF\xBF");
    EXPECT_EQ(utf8(0x800), "\xE0\xA0\x80");
    EXPECT_EQ(utf8(0xFFFD), "\xEF\xBF\xBD");
    EXPECT_EQ(utf8(0x10000), "\xF0\x90\x80\x80");
    EXPECT_EQ(utf8(0x10FFFF), "\xF4\x8F\xBF\xBF");
    EXPECT_EQ(utf8(0), std::string(1, '\0'));
}

TEST(Windows1252, EveryByteDecodesAndEncodesBackToItself)
{
    for (int b = 0; b < 256; ++b) {
        const char32_t c = windows1252ToCodePoint(static_cast<unsigned char>(b));
        EXPECT_EQ(codePointToWindows1252(c), static_cast<char>(b)) << b;
    }
    EXPECT_EQ(windows1252ToUtf8("Jos\xE9 \x80 \x9F \x81"), "Jos\xC3\xA9 \xE2\x82\xAC \xC5\xB8 \xC2\x81");
    EXPECT_EQ(windows1252ToUtf8(std::string_view("a\0b", 3)), std::string("a\0b", 3));
}

TEST(Windows1252, CharactersTheCodePageLacksHaveNoByte)
{
    EXPECT_EQ(codePointToWindows1252(0x0085), std::nullopt) << "a C1 control the code page puts elsewhere";
    EXPECT_EQ(codePointToWindows1252(0x65E5), std::nullopt);
    EXPECT_EQ(codePointToWindows1252(0x1F600), std::nullopt);
    EXPECT_EQ(codePointToWindows1252(0x20AC), '\x80');
}

} // namespace
