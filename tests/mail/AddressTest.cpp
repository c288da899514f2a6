#include "base/Error.h"
#include "mail/TmsAttItem.h"
#include "mail/TmsHeaders.h"
#include "mail/TmsMailAddress.h"
#include "mail/TmsMessage.h"

#include <gtest/gtest.h>

#include <sstream>

#include "TestSupport.h"

using namespace pelmora::mail;

namespace pelmora::mail {
void PrintTo(const TmsMailAddress& address, std::ostream* out)
{
    *out << '"' << address.Name.str() << "\" <" << address.Address.str() << '>';
}
} // namespace pelmora::mail

namespace {

TmsMailAddress parsed(const std::string& text)
{
    TmsMailAddress address;
    ParseAddress(text, address);
    return address;
}

} // namespace

TEST(Address, ParsesTheThreeForms)
{
    EXPECT_EQ(parsed("John Doe <jd@example.com>"), TmsMailAddress("jd@example.com", "John Doe"));
    EXPECT_EQ(parsed("\"John Doe\" <jd@example.com>"), TmsMailAddress("jd@example.com", "John Doe"));
    EXPECT_EQ(parsed("jd@example.com (John Doe)"), TmsMailAddress("jd@example.com", "John Doe"));
    EXPECT_EQ(parsed(" jd@example.com "), TmsMailAddress("jd@example.com", ""));
    EXPECT_EQ(parsed("\"Doe, \\\"JD\\\"\" <jd@x> (work)"), TmsMailAddress("jd@x", "Doe, \"JD\""));
}

TEST(Address, KeepsLongTextsWholeAndCutsOnlyOnRequest)
{
    // Received mail carries names and addresses of any length; a cut one would be another.
    TmsAddressList list;
    TmsMailAddress& added = list.Add(std::string(300, 'a'), std::string(300, 'n'));
    EXPECT_EQ(added.Address.str().size(), 300u);
    EXPECT_EQ(added.Name.str().size(), 300u);
    // Characters, not bytes: a cut never splits one.
    EXPECT_EQ(cutUtf8(std::string(254, 'a') + "\xC3\xA9\xC3\xA9", 255), std::string(254, 'a') + "\xC3\xA9");
}

TEST(Headers, FindsValuesAndContinuations)
{
    TmsHeaders headers { "Subject:no blank", "X-Long: first", "  second", "\tthird", "Other: x" };
    EXPECT_EQ(HeaderValue(headers, "subject"), "no blank");
    EXPECT_EQ(HeaderValue(headers, "X-LONG:"), "first second third");
    EXPECT_EQ(HeaderValue(headers, "Missing"), "");
    EXPECT_EQ(HeaderValue(TmsHeaders { "Subject: =?utf-8?Q?caf=C3=A9?=" }, "Subject"), "caf\xC3\xA9");
}

TEST(Headers, SplitsAddressFieldsOutsideQuotes)
{
    TmsHeaders headers { "To: \"Doe, John\" <jd@x.org>, ann@y.org", "CC: a@b,", " c@d,", "\te@f", "Subject: s",
        "To: =?utf-8?Q?M=C3=BCller?= <m@z>" };
    std::vector<std::string> to;
    HeaderAddresses(headers, "TO", to);
    EXPECT_EQ(to, (std::vector<std::string> { "\"Doe, John\" <jd@x.org>", "ann@y.org", "M\xC3\xBCller <m@z>" }));
    std::vector<std::string> cc;
    HeaderAddresses(headers, "CC", cc);
    EXPECT_EQ(cc, (std::vector<std::string> { "a@b", "c@d", "e@f" }));
    HeaderAddresses(TmsHeaders { "To: undisclosed-recipients:;" }, "To", cc);
    EXPECT_TRUE(cc.empty());
}

TEST(Headers, DeletesOnlyTheFirstFieldWithItsContinuations)
{
    TmsHeaders headers { "Subject: a", " folded", "X: 1", "subject: b" };
    DeleteHeader(headers, "Subject");
    EXPECT_EQ(headers, (TmsHeaders { "X: 1", "subject: b" }));
}

TEST(Headers, ReadsParametersWithQuotesAndRfc2231)
{
    HeaderParams plain = parseHeaderParams("Text/Plain; charset=\"ISO-8859-1\"; name=a.txt; format=flowed");
    EXPECT_EQ(plain.value, "text/plain");
    EXPECT_EQ(plain.param("charset"), "ISO-8859-1");
    EXPECT_EQ(plain.param("name"), "a.txt");
    HeaderParams continued = parseHeaderParams(
        "attachment; filename*0*=utf-8''%C3%A4rger; filename*1=\" und \"; filename*2*=%E2%82%AC.txt");
    EXPECT_EQ(continued.text("filename"), "\xC3\xA4rger und \xE2\x82\xAC.txt");
    HeaderParams latin = parseHeaderParams("attachment; filename*=iso-8859-1'de'M%FCll.txt; filename=\"old.txt\"");
    EXPECT_EQ(latin.text("filename"), "M\xC3\xBCll.txt");
    HeaderParams path = parseHeaderParams("image/png; name=\"C:\\TEMP\\a.png\"; x=\"q\\\"q\"");
    EXPECT_EQ(path.text("name"), "C:\\TEMP\\a.png");
    EXPECT_EQ(path.text("x"), "q\"q");
}

TEST(Headers, WritesAddressListsOneAddressPerLine)
{
    TmsAddressList list;
    EXPECT_EQ(WriteAddressHeader("To", list), "");
    list.Add("a@x", "Ann");
    EXPECT_EQ(WriteAddressHeader("To", list), "To:       Ann <a@x>\r\n");
    list.Add("b@x", "");
    list.Add("c@x", "Doe, Carl");
    EXPECT_EQ(WriteAddressHeader("CC:", list),
        "CC:       Ann <a@x>,\r\n           <b@x>,\r\n          \"Doe, Carl\" <c@x>\r\n");
}

TEST(Headers, NeverLetsANameOrAddressOpenAHeaderLine)
{
    TmsAddressList list;
    list.Add("a@x>\r\nBcc: victim@y", "Eve\r\nX-Injected: 1");
    list.Add("b@x", "J\xC3\xBCrgen");
    std::string text = WriteAddressHeader("To", list);
    EXPECT_EQ(text.find("\nX-Injected"), std::string::npos);
    EXPECT_EQ(text.find("\nBcc"), std::string::npos);
    EXPECT_NE(text.find("=?utf-8?B?"), std::string::npos);
}

TEST(Attachments, DeriveTypeAndEncodingFromTheExtension)
{
    TmsAttItem item;
    item.SetFileName("C:\\docs\\README");
    EXPECT_EQ(item.ContentType.str(), "application/octet-stream");
    EXPECT_EQ(item.Encoding, aeBase64);
    item.SetFileName("notes.TXT");
    EXPECT_EQ(item.ContentType.str(), "text/plain");
    EXPECT_EQ(item.Encoding, aeQuotedPrintable);
    item.SetFileName("mail.eml");
    EXPECT_EQ(item.Encoding, aeSevenBit);
    item.SetFileName("photo.jpeg");
    EXPECT_EQ(item.ContentType.str(), "image/jpeg");
    EXPECT_EQ(bareFileName("dir.x/sub\\c:file.pdf"), "file.pdf");
}

TEST(Address, ListsCopyTheirItemsAndSurviveAssigningThemselves)
{
    TmsAddressList list;
    list.Add("ann@example.org", "Ann");
    TmsAddressList copy = list;
    copy.Items(0).Name = "Changed";
    EXPECT_EQ(list.Items(0).Name.str(), "Ann");
    copy = list;
    copy.Add("bob@example.org", "");
    list.Assign(list);
    EXPECT_EQ(list.Count(), 1);
    EXPECT_EQ(list.Items(0).Address.str(), "ann@example.org");
    EXPECT_EQ(copy.storedItems(),
        (std::vector<std::pair<std::string, std::string>> { { "Ann", "ann@example.org" }, { "", "bob@example.org" } }));
}

TEST(Attachments, LoadFilesOrFailWithoutAppending)
{
    pelmora::test::TempDir dir;
    pelmora::test::writeFile(dir / "data.bin", std::string("\0\1\2", 3));
    TmsAttList list;
    EXPECT_EQ(list.AddFile(dir / "data.bin").Stream, std::string("\0\1\2", 3));
    EXPECT_THROW(list.AddFile(dir / "missing.bin"), pelmora::Error);
    EXPECT_EQ(list.Count(), 1);
    TmsAttList copy = list;
    copy.Items(0).Stream = "changed";
    EXPECT_EQ(list.Items(0).Stream.size(), 3u);
}

TEST(Address, QuotesAndCommentsAreNoSyntax)
{
    EXPECT_EQ(parsed("\"Smith <Sales>\" <s@x.com>"), TmsMailAddress("s@x.com", "Smith <Sales>"));
    EXPECT_EQ(parsed("\"a@b (c)\" <real@x.com>"), TmsMailAddress("real@x.com", "a@b (c)"));
    EXPECT_EQ(parsed("a@b.c (Ann)"), TmsMailAddress("a@b.c", "Ann"));
    EXPECT_EQ(parsed("a(work)@b.c"), TmsMailAddress("a@b.c", "work"));
    EXPECT_EQ(parsed("Ann <a@b.c (home)>"), TmsMailAddress("a@b.c", "Ann"));
    EXPECT_EQ(parsed("a@b.c (Ann (the (first)))"), TmsMailAddress("a@b.c", "Ann (the (first))"));
    EXPECT_EQ(parsed("(Sales <x@y>) s@x.com"), TmsMailAddress("s@x.com", "Sales <x@y>"));
    EXPECT_EQ(parsed("a@b.c (Ann"), TmsMailAddress("a@b.c", "Ann"));

    // Through the header reader, with the field split at the right commas first.
    TmsMessage message;
    std::string text
        = "From: \"Smith <Sales>\" <s@x.com>\r\nTo: \"Doe, J (x)\" <j@d.com>, b@c.d (Bob, Jr)\r\n\r\nx\r\n";
    std::istringstream in(text);
    message.LoadFromStream(in);
    EXPECT_EQ(message.Sender, TmsMailAddress("s@x.com", "Smith <Sales>"));
    ASSERT_EQ(message.Recipients.Count(), 2);
    EXPECT_EQ(message.Recipients.Items(0), TmsMailAddress("j@d.com", "Doe, J (x)"));
    EXPECT_EQ(message.Recipients.Items(1), TmsMailAddress("b@c.d", "Bob, Jr"));
}
