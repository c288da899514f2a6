#include "rtf/FaxPage.h"
#include "rtf/PdfPage.h"
#include "rtf/RtfDocument.h"

#include <gtest/gtest.h>

namespace {

using namespace pelmora::rtf;

Run run(std::string text, CharFormat format = {})
{
    return Run { std::move(text), std::move(format) };
}

void expectSameDocument(const Document& a, const Document& b)
{
    ASSERT_EQ(a.paragraphs.size(), b.paragraphs.size());
    for (std::size_t p = 0; p < a.paragraphs.size(); ++p) {
        const Paragraph& x = a.paragraphs[p];
        const Paragraph& y = b.paragraphs[p];
        EXPECT_EQ(x.alignment, y.alignment) << p;
        EXPECT_EQ(x.firstIndent, y.firstIndent) << p;
        EXPECT_EQ(x.leftIndent, y.leftIndent) << p;
        EXPECT_EQ(x.rightIndent, y.rightIndent) << p;
        EXPECT_EQ(x.bullet, y.bullet) << p;
        ASSERT_EQ(x.runs.size(), y.runs.size()) << p;
        for (std::size_t r = 0; r < x.runs.size(); ++r) {
            EXPECT_EQ(x.runs[r].text, y.runs[r].text) << p << '/' << r;
            EXPECT_TRUE(x.runs[r].format == y.runs[r].format) << p << '/' << r;
        }
    }
}

TEST(RtfWriter, EverythingTheEditorShowsSurvivesARoundTrip)
{
    CharFormat plain;
    plain.font = "Arial";
    CharFormat fancy;
    fancy.font = "Courier New";
    fancy.halfPoints = 36;
    fancy.bold = fancy.italic = fancy.underline = true;
    fancy.hasColor = true;
    fancy.color = { 0, 128, 255 };
    CharFormat red = plain;
    red.hasColor = true;
    red.color = { 255, 0, 0 };

    Document d;
    Paragraph p1;
    p1.alignment = Alignment::Center;
    p1.runs = { run("Title ", plain), run("big", fancy), run(" red", red) };
    Paragraph p2;
    p2.alignment = Alignment::Right;
    p2.firstIndent = -360;
    p2.leftIndent = 720;
    p2.rightIndent = 288;
    p2.bullet = true;
    p2.runs = { run("bulleted {braces} \\ back\tslash", plain) };
    Paragraph p3;
    p3.alignment = Alignment::Justify;
    p3.runs = { run("caf\xC3\xA9 \xE2\x82\xAC \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80 line\xE2\x80\xA8"
                    "break",
        plain) };
    Paragraph empty;
    d.paragraphs = { p1, p2, empty, p3, empty };

    std::string rtf = writeRtf(d);
    // Only 7-bit bytes, so no reader's code page can garble it.
    for (unsigned char c : rtf)
        ASSERT_LT(c, 0x80);
    expectSameDocument(parseRtf(rtf), d);
    // Writing what was read gives the same file again.
    EXPECT_EQ(writeRtf(parseRtf(rtf)), rtf);
}

TEST(RtfWriter, EdgeDocuments)
{
    EXPECT_EQ(parseRtf(writeRtf(Document {})).paragraphs.size(), 0u);
    Document oneEmpty;
    oneEmpty.paragraphs.emplace_back();
    EXPECT_EQ(parseRtf(writeRtf(oneEmpty)).paragraphs.size(), 1u);
    // A ';' in a font name would end the name in the font table.
    Document odd;
    CharFormat f;
    f.font = "We;ird {Font}";
    odd.paragraphs.push_back(Paragraph { { run("x", f) } });
    EXPECT_EQ(parseRtf(writeRtf(odd)).paragraphs[0].runs[0].format.font, "Weird {Font}");
    // Control characters in a name would come back as control words a font table ignores, and
    // a second save would differ from the first.
    odd.paragraphs[0].runs[0].format.font = "\t\x03 Tab Font \xE6\x98\x8E\xE6\x9C\x9D ";
    std::string once = writeRtf(odd);
    EXPECT_EQ(writeRtf(parseRtf(once)), once);
    // Nor does a run of control characters alone leave an empty group or a font behind.
    CharFormat other;
    other.font = "Other";
    odd.paragraphs[0].runs = { run("a", f), run("\x01\x02", other), run("b", f) };
    odd.paragraphs.push_back(Paragraph { { run("\x05", f) } });
    once = writeRtf(odd);
    EXPECT_EQ(once.find("Other"), std::string::npos);
    EXPECT_EQ(parseRtf(once).paragraphs.size(), 2u);
    EXPECT_EQ(writeRtf(parseRtf(once)), once);
    // Formats that differ only in what is written the same way are one run.
    CharFormat unnamed;
    CharFormat arial;
    arial.font = "Arial";
    arial.halfPoints = 99999;
    unnamed.halfPoints = 3276;
    odd.paragraphs = { Paragraph { { run("x", unnamed), run("y", arial) } } };
    once = writeRtf(odd);
    EXPECT_EQ(writeRtf(parseRtf(once)), once);
}

TEST(FaxPage, AddressBlocksPutABlankLineAfterEachLine)
{
    EXPECT_EQ(pageWithAddressBlock(contactAddressLines("Ann", "Lee", "Acme", "555-1")).plainText(),
        "To : Ann Lee\n \nCompany : Acme\n \nFax : 555-1\n ");
    Document body = documentFromPlainText("Hello\nWorld");
    Document page = pageWithAddressBlock(personAddressLines("Bo", "Ek", ""), body);
    EXPECT_EQ(page.plainText(), "To : Bo Ek\n \nFax : \n \nHello\nWorld");
    // The blank lines hold one blank, which must survive being written and read.
    EXPECT_EQ(parseRtf(writeRtf(page)).plainText(), page.plainText());
}

TEST(FaxPage, PdfIsAWellFormedFileOfEveryPage)
{
    Document d = documentFromPlainText(std::string(3000, 'x') + "\n(a) \\b\n" + std::string(200, '\n') + "end");
    std::string pdf = writePdf(d);
    EXPECT_EQ(pdf.rfind("%PDF-1.4", 0), 0u);
    EXPECT_NE(pdf.find("/Count 5"), std::string::npos) << pdf.substr(0, 400); // 200 empty lines take pages
    EXPECT_NE(pdf.find("(\\(a\\) )"), std::string::npos);
    EXPECT_NE(pdf.find("(\\\\b)"), std::string::npos);
    // The cross-reference table points at each object.
    std::size_t xref = std::stoul(pdf.substr(pdf.find("startxref\n") + 10));
    EXPECT_EQ(pdf.compare(xref, 4, "xref"), 0);
}

} // namespace
