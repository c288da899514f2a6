#include "mail/Base64.h"
#include "mail/MailErrors.h"
#include "mail/TmsMessage.h"
#include "mail/UUCode.h"

#include <gtest/gtest.h>

#include "MailTestUtil.h"
#include "TestSupport.h"

using namespace pelmora::mail;
using namespace pelmora::mail::test;

namespace {

const std::string Head = "From: Ann <ann@example.com>\nTo: bob@example.org\nSubject: Test\n";
const std::string Mime = Head + "MIME-Version: 1.0\n";

std::string mixed(const std::string& parts)
{
    return crlf(Mime + "Content-Type: multipart/mixed; boundary=\"XX\"\n\npreamble\n" + parts);
}

void expectRecovered(const TmsMessage& message, const std::string& error, const std::string& original)
{
    ASSERT_GE(message.Body.size(), 3u);
    auto end = message.Body.end();
    EXPECT_EQ(std::vector<std::string>(end - 3, end),
        (std::vector<std::string> { "The following error has been occured while processing the message:", error,
            "The original message will be stored as an attachment" }));
    ASSERT_GE(message.Attachments.Count(), 1);
    const TmsAttItem& kept = message.Attachments.Items(message.Attachments.Count() - 1);
    EXPECT_EQ(kept.FileName, "original.eml");
    EXPECT_EQ(kept.ContentType, "message/rfc822");
    EXPECT_EQ(kept.Stream, original);
}

} // namespace

TEST(Parser, ReadsTheHeaderFields)
{
    TmsMessage message = parse(crlf("From: \"Ann A.\" <ann@example.com>\nTo: a@x, \"B, b\" <b@x>\nCc: c@x\n"
                                    "Subject: =?utf-8?Q?Gr=C3=BC=C3=9Fe?=\nX-Priority: 1 (Highest)\n"
                                    "Return-Receipt-To: ann@example.com\n\nbody\n"));
    EXPECT_EQ(message.Sender, TmsMailAddress("ann@example.com", "Ann A."));
    ASSERT_EQ(message.Recipients.Count(), 2);
    EXPECT_EQ(message.Recipients.Items(1), TmsMailAddress("b@x", "B, b"));
    EXPECT_EQ(message.CC.Items(0).Address, "c@x");
    EXPECT_EQ(message.Subject,
        "Gr\xC3\xBC\xC3\x9F"
        "e");
    EXPECT_EQ(message.Priority, ptHigh);
    EXPECT_TRUE(message.ReturnReceipt);
    EXPECT_EQ(message.Headers.size(), 6u);
    EXPECT_EQ(message.Body, std::vector<std::string> { "body" });
}

TEST(Parser, ReadsAMessageOfHeadersAloneAndFailsOnlyOnAnEmptyText)
{
    TmsMessage message = parse(crlf("From: a@x\nSubject: no end"));
    EXPECT_EQ(message.Subject, "no end");
    EXPECT_EQ(message.Sender.Address, "a@x");
    EXPECT_TRUE(message.Body.empty());
    EXPECT_EQ(message.Attachments.Count(), 0);
    try {
        parse("");
        FAIL();
    } catch (const EMessageParserError& error) {
        EXPECT_STREQ(error.what(), "Unable to retrieve headers");
    }
}

TEST(Parser, ReadsSingleTextMessages)
{
    TmsMessage plain = parse(crlf(Mime + "\nline 1\n\nline 3\n"));
    EXPECT_EQ(plain.Body, (std::vector<std::string> { "line 1", "", "line 3" }));
    TmsMessage qp = parse(crlf(Mime
        + "Content-Type: text/plain; charset=iso-8859-1\n"
          "Content-Transfer-Encoding: quoted-printable\n\nsoft=\nbreak caf=E9\n"));
    EXPECT_EQ(qp.CharSet, csISO8859);
    EXPECT_EQ(qp.Body, std::vector<std::string> { "softbreak caf\xC3\xA9" });
    TmsMessage b64 = parse(crlf(Mime + "Content-Type: text/plain; charset=koi8-r\nContent-Transfer-Encoding: base64\n\n"
        + Base64EncodeChunk("\xF3\xD0\xC1\xD3\xC9\xC2\xCF\r\nx") + "\n"));
    EXPECT_EQ(b64.Body, (std::vector<std::string> { "\xD0\xA1\xD0\xBF\xD0\xB0\xD1\x81\xD0\xB8\xD0\xB1\xD0\xBE", "x" }));
    // A version with a comment is still version 1.0.
    TmsMessage commented = parse(crlf(Head
        + "MIME-Version: 1.0 (produced by X)\nContent-Type: text/plain\n"
          "Content-Transfer-Encoding: quoted-printable\n\na=3Db\n"));
    EXPECT_EQ(commented.Body, std::vector<std::string> { "a=b" });
}

TEST(Parser, ReadsAMixedMessageWithABase64Attachment)
{
    std::string data = "\x89PNG\r\n\x1A\n" + std::string(100, '\0');
    TmsMessage message
        = parse(mixed("--XX\nContent-Type: text/plain\n\nHello\nthere\n\n"
                      "--XX\nContent-Type: image/png; name=\"pic.png\"\nContent-Transfer-Encoding: base64\n\n"
            + base64EncodeLines(data) + "\n--XX--\nepilogue\n"));
    // The line end before a delimiter belongs to the delimiter.
    EXPECT_EQ(message.Body, (std::vector<std::string> { "Hello", "there" }));
    ASSERT_EQ(message.Attachments.Count(), 1);
    EXPECT_EQ(message.Attachments.Items(0).FileName, "pic.png");
    EXPECT_EQ(message.Attachments.Items(0).ContentType, "image/png");
    EXPECT_EQ(message.Attachments.Items(0).Encoding, aeBase64);
    EXPECT_EQ(message.Attachments.Items(0).Stream, data);
}

TEST(Parser, KeepsAlternativeViewsAsAltAttachments)
{
    TmsMessage message = parse(crlf(Mime
        + "Content-Type: multipart/alternative; boundary=XX\n\n"
          "--XX\nContent-Type: text/plain\n\nplain\n--XX\n"
          "Content-Type: text/html\n\n<b>rich</b>\n--XX--\n"));
    EXPECT_EQ(message.Body, std::vector<std::string> { "plain" });
    ASSERT_EQ(message.Attachments.Count(), 1);
    EXPECT_EQ(message.Attachments.Items(0).FileName, "_alt.0");
    EXPECT_EQ(message.Attachments.Items(0).ContentType, "text/html");
    EXPECT_EQ(message.Attachments.Items(0).Stream, "<b>rich</b>");
    EXPECT_EQ(message.ContentType(), "multipart/alternative");
}

TEST(Parser, StoresAFirstBinaryPartAsTheFirstAttachment)
{
    TmsMessage message = parse(mixed("--XX\nContent-Type: application/zip\nContent-Transfer-Encoding: base64\n\nUEsD\n"
                                     "--XX--\n"));
    EXPECT_TRUE(message.Body.empty());
    ASSERT_EQ(message.Attachments.Count(), 1);
    EXPECT_EQ(message.Attachments.Items(0).FileName, "att.0");
    EXPECT_EQ(message.Attachments.Items(0).Stream, "PK\x03");
}

TEST(Parser, ReadsNestedGroupsAndStopsAtTheOuterEnd)
{
    TmsMessage message = parse(mixed("--XX\nContent-Type: text/plain\n\nbody\n"
                                     "--XX\nContent-Type: multipart/alternative; boundary=\"YY\"\n\n"
                                     "--YY\nContent-Type: text/plain\n\nalt text\n"
                                     "--YY\nContent-Type: text/html\n\n<p>alt</p>\n--YY--\n\n--XX--\n"
                                     "--XX\nContent-Type: text/plain\n\nafter the end\n"));
    EXPECT_EQ(message.Body, std::vector<std::string> { "body" });
    ASSERT_EQ(message.Attachments.Count(), 2);
    EXPECT_EQ(message.Attachments.Items(0).Stream, "alt text");
    EXPECT_EQ(message.Attachments.Items(1).Stream, "<p>alt</p>");
}

TEST(Parser, ReadsDeepNestingWithoutLosingLeaves)
{
    std::string text = Mime + "Content-Type: multipart/mixed; boundary=b0\n\n";
    for (int i = 0; i < 30; ++i)
        text += "--b" + std::to_string(i) + "\nContent-Type: multipart/mixed; boundary=b" + std::to_string(i + 1)
            + "\n\n";
    text += "--b30\nContent-Type: text/plain\n\ndeep\n--b30--\n";
    TmsMessage message = parse(crlf(text));
    // Beyond the depth limit a multipart is one opaque part: its text is kept, not lost.
    std::string all;
    for (const std::string& line : message.Body)
        all += line + "\n";
    for (int i = 0; i < message.Attachments.Count(); ++i)
        all += message.Attachments.Items(i).Stream;
    EXPECT_NE(all.find("deep"), std::string::npos);
}

TEST(Parser, KeepsTheTextOfANestedMultipartWhoseBoundaryNeverComes)
{
    TmsMessage message = parse(mixed("--XX\nContent-Type: multipart/alternative; boundary=YY\n\nAAA\n--XX--\n"));
    EXPECT_EQ(message.Body, std::vector<std::string> { "AAA" });
    message = parse(mixed("--XX\nContent-Type: text/plain\n\nbody\n"
                          "--XX\nContent-Type: multipart/related; boundary=YY\n\nBBB\n--XX--\n"));
    ASSERT_EQ(message.Attachments.Count(), 1);
    EXPECT_EQ(message.Attachments.Items(0).Stream, "BBB");
}

TEST(Parser, RecoversFromAMissingBoundaryOnly)
{
    std::string missing = crlf(Mime + "Content-Type: multipart/mixed; boundary=XX\n\nno parts here\n");
    expectRecovered(parse(missing), "Cannot find boundary", missing);
}

TEST(Parser, PartsWithoutHeadersAreTextAndMessagesInADigest)
{
    // No header block at all, an empty one, one without a type, and one cut off by the end.
    TmsMessage message = parse(mixed("--XX\nfirst text\n--XX\n\nsecond text\n--XX\nX-Other: 1\n\nthird\n"
                                     "--XX\nContent-Type: image/gif; name=a.gif\nContent-Transfer-Encoding: base64\n\n"
                                     "R0lG\n--XX\nX-Cut: off"));
    EXPECT_EQ(message.Body, std::vector<std::string> { "first text" });
    ASSERT_EQ(message.Attachments.Count(), 4);
    EXPECT_EQ(message.Attachments.Items(0).Stream, "second text");
    EXPECT_EQ(message.Attachments.Items(0).ContentType, "text/plain");
    EXPECT_EQ(message.Attachments.Items(1).Stream, "third");
    EXPECT_EQ(message.Attachments.Items(2).Stream, "GIF");
    EXPECT_EQ(message.Attachments.Items(3).Stream, "");
    for (int i = 0; i < message.Attachments.Count(); ++i)
        EXPECT_NE(message.Attachments.Items(i).FileName, "original.eml");

    message = parse(crlf(Mime + "Content-Type: multipart/digest; boundary=D\n\n--D\n\nSubject: one\n\nx\n--D--\n"));
    ASSERT_EQ(message.Attachments.Count(), 1);
    EXPECT_EQ(message.Attachments.Items(0).ContentType, "message/rfc822");
    EXPECT_EQ(message.Attachments.Items(0).FileName, "one.eml");
}

TEST(Parser, StrayCharactersInBase64CostOnlyThemselves)
{
    std::string text = mixed("--XX\nContent-Type: text/plain\n\nbody\n"
                             "--XX\nContent-Type: image/gif; name=ok.gif\nContent-Transfer-Encoding: base64\n\nR0lG\n"
                             "--XX\nContent-Type: image/gif; name=two.gif\nContent-Transfer-Encoding: base64\n\nR0l*G\n"
                             "XXXX--XX-\n--XX\nContent-Type: text/plain; name=after.txt\n\nafter\n--XX--\n");
    TmsMessage message = parse(text);
    EXPECT_EQ(message.Body, std::vector<std::string> { "body" });
    ASSERT_EQ(message.Attachments.Count(), 3);
    EXPECT_EQ(message.Attachments.Items(1).Stream.substr(0, 3), "GIF");
    EXPECT_EQ(message.Attachments.Items(2).FileName, "after.txt");
    EXPECT_EQ(message.Attachments.Items(2).Stream, "after");
}

TEST(Parser, ReadsUuencodedFilesOfPlainMessages)
{
    std::string text = crlf(Head + "\nSee below.\n\nbegin 644 one.txt\n" + UUEncodeLine("first")
        + "\n`\nend\n"
          "between\nbegin 600 two.bin\n"
        + UUEncodeLine(std::string(45, 'z')) + "\n" + UUEncodeLine("!") + "\n`\nend\n\nafter\n\nall\n\n");
    TmsMessage message = parse(text);
    EXPECT_EQ(message.Encoding, meUU);
    EXPECT_EQ(message.Body, (std::vector<std::string> { "See below.", "between", "after", "", "all" }));
    ASSERT_EQ(message.Attachments.Count(), 2);
    EXPECT_EQ(message.Attachments.Items(0).FileName, "one.txt");
    EXPECT_EQ(message.Attachments.Items(0).Stream, "first");
    EXPECT_EQ(message.Attachments.Items(1).Stream, std::string(45, 'z') + "!");
    std::string bad = crlf(Head + "\nbegin 644 x\nMbad lower case\nend\n");
    expectRecovered(parse(bad), "Error decoding the attachment", bad);
}

TEST(Parser, MakesAReadableBodyFromHtmlOnlyMail)
{
    TmsMessage message = parse(crlf(Mime
        + "Content-Type: text/html; charset=iso-8859-1\n\n"
          "<html><head><style>p{}</style></head><body><p>Caf\xE9 &amp; more</p>"
          "<p>Line&nbsp;2<br>Line 3</p></body></html>\n"));
    EXPECT_EQ(message.Body, (std::vector<std::string> { "Caf\xC3\xA9 & more", "", "Line 2", "Line 3" }));
    ASSERT_EQ(message.Attachments.Count(), 1);
    EXPECT_EQ(message.Attachments.Items(0).ContentType, "text/html");
    EXPECT_EQ(message.Attachments.Items(0).Stream.substr(0, 6), "<html>");
}

TEST(Parser, NamesAttachedMessagesAndReadsRfc2231Names)
{
    TmsMessage message = parse(mixed("--XX\nContent-Type: text/plain\n\nbody\n"
                                     "--XX\nContent-Type: message/rfc822\n\nSubject: Re: a/b?\n\ninner\n"
                                     "--XX\nContent-Type: message/rfc822\n\nFrom: x\n\nno subject\n"
                                     "--XX\nContent-Type: application/pdf\nContent-Disposition: attachment;\n"
                                     " filename*0*=utf-8''%C3%BCber; filename*1=\".pdf\"\n\n%PDF\n--XX--\n"));
    ASSERT_EQ(message.Attachments.Count(), 3);
    EXPECT_EQ(message.Attachments.Items(0).FileName, "Re ab.eml");
    EXPECT_EQ(message.Attachments.Items(0).Stream, "Subject: Re: a/b?\r\n\r\ninner");
    EXPECT_EQ(message.Attachments.Items(1).FileName, "message.eml");
    EXPECT_EQ(message.Attachments.Items(2).FileName,
        "\xC3\xBC"
        "ber.pdf");
}

TEST(Parser, KeepsOnlyTheBareNameOfHostileFileNames)
{
    TmsMessage message
        = parse(mixed("--XX\nContent-Type: text/plain\n\nb\n--XX\n"
                      "Content-Type: application/octet-stream; name=\"../../etc/passwd\"\n\nx\n--XX--\n"));
    ASSERT_EQ(message.Attachments.Count(), 1);
    EXPECT_EQ(message.Attachments.Items(0).FileName, "passwd");
    pelmora::test::TempDir dir;
    message.Attachments.Items(0).FileName = "..\\..\\evil.txt";
    message.SaveAttachment(0, dir.path());
    EXPECT_EQ(pelmora::test::readFile(dir / "evil.txt"), "x");
    message.Attachments.Items(0).FileName = "..";
    EXPECT_THROW(message.SaveAttachment(0, dir.path()), pelmora::Error);
}
