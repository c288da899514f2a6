#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora::settings {

// A settings file in the Windows private-profile format, held as its lines so that writing it
// back keeps everything the program does not own: other sections and keys, comments, blank
// lines, the order of all of them, the line ends and the byte-order mark. Section and key names
// match without regard to case; where a key is repeated the first one wins, as the Windows
// profile functions have it, and a repeated section is read as a continuation of the first.
class IniFile {
public:
    // Ansi: a file that is not valid UTF-8 and has no byte-order mark, as the Windows profile
    // functions write it, read as Windows-1252. It is written back in that code page while every
    // character fits, and as UTF-8 once one does not, so no text is ever lost.
    enum class Encoding { Utf8, Utf8Bom, Utf16Le, Utf16Be, Ansi };

    IniFile() = default;
    // Parses text as read from a file (any byte-order mark included).
    static IniFile parse(std::string_view bytes);
    // Reads a file; a missing file gives an empty one. Throws pelmora::Error when it cannot be read.
    static IniFile load(const std::filesystem::path& path);

    // The value of a key, surrounding blanks and one pair of enclosing quotes removed; nullopt
    // when the section or the key is absent. A key written without "=" has an empty value.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;
    // The value read as a decimal integer; `fallback` when absent or not a number.
    int integer(std::string_view section, std::string_view key, int fallback) const;

    // Sets a key, replacing the first occurrence in place or adding it at the end of its section
    // (adding the section at the end of the file when missing). Throws pelmora::Error for a value
    // holding a line break or a NUL, which would break the file's structure, or bytes that are
    // not UTF-8.
    void setValue(std::string_view section, std::string_view key, const std::string& value);

    // The file as it would be written, in its own encoding and line ends.
    std::string serialize() const;
    // Writes the file under a temporary name in the same directory and renames it into place,
    // so a failure never leaves a half-written file; the file is readable by its owner only.
    void save(const std::filesystem::path& path) const;

    Encoding encoding() const { return m_encoding; }
    bool usesCrLf() const { return m_crlf; }

private:
    struct Line {
        std::string text; // without its line end
        bool crlf = false;
        bool terminated = true;
    };
    std::optional<size_t> findKeyLine(std::string_view section, std::string_view key) const;
    size_t insertPoint(std::string_view section) const;
    bool findSection(std::string_view section) const;

    std::vector<Line> m_lines;
    Encoding m_encoding = Encoding::Utf8;
    bool m_crlf = false;
};

// Reads an integer as the program does: optional sign and decimal digits, blanks around allowed;
// anything else, or a number out of range, gives `fallback`.
int parseIniInteger(std::string_view text, int fallback);

} // namespace pelmora::settings
