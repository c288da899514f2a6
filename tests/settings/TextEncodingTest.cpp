#include "settings/TextEncoding.h"

#include <gtest/gtest.h>

namespace {

using namespace pelmora::settings;

TEST(TextEncoding, Cp1252KeepsEveryByteAndItsMeaning)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const std::string text = cp1252ToUtf8(all);
    EXPECT_TRUE(isValidUtf8(text));
    EXPECT_EQ(utf8ToCp1252(text), all);
    EXPECT_EQ(cp1252ToUtf8("Jos\xE9 \x80"), "Jos\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(utf8ToCp1252("\xE6\x97\xA5"), std::nullopt) << "not in the code page";
    EXPECT_EQ(utf8ToCp1252("\xC2\x85"), std::nullopt) << "a C1 control the code page maps elsewhere";
}

TEST(TextEncoding, Utf8Validity)
{
    for (const char* good : { "", "plain", "\xC3\xA9", "\xE2\x82\xAC", "\xF0\x9F\x98\x80", "\xEF\xBF\xBD" })
        EXPECT_TRUE(isValidUtf8(good)) << good;
    for (const char* bad : { "\xE9", "\xC3", "\xC0\xAF", "\xE0\x80\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80", "\xFF" })
        EXPECT_FALSE(isValidUtf8(bad)) << bad;
}

TEST(TextEncoding, Utf16BothWaysWithSurrogatesAndDamage)
{
    const std::string smile = "\xF0\x9F\x98\x80";
    EXPECT_EQ(utf8ToUtf16(smile, false), std::string("\x3D\xD8\x00\xDE", 4));
    EXPECT_EQ(utf8ToUtf16(smile, true), std::string("\xD8\x3D\xDE\x00", 4));
    EXPECT_EQ(utf16ToUtf8(utf8ToUtf16("a\xC3\xA9" + smile, false), false), "a\xC3\xA9" + smile);
    EXPECT_EQ(utf16ToUtf8(std::string("\x3D\xD8"
                                      "a\x00",
                              4),
                  false),
        "\xEF\xBF\xBD"
        "a")
        << "lone high surrogate";
    EXPECT_EQ(utf16ToUtf8(std::string("a\x00z", 3), false), "a\xEF\xBF\xBD") << "odd trailing byte";
    EXPECT_EQ(utf8ToUtf16("\xFF", false), std::string("\xFD\xFF", 2)) << "malformed input becomes U+FFFD";
}

} // namespace
