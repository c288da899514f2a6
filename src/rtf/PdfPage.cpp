#include "rtf/PdfPage.h"

#include "base/Windows1252.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace pelmora::rtf {

namespace {

constexpr double kPageWidth = 595.0; // A4 in points
constexpr double kPageHeight = 842.0;
constexpr double kMargin = 56.7; // 2 cm

// Advance widths of Helvetica for the printable ASCII characters, in thousandths of the size.
constexpr short kHelvetica[95] = { 278, 278, 355, 556, 556, 889, 667, 191, 333, 333, 389, 584, 278, 333, 278, 278, 556,
    556, 556, 556, 556, 556, 556, 556, 556, 556, 278, 278, 584, 584, 584, 556, 1015, 667, 667, 722, 722, 667, 611, 778,
    722, 278, 500, 667, 556, 833, 722, 778, 667, 778, 722, 667, 611, 722, 667, 944, 667, 667, 611, 278, 278, 278, 469,
    556, 333, 556, 556, 500, 556, 556, 278, 556, 556, 222, 222, 500, 222, 833, 556, 556, 556, 556, 333, 500, 278, 556,
    500, 722, 500, 500, 500, 334, 260, 334, 584 };

struct Word {
    std::string bytes; // Windows-1252
    int face = 0; // 0 regular, 1 bold, 2 italic, 3 bold italic
    double size = 12;
    bool underline = false;
    double width = 0;
    bool breakAfter = false; // a line break inside the paragraph follows
};

double textWidth(const std::string& bytes, int face, double size)
{
    double units = 0;
    for (unsigned char c : bytes)
        units += c >= 32 && c < 127 ? kHelvetica[c - 32] : 556;
    return units * size / 1000.0 * ((face & 1) ? 1.05 : 1.0);
}

// The run's text in Windows-1252, split after each blank so that lines break between words.
void splitWords(const Run& run, std::vector<Word>& words)
{
    int face = (run.format.bold ? 1 : 0) | (run.format.italic ? 2 : 0);
    double size = std::clamp(run.format.halfPoints, 2, 400) / 2.0;
    Word word { {}, face, size, run.format.underline, 0, false };
    auto finish = [&](bool lineBreak) {
        word.breakAfter = lineBreak;
        word.width = textWidth(word.bytes, face, size);
        if (!word.bytes.empty() || lineBreak)
            words.push_back(word);
        word.bytes.clear();
    };
    const std::string& text = run.text;
    for (std::size_t i = 0; i < text.size();) {
        auto c = static_cast<unsigned char>(text[i]);
        char32_t cp = c;
        int length = c < 0x80 ? 1 : c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : 2;
        if (length > 1 && i + length <= text.size()) {
            cp = c & (0x3F >> (length - 1));
            for (int k = 1; k < length; ++k)
                cp = (cp << 6) | (static_cast<unsigned char>(text[i + k]) & 0x3F);
        }
        i += std::min<std::size_t>(length, text.size() - i);
        if (cp == 0x2028 || cp == '\n') {
            finish(true);
        } else if (cp == '\t') {
            word.bytes += "    ";
            finish(false);
        } else if (cp == ' ') {
            word.bytes += ' ';
            finish(false);
        } else if (cp >= 0x20) {
            auto byte = base::codePointToWindows1252(cp);
            word.bytes += byte ? *byte : '?';
        }
    }
    finish(false);
}

std::string pdfString(const std::string& bytes)
{
    std::string out = "(";
    for (char c : bytes) {
        if (c == '(' || c == ')' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + ")";
}

std::string number(double value)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", value);
    return buffer;
}

class Layout {
public:
    std::vector<std::string> pages;

    void paragraph(const Paragraph& p)
    {
        std::vector<Word> words;
        for (const Run& run : p.runs)
            splitWords(run, words);
        double left = kMargin + std::max(0, p.leftIndent) / 20.0;
        double right = kPageWidth - kMargin - std::max(0, p.rightIndent) / 20.0;
        double first = std::clamp(left + p.firstIndent / 20.0, kMargin, right - 20);
        if (right - left < 40)
            left = right - 40;
        std::size_t i = 0;
        bool firstLine = true;
        do {
            double start = firstLine ? first : left;
            if (p.bullet && firstLine)
                start = std::max(start, left);
            double width = 0;
            double height = 12;
            std::size_t end = i;
            while (end < words.size()) {
                double w = words[end].width;
                if (end > i && start + width + w > right)
                    break;
                width += w;
                height = std::max(height, words[end].size);
                ++end;
                if (words[end - 1].breakAfter)
                    break;
            }
            newLine(height * 1.2);
            double x = start;
            if (p.alignment == Alignment::Center)
                x = start + std::max(0.0, (right - start - width) / 2);
            else if (p.alignment == Alignment::Right)
                x = std::max(start, right - width);
            if (p.bullet && firstLine)
                text(std::max(kMargin, start - 14), "\x95", 0, 12, false);
            for (std::size_t k = i; k < end; ++k) {
                text(x, words[k].bytes, words[k].face, words[k].size, words[k].underline);
                x += words[k].width;
            }
            i = end;
            firstLine = false;
        } while (i < words.size());
    }

private:
    void newLine(double height)
    {
        if (pages.empty() || m_y - height < kMargin) {
            pages.emplace_back();
            m_y = kPageHeight - kMargin;
        }
        m_y -= height;
    }

    void text(double x, const std::string& bytes, int face, double size, bool underline)
    {
        if (bytes.empty())
            return;
        std::string& page = pages.back();
        page += "BT /F" + std::to_string(face + 1) + ' ' + number(size) + " Tf " + number(x) + ' ' + number(m_y)
            + " Td " + pdfString(bytes) + " Tj ET\n";
        if (underline)
            page += number(x) + ' ' + number(m_y - size * 0.12) + ' ' + number(textWidth(bytes, face, size)) + ' '
                + number(size * 0.05) + " re f\n";
    }

    double m_y = 0;
};

} // namespace

std::string writePdf(const Document& document)
{
    Layout layout;
    for (const Paragraph& paragraph : document.paragraphs)
        layout.paragraph(paragraph);
    if (layout.pages.empty())
        layout.pages.emplace_back();

    // Objects: 1 catalog, 2 page tree, 3-6 fonts, then a page and its contents for each page.
    std::vector<std::string> objects;
    std::string kids;
    for (std::size_t p = 0; p < layout.pages.size(); ++p)
        kids += std::to_string(7 + 2 * p) + " 0 R ";
    objects.push_back("<< /Type /Catalog /Pages 2 0 R >>");
    objects.push_back("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(layout.pages.size()) + " >>");
    for (const char* face : { "Helvetica", "Helvetica-Bold", "Helvetica-Oblique", "Helvetica-BoldOblique" })
        objects.push_back(
            std::string("<< /Type /Font /Subtype /Type1 /BaseFont /") + face + " /Encoding /WinAnsiEncoding >>");
    for (std::size_t p = 0; p < layout.pages.size(); ++p) {
        objects.push_back("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 595 842] /Resources << /Font << /F1 3 0 R "
                          "/F2 4 0 R /F3 5 0 R /F4 6 0 R >> >> /Contents "
            + std::to_string(8 + 2 * p) + " 0 R >>");
        const std::string& content = layout.pages[p];
        objects.push_back("<< /Length " + std::to_string(content.size()) + " >>\nstream\n" + content + "endstream");
    }
    std::string out = "%PDF-1.4\n%\xE2\xE3\xCF\xD3\n";
    std::vector<std::size_t> offsets;
    for (std::size_t k = 0; k < objects.size(); ++k) {
        offsets.push_back(out.size());
        out += std::to_string(k + 1) + " 0 obj\n" + objects[k] + "\nendobj\n";
    }
    std::size_t xref = out.size();
    out += "xref\n0 " + std::to_string(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (std::size_t offset : offsets) {
        char line[24];
        std::snprintf(line, sizeof line, "%010zu 00000 n \n", offset);
        out += line;
    }
    out += "trailer\n<< /Size " + std::to_string(objects.size() + 1) + " /Root 1 0 R >>\nstartxref\n"
        + std::to_string(xref) + "\n%%EOF\n";
    return out;
}

} // namespace pelmora::rtf
