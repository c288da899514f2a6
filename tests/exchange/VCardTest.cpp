#include "exchange/VCard.h"

#include <gtest/gtest.h>

using namespace pelmora::exchange;

namespace {

const VCardProperty& property(const VCard& card, std::string_view name)
{
    const VCardProperty* p = card.first(name);
    if (!p)
        throw std::runtime_error("no " + std::string(name));
    return *p;
}

} // namespace

TEST(VCardReader, UnfoldsGroupsAndParams)
{
    const VCardParse parse
        = parseVCards("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Jane\r\n  Doe\r\nitem1.EMAIL;TYPE=INTERNET,pref:"
                      "jane@example.com\r\nNOTE:one\\, two\\nthree\r\nEND:VCARD\r\n");
    ASSERT_EQ(parse.cards.size(), 1u);
    EXPECT_TRUE(parse.errors.empty());
    const VCard& card = parse.cards[0];
    EXPECT_EQ(card.number, 1u);
    EXPECT_EQ(card.line, 1u);
    EXPECT_EQ(property(card, "FN").value, "Jane Doe");
    const VCardProperty& email = property(card, "EMAIL");
    EXPECT_EQ(email.group, "item1");
    EXPECT_TRUE(email.hasType("pref"));
    EXPECT_TRUE(email.hasType("internet"));
    EXPECT_EQ(property(card, "NOTE").value, "one\\, two\\nthree"); // escapes stay for the caller
    EXPECT_EQ(unescapeText(property(card, "NOTE").value), "one, two\nthree");
}

TEST(VCardReader, Version21QuotedPrintableAndCharset)
{
    const std::string text
        = "BEGIN:VCARD\nVERSION:2.1\nN;CHARSET=ISO-8859-1;ENCODING=QUOTED-PRINTABLE:M=FCller;J=\n"
          "=F6rg\nTEL;WORK;VOICE:+49 30 1234\nNOTE;QUOTED-PRINTABLE:line one=0D=0Aline two\nEND:VCARD\n";
    const VCardParse parse = parseVCards(text);
    ASSERT_EQ(parse.cards.size(), 1u);
    const VCard& card = parse.cards[0];
    EXPECT_EQ(property(card, "N").value, "M\xC3\xBCller;J\xC3\xB6rg");
    EXPECT_TRUE(property(card, "TEL").hasType("WORK"));
    EXPECT_TRUE(property(card, "TEL").hasType("voice"));
    EXPECT_EQ(unescapeText(property(card, "NOTE").value), "line one\nline two");
}

TEST(VCardReader, Utf16WithByteOrderMark)
{
    const std::string utf8 = "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Zo\xC3\xAB\r\nEND:VCARD\r\n";
    std::string utf16 = "\xFF\xFE";
    for (unsigned char c : std::string("BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Zo")) {
        utf16 += char(c);
        utf16 += '\0';
    }
    utf16 += std::string("\xEB\0\r\0\n\0", 6);
    for (unsigned char c : std::string("END:VCARD\r\n")) {
        utf16 += char(c);
        utf16 += '\0';
    }
    const VCardParse parse = parseVCards(utf16);
    ASSERT_EQ(parse.cards.size(), 1u);
    EXPECT_EQ(property(parse.cards[0], "FN").value, "Zo\xC3\xAB");
}

TEST(VCardReader, BrokenCardsAreReportedAndTheRestRead)
{
    const std::string text = "BEGIN:VCARD\nVERSION:3.0\nFN:One\nthis line has no colon\nEND:VCARD\n"
                             "garbage between cards\n"
                             "BEGIN:VCARD\nVERSION:3.0\nFN:Two\nEND:VCARD\n"
                             "BEGIN:VCARD\nVERSION:3.0\nFN:Cut off";
    const VCardParse parse = parseVCards(text);
    ASSERT_EQ(parse.cards.size(), 2u);
    EXPECT_EQ(property(parse.cards[1], "FN").value, "Two");
    EXPECT_EQ(parse.cards[1].number, 2u);
    ASSERT_EQ(parse.errors.size(), 3u);
    EXPECT_EQ(parse.errors[0].card, 1u);
    EXPECT_EQ(parse.errors[0].line, 4u);
    EXPECT_EQ(parse.errors[1].card, 0u);
    EXPECT_EQ(parse.errors[2].card, 3u);
    EXPECT_EQ(parse.errors[2].line, 11u);
}

// A quoted-printable value that ends in a soft line break must not run on into END:VCARD: the
// card is kept, and the error names the line of the value, not the card's first or last line.
TEST(VCardReader, ASoftLineBreakBeforeTheCardsEndIsReportedAtItsProperty)
{
    const std::string text = "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Roe;Rick\r\nNOTE;ENCODING=QUOTED-PRINTABLE:caf=E9=\r\n"
                             "end:vcard\r\n"
                             "BEGIN:VCARD\r\nVERSION:2.1\r\nN:Doe;Jane\r\nNOTE;QUOTED-PRINTABLE:one=\r\n two=\r\n"
                             "END:VCARD\r\n";
    const VCardParse parse = parseVCards(text);
    ASSERT_EQ(parse.cards.size(), 2u);
    EXPECT_EQ(property(parse.cards[0], "N").value, "Roe;Rick");
    EXPECT_EQ(property(parse.cards[0], "NOTE").value, "caf\xC3\xA9");
    EXPECT_EQ(property(parse.cards[1], "NOTE").value, "one two");
    ASSERT_EQ(parse.errors.size(), 2u);
    EXPECT_EQ(parse.errors[0].card, 1u);
    EXPECT_EQ(parse.errors[0].line, 4u);
    EXPECT_NE(parse.errors[0].message.find("soft line break"), std::string::npos) << parse.errors[0].message;
    EXPECT_EQ(parse.errors[1].card, 2u);
    EXPECT_EQ(parse.errors[1].line, 9u);
}

TEST(VCardWriter, FoldsAtSeventyFiveOctetsWithoutSplittingCharacters)
{
    VCard card;
    std::string name;
    for (int i = 0; i < 60; ++i)
        name += "\xC3\xA9"; // two octets each
    card.properties.push_back({ {}, "FN", {}, name });
    card.properties.push_back({ {}, "NOTE", { { "LANGUAGE", { "de" } } }, "a\nb" });
    const std::string text = formatVCard(card, VCardVersion::v4);
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        ASSERT_NE(end, std::string::npos);
        EXPECT_LE(end - start, 75u);
        start = end + 2;
    }
    const VCardParse back = parseVCards(text);
    ASSERT_EQ(back.cards.size(), 1u);
    EXPECT_EQ(property(back.cards[0], "FN").value, name);
    EXPECT_EQ(property(back.cards[0], "VERSION").value, "4.0");
    EXPECT_EQ(unescapeText(property(back.cards[0], "NOTE").value), "a\nb");
}

TEST(VCardText, EscapesRoundTrip)
{
    for (const std::string text : { "plain", "a,b;c\\d", "two\nlines", "", "trailing\\" }) {
        EXPECT_EQ(unescapeText(escapeText(text)), text) << text;
        const std::vector<std::string> parts = splitComponents(escapeText(text) + ";x");
        ASSERT_EQ(parts.size(), 2u) << text;
        EXPECT_EQ(parts[0], text);
    }
}

// Only an ENCODING parameter makes a value quoted-printable; another parameter that merely holds
// the word keeps ordinary folding (found by the fuzzer).
TEST(VCardReader, QuotedPrintableOnlyByItsEncodingParameter)
{
    const VCardParse parse = parseVCards("BEGIN:VCARD\r\nVERSION:2.1\r\nLABEL;X-CODING=QUOTED-PRINTABLE:a=\r\n b\r\n"
                                         "FN;ENCODINGX=QUOTED-PRINTABLE:e=\r\n f\r\n"
                                         "NOTE;QUOTED-PRINTABLE:c=\r\n d\r\nEND:VCARD\r\n");
    ASSERT_EQ(parse.cards.size(), 1u);
    EXPECT_TRUE(parse.errors.empty());
    EXPECT_EQ(property(parse.cards[0], "LABEL").value, "a=b");
    EXPECT_EQ(property(parse.cards[0], "FN").value, "e=f");
    EXPECT_EQ(property(parse.cards[0], "NOTE").value, "c d");
}
