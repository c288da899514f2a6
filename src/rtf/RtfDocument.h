#pragma once

#include "base/Error.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora::rtf {

// A file that can not be read as rich text: not RTF at all, truncated, or built to exhaust us.
class ERtfError : public Error {
public:
    using Error::Error;
};

struct Color {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    bool operator==(const Color&) const = default;
};

// What the editor can show of a run of characters. The font is held by name, so a document
// carries no table indexes that could dangle.
struct CharFormat {
    std::string font; // empty: the reader's default
    int halfPoints = 24; // 12 pt
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool hasColor = false; // false: the automatic colour
    Color color;
    bool operator==(const CharFormat&) const = default;
};

enum class Alignment { Left, Right, Center, Justify };

struct Run {
    std::string text; // UTF-8; U+0009 is a tab, U+2028 a line break inside the paragraph
    CharFormat format;
};

struct Paragraph {
    std::vector<Run> runs;
    Alignment alignment = Alignment::Left;
    int firstIndent = 0; // twips, relative to the left indent, may be negative
    int leftIndent = 0; // twips
    int rightIndent = 0; // twips
    bool bullet = false;

    std::string text() const;
};

struct Document {
    std::vector<Paragraph> paragraphs;

    // The paragraphs' text joined by line ends; line breaks inside a paragraph become line ends too.
    std::string plainText() const;
};

// True when the bytes start as a rich-text file does (after white space).
bool looksLikeRtf(std::string_view bytes);

// Reads rich text. Throws ERtfError for a file that is not RTF, is truncated or unbalanced,
// nests groups beyond reason or claims more binary data than it holds.
Document parseRtf(std::string_view bytes);

// Writes rich text that other word processors read back: fonts, sizes, bold, italic,
// underline, colours, alignment, indents and bullets. Characters outside ASCII go out as
// Windows-1252 escapes or Unicode escapes with a '?' for readers that know no Unicode.
std::string writeRtf(const Document& document);

// Plain text: one paragraph per line. Reading takes UTF-8, or Windows-1252 when the bytes are
// not valid UTF-8, and drops a UTF-8 byte-order mark; line ends may be CR LF, LF or CR.
Document documentFromPlainText(std::string_view bytes);

// Reads a file's bytes as rich text when they look like it, else as plain text.
Document documentFromBytes(std::string_view bytes);

} // namespace pelmora::rtf
