#pragma once

#include <istream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora::mail {

// Reads message text line by line, one block of 16384 bytes at a time, so a large message is
// never split or copied as a whole. Lines end at CR, LF or CR LF; the text after the last line
// end is handed out as a last line. A line longer than a block is delivered whole.
class TLineStream {
public:
    // The text handed out once the input is exhausted: four bytes of value 255.
    static constexpr std::string_view EndMarker{"\xFF\xFF\xFF\xFF"};
    static constexpr std::size_t BlockSize = 16384;

    // Over a copy of `text`.
    explicit TLineStream(std::string text);
    // Over a seekable stream the caller keeps alive; reading starts at its current position.
    explicit TLineStream(std::istream& input);

    // Back to the first line.
    void Reset();
    // The next line, or EndMarker at the end.
    std::string NextLine();
    // The next line as a view valid until the following call; false at the end.
    bool next(std::string_view& line);
    bool atEnd() const { return m_end; }
    // The line end of the line handed out last: "\r\n", "\n", "\r", or empty for text after
    // the last line end.
    std::string_view lastLineEnd() const { return m_lastEnd; }

    // Copies everything from the first line to the end into `out`.
    void copyAll(std::string& out);

private:
    bool fill();

    std::unique_ptr<std::istream> m_owned;
    std::istream* m_in;
    std::streampos m_start;
    std::string m_buffer;
    std::size_t m_pos = 0;
    bool m_eof = false;
    bool m_end = false;
    std::string_view m_lastEnd;
};

} // namespace pelmora::mail
