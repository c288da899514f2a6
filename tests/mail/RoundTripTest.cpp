#include "mail/TmsMessage.h"

#include <gtest/gtest.h>

#include "MailTestUtil.h"

#include <random>

using namespace pelmora::mail;
using namespace pelmora::mail::test;

namespace {

std::string binary(std::size_t size, unsigned seed)
{
    std::mt19937 random(seed);
    std::string out(size, '\0');
    for (char& c : out)
        c = static_cast<char>(random());
    return out;
}

struct Case {
    const char* name;
    std::vector<std::string> body;
    TCharSet charSet;
    std::vector<std::string> attachments; // "name" or "_alt.N"
    TMsgEncoding encoding = meMIME;
};

TmsMessage build(const Case& c)
{
    TmsMessage message;
    message.Sender = TmsMailAddress("s@example.com", "S\xC3\xA9nder");
    message.Recipients.Add("r@example.org", "R, Jr.");
    message.CC.Add("c@example.net", "");
    message.Subject = "Round trip \xE2\x9C\x93";
    message.Body = c.body;
    message.CharSet = c.charSet;
    message.Encoding = c.encoding;
    unsigned seed = 1;
    for (const std::string& name : c.attachments) {
        auto item = std::make_unique<TmsAttItem>();
        item->SetFileName(name);
        item->Stream = binary(seed * 700 + 13, seed);
        item->Encoding = aeBase64;
        ++seed;
        message.Attachments.AddItem(std::move(item));
    }
    return message;
}

} // namespace

class RoundTrip : public ::testing::TestWithParam<Case> {};

TEST_P(RoundTrip, ParsingTheComposedTextGivesTheMessageBack)
{
    TmsMessage original = build(GetParam());
    TmsMessage back = parse(compose(original));
    EXPECT_EQ(back.Sender, original.Sender);
    EXPECT_EQ(back.Recipients.storedItems(), original.Recipients.storedItems());
    EXPECT_EQ(back.CC.storedItems(), original.CC.storedItems());
    EXPECT_EQ(back.Subject, original.Subject);
    EXPECT_EQ(back.Encoding, original.Encoding);
    EXPECT_EQ(back.ContentType(), original.ContentType());
    EXPECT_EQ(back.Body, original.Body);
    ASSERT_EQ(back.Attachments.Count(), original.Attachments.Count());
    for (int i = 0; i < back.Attachments.Count(); ++i) {
        EXPECT_EQ(back.Attachments.Items(i).FileName, bareFileName(original.Attachments.Items(i).FileName.str()));
        EXPECT_EQ(back.Attachments.Items(i).Stream, original.Attachments.Items(i).Stream) << i;
    }
    // A second trip changes nothing more.
    EXPECT_EQ(parse(compose(back)).Body, back.Body);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, RoundTrip,
    ::testing::Values(
        Case{"Text", {"Hello", "", "  indented", ".", "From here"}, csUSASCII, {}},
        Case{"LongLines", {std::string(400, 'w') + " end", "x"}, csUSASCII, {}},
        Case{"Latin1", {"Gr\xC3\xBC\xC3\x9F" "e", "caf\xC3\xA9 = 1"}, csISO8859, {}},
        Case{"Utf8", {"\xE2\x82\xAC 5", "\xE6\x97\xA5\xE6\x9C\xAC"}, csUTF8, {}},
        Case{"NonAsciiUnderAscii", {"na\xC3\xAFve"}, csUSASCII, {}},
        Case{"Mixed", {"See attached."}, csUSASCII, {"C:\\dir\\a.bin", "b.zip"}},
        Case{"MixedLatin1", {"\xC3\xA9t\xC3\xA9"}, csISO8859, {"photo.png"}},
        Case{"Alternative", {"plain"}, csUTF8, {"_alt.0"}},
        Case{"AlternativeThenFiles", {"plain"}, csUSASCII, {"_alt.0", "report.pdf"}},
        Case{"OnlyAttachment", {}, csUSASCII, {"data.bin"}},
        Case{"OnlyAttachments", {}, csUSASCII, {"a.bin", "b.bin"}},
        Case{"Uuencoded", {"uu body"}, csUSASCII, {"x.bin", "y.bin"}, meUU}),
    [](const ::testing::TestParamInfo<Case>& param) { return std::string(param.param.name); });
