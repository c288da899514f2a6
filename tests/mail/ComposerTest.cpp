#include "mail/Base64.h"
#include "mail/MailErrors.h"
#include "mail/TmsMessage.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <optional>
#include <regex>

#include "MailTestUtil.h"

using namespace pelmora::mail;
using namespace pelmora::mail::test;

namespace {

class Composer : public ::testing::Test {
protected:
    Composer()
    {
        message.Sender = TmsMailAddress("me@example.com", "Me");
        message.Recipients.Add("you@example.org", "You");
        message.Subject = "Hello";
    }

    TmsAttItem& attach(const std::string& name, const std::string& content)
    {
        auto item = std::make_unique<TmsAttItem>();
        item->SetFileName(name);
        item->Stream = content;
        return message.Attachments.AddItem(std::move(item));
    }

    // The header lines the composer adds on its own, checked apart from the layouts.
    std::vector<std::string> layout()
    {
        std::vector<std::string> lines;
        for (const std::string& line : linesOf(compose(message))) {
            if (line.rfind("Date: ", 0) != 0 && line.rfind("Message-ID: ", 0) != 0)
                lines.push_back(line);
        }
        return lines;
    }

    TmsMessage message;
};

// Boundaries are random: they are replaced by "B1", "B2" in order of first appearance.
std::vector<std::string> withNamedBoundaries(std::vector<std::string> lines)
{
    std::vector<std::string> boundaries;
    for (std::string& line : lines) {
        std::size_t at = line.find("boundary=\"");
        if (at != std::string::npos)
            boundaries.push_back(line.substr(at + 10, 8));
        for (std::size_t i = 0; i < boundaries.size(); ++i) {
            std::size_t pos = line.find(boundaries[i]);
            if (pos != std::string::npos)
                line.replace(pos, 8, "B" + std::to_string(i + 1));
        }
    }
    return lines;
}

} // namespace

TEST_F(Composer, WritesTheHeaderBlockAndAPlainTextBody)
{
    message.Body = { "Line one", "Line two" };
    message.CC.Add("cc@example.net", "");
    EXPECT_EQ(layout(),
        (std::vector<std::string> { "From:     Me <me@example.com>", "To:       You <you@example.org>",
            "CC:        <cc@example.net>", "Subject:  Hello", "Mime-Version: 1.0",
            "Content-Type: text/plain; charset=\"us-ascii\"", "Content-Transfer-Encoding: 7bit", "", "Line one",
            "Line two" }));
}

TEST_F(Composer, AlwaysWritesDateAndMessageIdUnlessGiven)
{
    std::vector<std::string> lines = linesOf(compose(message));
    EXPECT_EQ(linesFrom(lines, "Date: ").size() > 0, true);
    std::vector<std::string> id = linesFrom(lines, "Message-ID: <");
    ASSERT_FALSE(id.empty());
    EXPECT_NE(id.front().find("@example.com>"), std::string::npos);
    message.Headers = { "Date: Mon, 1 Jan 2001 00:00:00 +0000" };
    std::string text = compose(message);
    EXPECT_EQ(text.find("Date: "), text.rfind("Date: "));
}

namespace {

// The seconds since the epoch a date-time stands for, when it is one in the strict form a
// composer must write ("Mon, 02 Jan 2006 15:04:05 -0700": the right weekday, real day and time,
// a numeric zone); nullopt otherwise.
std::optional<std::int64_t> strictDateTime(const std::string& text)
{
    static const std::regex form(
        R"(^(Mon|Tue|Wed|Thu|Fri|Sat|Sun), (\d{1,2}) (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) (\d{4}) )"
        R"((\d{2}):(\d{2}):(\d{2}) ([+-])(\d{2})(\d{2})$)");
    static const std::string months = "JanFebMarAprMayJunJulAugSepOctNovDec";
    static const std::string days = "SunMonTueWedThuFriSat";
    std::smatch m;
    if (!std::regex_match(text, m, form))
        return std::nullopt;
    using namespace std::chrono;
    const year_month_day date { year(std::stoi(m[4])), month(unsigned(months.find(m[3].str()) / 3 + 1)),
        day(unsigned(std::stoi(m[2]))) };
    const int hour = std::stoi(m[5]), minute = std::stoi(m[6]), second = std::stoi(m[7]);
    const int zoneHours = std::stoi(m[9]), zoneMinutes = std::stoi(m[10]);
    if (!date.ok() || hour > 23 || minute > 59 || second > 60 || zoneHours > 23 || zoneMinutes > 59)
        return std::nullopt;
    const sys_days dayNumber(date);
    if (weekday(dayNumber).c_encoding() != days.find(m[1].str()) / 3)
        return std::nullopt;
    const std::int64_t zone = (m[8] == "-" ? -1 : 1) * (zoneHours * 3600 + zoneMinutes * 60);
    return dayNumber.time_since_epoch().count() * 86400 + hour * 3600 + minute * 60 + second - zone;
}

} // namespace

// The Date written must be a valid date-time that names the moment of composing, in any zone:
// also one west of UTC and one off by half an hour, where a sign or a minute slip shows.
TEST_F(Composer, TheDateIsAStrictDateTimeOfTheMomentOfComposing)
{
    EXPECT_TRUE(strictDateTime("Mon, 02 Jan 2006 15:04:05 -0700").has_value());
    EXPECT_FALSE(strictDateTime("Tue, 02 Jan 2006 15:04:05 -0700").has_value()); // wrong weekday
    EXPECT_FALSE(strictDateTime("Mon, 02 Jan 2006 15:04:05 GMT").has_value());
    const std::string oldZone = std::getenv("TZ") ? std::getenv("TZ") : "";
    const bool hadZone = std::getenv("TZ") != nullptr;
    for (const char* zone : { "UTC0", "NST+3:30", "IST-5:30" }) {
        SCOPED_TRACE(zone);
        ::setenv("TZ", zone, 1);
        ::tzset();
        const std::int64_t before = std::time(nullptr);
        const std::vector<std::string> dates = linesFrom(linesOf(compose(message)), "Date: ");
        const std::int64_t after = std::time(nullptr);
        ASSERT_FALSE(dates.empty());
        const std::optional<std::int64_t> stamped = strictDateTime(dates.front().substr(6));
        ASSERT_TRUE(stamped.has_value()) << dates.front();
        EXPECT_GE(*stamped, before) << dates.front();
        EXPECT_LE(*stamped, after) << dates.front();
    }
    if (hadZone)
        ::setenv("TZ", oldZone.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
}

TEST_F(Composer, WritesPriorityReceiptAndExtraHeaders)
{
    message.Priority = ptHigh;
    message.ReturnReceipt = true;
    message.Headers = { "Subject: old", "X-Mailer: Pelmora", "Organization: Us", " folded", "", "no colon here" };
    std::vector<std::string> lines = layout();
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 2, lines.begin() + 8),
        (std::vector<std::string> { "Return-Receipt-To: <me@example.com>", "X-Priority: 1", "X-Mailer: Pelmora",
            "Organization: Us", " folded", "Subject:  Hello" }));
    message.Priority = ptNormal;
    EXPECT_EQ(compose(message).find("X-Priority"), std::string::npos);
}

TEST_F(Composer, DropsEveryCopyOfTheFieldsItWritesItself)
{
    // Headers of a received message may name its type twice; neither copy may stay.
    message.Headers = { "Content-Type: multipart/alternative; boundary=x", "Content-type: text/plain", "X-A: 1" };
    message.Body = { "b" };
    std::string text = compose(message);
    EXPECT_EQ(text.find("ontent-type"), std::string::npos);
    EXPECT_EQ(text.find("Content-Type"), text.rfind("Content-Type"));
}

TEST_F(Composer, KeepsEveryValueOnItsHeaderLine)
{
    message.Subject = "Hi\r\nBcc: victim@example.net";
    message.Sender.Name = "Eve\nX-Evil: 1";
    message.Headers = { "X-Note: a\r\nX-Injected: b" };
    std::string text = compose(message);
    std::string headers = text.substr(0, text.find("\r\n\r\n"));
    EXPECT_EQ(headers.find("\nBcc"), std::string::npos);
    EXPECT_EQ(headers.find("\nX-Evil"), std::string::npos);
    EXPECT_EQ(headers.find("\nX-Injected"), std::string::npos);
}

TEST_F(Composer, EncodesNonAsciiSubjectsAndNames)
{
    message.Subject = "Gr\xC3\xBC\xC3\x9F"
                      "e";
    message.Recipients.Items(0).Name = "M\xC3\xBCller, Hans";
    std::string text = compose(message);
    EXPECT_NE(text.find("Subject:  =?utf-8?B?"), std::string::npos);
    EXPECT_NE(text.find("To:       =?utf-8?B?"), std::string::npos);
    TmsMessage back = parse(text);
    EXPECT_EQ(back.Subject.str(), message.Subject.str());
    EXPECT_EQ(back.Recipients.Items(0).Name.str(), "M\xC3\xBCller, Hans");
}

TEST_F(Composer, SwitchesLongOrNonAsciiBodiesToQuotedPrintable)
{
    message.Body = { std::string(300, 'x') };
    std::vector<std::string> lines = layout();
    EXPECT_EQ(linesFrom(lines, "Content-Type: text/plain")[1], "Content-Transfer-Encoding: quoted-printable");
    message.Body = { "caf\xC3\xA9" };
    message.CharSet = csISO8859;
    lines = layout();
    EXPECT_EQ(linesFrom(lines, "Content-Type")[0], "Content-Type: text/plain; charset=\"iso-8859-1\"");
    EXPECT_EQ(lines.back(), "caf=E9");
    // Text that Latin-1 cannot hold is declared as what it is.
    message.Body = { "\xE2\x82\xAC 5" };
    lines = layout();
    EXPECT_EQ(linesFrom(lines, "Content-Type")[0], "Content-Type: text/plain; charset=\"utf-8\"");
    message.CharSet = csUSASCII;
    EXPECT_EQ(linesFrom(layout(), "Content-Type")[0], "Content-Type: text/plain; charset=\"utf-8\"");
}

TEST_F(Composer, LeavesDotLinesToTheTransport)
{
    message.Body = { ".", ".x" };
    std::vector<std::string> lines = layout();
    EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()), (std::vector<std::string> { ".", ".x" }));
    EXPECT_EQ(message.Body, (std::vector<std::string> { ".", ".x" }));
}

TEST_F(Composer, WritesTheMixedLayout)
{
    message.Body = { "See attached." };
    attach("C:\\files\\data.bin", std::string(60, '\x01'));
    std::vector<std::string> lines = withNamedBoundaries(linesFrom(layout(), "Content-Type"));
    EXPECT_EQ(lines,
        (std::vector<std::string> { "Content-Type: multipart/mixed; boundary=\"B1\"", "X-Encoding: MIME", "",
            "This is a multipart message in MIME format", "", "--B1", "Content-Type: text/plain; charset=\"us-ascii\"",
            "Content-Transfer-Encoding: 7bit", "", "See attached.", "", "--B1",
            "Content-Type: application/octet-stream; name=\"data.bin\"", "Content-Transfer-Encoding: Base64",
            "Content-Disposition: attachment; filename=\"data.bin\"", "", Base64EncodeChunk(std::string(57, '\x01')),
            Base64EncodeChunk(std::string(3, '\x01')), "", "--B1--" }));
}

TEST_F(Composer, WritesTheAlternativeGroupInsideMixed)
{
    message.Body = { "text" };
    TmsAttItem& html = attach("_alt.0", "<p>text</p>");
    html.ContentType = "text/html";
    html.Encoding = aeQuotedPrintable;
    attach("a.txt", "x");
    std::vector<std::string> lines = withNamedBoundaries(linesFrom(layout(), "Content-Type"));
    EXPECT_EQ(lines,
        (std::vector<std::string> { "Content-Type: multipart/mixed; boundary=\"B1\"", "X-Encoding: MIME", "",
            "This is a multipart message in MIME format", "", "--B1",
            "Content-Type:  multipart/alternative; boundary=\"B2\"", "Content-Transfer-Encoding: 7bit", "", "--B2",
            "Content-Type: text/plain; charset=\"us-ascii\"", "Content-Transfer-Encoding: 7bit", "", "text", "", "--B2",
            "Content-Type: text/html", "Content-Transfer-Encoding: Quoted-Printable", "", "<p>text</p>=", "--B2--", "",
            "--B1", "Content-Type: text/plain; name=\"a.txt\"", "Content-Transfer-Encoding: Quoted-Printable",
            "Content-Disposition: attachment; filename=\"a.txt\"", "", "x=", "--B1--" }));
}

TEST_F(Composer, WritesALoneAttachmentAsTheWholeMessage)
{
    attach("report.pdf", std::string(57, 'p'));
    std::vector<std::string> lines = linesFrom(layout(), "Content-Type");
    EXPECT_EQ(lines,
        (std::vector<std::string> { "Content-Type: application/pdf; name=\"report.pdf\"",
            "Content-Transfer-Encoding: Base64", "Content-Disposition: attachment; filename=\"report.pdf\"", "",
            Base64EncodeChunk(std::string(57, 'p')), "" }));
    EXPECT_EQ(message.ContentType(), "application/pdf");
}

TEST_F(Composer, WritesUuencodedMessagesWithoutMime)
{
    message.Encoding = meUU;
    message.Body = { "body" };
    attach("x.bin", "abc");
    std::string text = compose(message);
    EXPECT_EQ(text.find("Mime-Version"), std::string::npos);
    EXPECT_EQ(text.find("Content-Type"), std::string::npos);
    std::vector<std::string> lines = linesFrom(linesOf(text), "body");
    EXPECT_EQ(lines, (std::vector<std::string> { "body", "", "begin 600 x.bin", "#86)C`", "`", "end" }));
}

TEST_F(Composer, MakesBoundariesWithoutTheDigitNine)
{
    message.Body = { "b" };
    attach("a.bin", "a");
    for (int i = 0; i < 50; ++i) {
        std::string text = compose(message);
        std::size_t at = text.find("boundary=\"") + 10;
        std::string boundary = text.substr(at, 8);
        EXPECT_EQ(boundary.find_first_not_of("012345678"), std::string::npos) << boundary;
    }
}

TEST_F(Composer, ValidatesSenderAndRecipients)
{
    EXPECT_NO_THROW(message.Validate());
    message.Recipients.Clear();
    message.BCC.Add("hidden@example.org", "");
    EXPECT_NO_THROW(message.Validate());
    message.BCC.Items(0).Address = "";
    EXPECT_THROW(message.Validate(), EMessageError);
    message.Sender.Address = "";
    try {
        message.Validate();
        FAIL();
    } catch (const EMessageError& error) {
        EXPECT_STREQ(error.what(), "The address of sender is required");
    }
}

TEST_F(Composer, WritesSevenBitPartsWithTheStandardTokenAndReadsBoth)
{
    message.Body = { "See attached." };
    TmsAttItem& note = attach("note.txt", "plain words");
    note.Encoding = aeSevenBit;
    TmsAttItem& mail = attach("fwd.eml", "Subject: inner\r\n\r\nhello\r\n");
    mail.ContentType = "message/rfc822";
    std::string text = compose(message);
    EXPECT_EQ(text.find("7 bit"), std::string::npos);
    EXPECT_NE(text.find("Content-Type: message/rfc822; name=\"fwd.eml\"\r\nContent-Transfer-Encoding: 7bit\r\n"),
        std::string::npos)
        << text;
    // What older versions wrote still reads as 7-bit text.
    for (const std::string& token : { std::string("7bit"), std::string("7 bit") }) {
        std::string old = text;
        for (std::size_t at = 0; (at = old.find("Encoding: 7bit", at)) != std::string::npos; at += 9)
            old.replace(at + 10, 4, token);
        TmsMessage back = parse(old);
        ASSERT_EQ(back.Attachments.Count(), 2) << token;
        EXPECT_EQ(back.Attachments.Items(0).Stream.substr(0, 13), "plain words\r\n") << token;
        EXPECT_EQ(back.Attachments.Items(1).Stream.substr(0, 25), "Subject: inner\r\n\r\nhello\r\n") << token;
    }
}
