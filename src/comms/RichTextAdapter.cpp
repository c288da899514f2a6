#include "comms/RichTextAdapter.h"

#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>

#include <cmath>

namespace pelmora::comms {

namespace {

constexpr double kTwipsPerPixel = 15.0;

QString qt(const std::string& text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

Qt::Alignment alignmentOf(rtf::Alignment alignment)
{
    switch (alignment) {
    case rtf::Alignment::Right:
        return Qt::AlignRight | Qt::AlignAbsolute;
    case rtf::Alignment::Center:
        return Qt::AlignHCenter;
    case rtf::Alignment::Justify:
        return Qt::AlignJustify;
    case rtf::Alignment::Left:
        break;
    }
    return Qt::AlignLeft | Qt::AlignAbsolute;
}

rtf::Alignment alignmentOf(Qt::Alignment alignment)
{
    if (alignment & Qt::AlignHCenter)
        return rtf::Alignment::Center;
    if (alignment & Qt::AlignJustify)
        return rtf::Alignment::Justify;
    if (alignment & Qt::AlignRight)
        return rtf::Alignment::Right;
    return rtf::Alignment::Left;
}

QTextCharFormat charFormatOf(const rtf::CharFormat& format)
{
    QTextCharFormat out;
    if (!format.font.empty())
        out.setFontFamilies({ qt(format.font) });
    out.setFontPointSize(format.halfPoints / 2.0);
    out.setFontWeight(format.bold ? QFont::Bold : QFont::Normal);
    out.setFontItalic(format.italic);
    out.setFontUnderline(format.underline);
    if (format.hasColor)
        out.setForeground(QColor(format.color.red, format.color.green, format.color.blue));
    return out;
}

rtf::CharFormat charFormatOf(const QTextCharFormat& format, const QFont& defaultFont)
{
    rtf::CharFormat out;
    QStringList families = format.fontFamilies().toStringList();
    out.font = (families.isEmpty() ? defaultFont.family() : families.first()).toStdString();
    double points = format.fontPointSize() > 0 ? format.fontPointSize() : defaultFont.pointSizeF();
    out.halfPoints = points > 0 ? static_cast<int>(std::lround(points * 2)) : 24;
    out.bold = format.fontWeight() >= QFont::DemiBold;
    out.italic = format.fontItalic();
    out.underline = format.fontUnderline();
    if (format.foreground().style() != Qt::NoBrush) {
        QColor c = format.foreground().color();
        out.hasColor = true;
        out.color = { static_cast<std::uint8_t>(c.red()), static_cast<std::uint8_t>(c.green()),
            static_cast<std::uint8_t>(c.blue()) };
    }
    return out;
}

int twips(double pixels)
{
    return static_cast<int>(std::lround(pixels * kTwipsPerPixel));
}

} // namespace

void loadDocument(const rtf::Document& source, QTextDocument& target)
{
    target.clear();
    QTextCursor cursor(&target);
    QTextList* list = nullptr;
    bool first = true;
    for (const rtf::Paragraph& paragraph : source.paragraphs) {
        QTextBlockFormat block;
        block.setAlignment(alignmentOf(paragraph.alignment));
        block.setLeftMargin(paragraph.leftIndent / kTwipsPerPixel);
        block.setRightMargin(paragraph.rightIndent / kTwipsPerPixel);
        block.setTextIndent(paragraph.firstIndent / kTwipsPerPixel);
        if (first)
            cursor.setBlockFormat(block);
        else
            cursor.insertBlock(block, QTextCharFormat());
        first = false;
        if (paragraph.bullet) {
            // The paragraph's own indents place the bullet; the list adds none of its own.
            if (list) {
                list->add(cursor.block());
            } else {
                QTextListFormat format;
                format.setStyle(QTextListFormat::ListDisc);
                format.setIndent(0);
                list = cursor.createList(format);
            }
        } else {
            list = nullptr;
        }
        for (const rtf::Run& run : paragraph.runs)
            cursor.insertText(qt(run.text), charFormatOf(run.format));
    }
    target.setModified(false);
}

rtf::Document saveDocument(const QTextDocument& source)
{
    rtf::Document out;
    const QFont defaultFont = source.defaultFont();
    for (QTextBlock block = source.begin(); block.isValid(); block = block.next()) {
        rtf::Paragraph paragraph;
        QTextBlockFormat format = block.blockFormat();
        paragraph.alignment = alignmentOf(format.alignment());
        double left = format.leftMargin();
        if (QTextList* list = block.textList()) {
            paragraph.bullet = true;
            left += list->format().indent() * source.indentWidth();
        }
        paragraph.leftIndent = twips(left);
        paragraph.rightIndent = twips(format.rightMargin());
        paragraph.firstIndent = twips(format.textIndent());
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            QTextFragment fragment = it.fragment();
            if (!fragment.isValid())
                continue;
            QString text = fragment.text();
            rtf::Run run { text.toStdString(), charFormatOf(fragment.charFormat(), defaultFont) };
            if (!paragraph.runs.empty() && paragraph.runs.back().format == run.format)
                paragraph.runs.back().text += run.text;
            else
                paragraph.runs.push_back(std::move(run));
        }
        out.paragraphs.push_back(std::move(paragraph));
    }
    return out;
}

} // namespace pelmora::comms
