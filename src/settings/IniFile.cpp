#include "settings/IniFile.h"

#include "base/Error.h"
#include "settings/AtomicFile.h"
#include "settings/IniLine.h"
#include "settings/TextEncoding.h"

#include <charconv>
#include <fstream>
#include <sstream>
#include <system_error>

namespace fs = std::filesystem;

namespace pelmora::settings {

namespace {

// Far beyond any settings file; stops a wrong path (a disk image, a log) from being slurped.
constexpr std::uintmax_t kMaxFileSize = 16u << 20;

constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";
constexpr std::string_view kUtf16LeBom = "\xFF\xFE";
constexpr std::string_view kUtf16BeBom = "\xFE\xFF";

bool startsWith(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

// Text whose blanks or enclosing quotes the reader would strip is written inside one more
// pair of quotes, so every value reads back exactly as it was set (a password may well begin
// with a space).
std::string quoteIfNeeded(const std::string& value)
{
    if (value.empty())
        return value;
    const bool blankAtEnds = isIniBlank(value.front()) || isIniBlank(value.back());
    const bool quoted
        = value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front();
    return blankAtEnds || quoted ? '"' + value + '"' : value;
}

void checkWritable(std::string_view what, std::string_view text)
{
    if (text.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
        throw Error("The setting " + std::string(what) + " cannot hold a line break");
    // Bytes that are not UTF-8 would make the whole file read as Windows-1252 next time, turning
    // every other non-ASCII value into garbage.
    if (!isValidUtf8(text))
        throw Error("The setting " + std::string(what) + " must be UTF-8 text");
}

} // namespace

IniFile IniFile::parse(std::string_view bytes)
{
    IniFile ini;
    std::string decoded;
    if (startsWith(bytes, kUtf8Bom)) {
        ini.m_encoding = Encoding::Utf8Bom;
        bytes.remove_prefix(kUtf8Bom.size());
    } else if (startsWith(bytes, kUtf16LeBom) || startsWith(bytes, kUtf16BeBom)) {
        const bool bigEndian = startsWith(bytes, kUtf16BeBom);
        ini.m_encoding = bigEndian ? Encoding::Utf16Be : Encoding::Utf16Le;
        decoded = utf16ToUtf8(bytes.substr(2), bigEndian);
        bytes = decoded;
    } else if (!isValidUtf8(bytes)) {
        ini.m_encoding = Encoding::Ansi;
        decoded = cp1252ToUtf8(bytes);
        bytes = decoded;
    }
    bool sawLineEnd = false;
    size_t start = 0;
    while (start < bytes.size()) {
        const size_t end = bytes.find('\n', start);
        Line line;
        line.terminated = end != std::string_view::npos;
        line.text = std::string(bytes.substr(start, line.terminated ? end - start : std::string_view::npos));
        if (line.terminated && !line.text.empty() && line.text.back() == '\r') {
            line.text.pop_back();
            line.crlf = true;
        }
        if (line.terminated && !sawLineEnd) {
            ini.m_crlf = line.crlf; // lines we add follow the file's first line end
            sawLineEnd = true;
        }
        ini.m_lines.push_back(std::move(line));
        start = ini.m_lines.back().terminated ? end + 1 : bytes.size();
    }
    return ini;
}

IniFile IniFile::load(const fs::path& path)
{
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (status.type() == fs::file_type::not_found)
        return IniFile();
    if (error || !fs::is_regular_file(status))
        throw Error("Cannot read the settings file " + path.string() + ": it is not a file");
    const std::uintmax_t size = fs::file_size(path, error);
    if (error || size > kMaxFileSize)
        throw Error("Cannot read the settings file " + path.string() + ": it is too large");
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    if (!in.good() && !in.eof())
        throw Error("Cannot read the settings file " + path.string());
    return parse(content.str());
}

std::optional<size_t> IniFile::findKeyLine(std::string_view section, std::string_view key) const
{
    bool inSection = false;
    for (size_t i = 0; i < m_lines.size(); ++i) {
        const IniLine line = classifyIniLine(m_lines[i].text);
        if (line.kind == IniLine::Kind::Section)
            inSection = iniNamesEqual(line.name, section);
        else if (inSection && line.kind == IniLine::Kind::Key && iniNamesEqual(line.name, key))
            return i;
    }
    return std::nullopt;
}

// After the last key of the first section of that name; the file's end when it has none.
size_t IniFile::insertPoint(std::string_view section) const
{
    std::optional<size_t> point;
    bool inSection = false;
    for (size_t i = 0; i < m_lines.size(); ++i) {
        const IniLine line = classifyIniLine(m_lines[i].text);
        if (line.kind == IniLine::Kind::Section) {
            if (point)
                break;
            inSection = iniNamesEqual(line.name, section);
            if (inSection)
                point = i + 1;
        } else if (inSection && line.kind == IniLine::Kind::Key) {
            point = i + 1;
        }
    }
    return point.value_or(m_lines.size());
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const
{
    const std::optional<size_t> index = findKeyLine(section, key);
    if (!index)
        return std::nullopt;
    return unquoteIniValue(classifyIniLine(m_lines[*index].text).value);
}

int IniFile::integer(std::string_view section, std::string_view key, int fallback) const
{
    const std::optional<std::string> text = value(section, key);
    return text ? parseIniInteger(*text, fallback) : fallback;
}

void IniFile::setValue(std::string_view section, std::string_view key, const std::string& value)
{
    checkWritable(key, key);
    checkWritable(key, value);
    if (const std::optional<size_t> index = findKeyLine(section, key)) {
        const IniLine line = classifyIniLine(m_lines[*index].text);
        m_lines[*index].text = std::string(line.name) + '=' + quoteIfNeeded(value);
        return;
    }
    const Line keyLine { std::string(key) + '=' + quoteIfNeeded(value), m_crlf, true };
    if (findSection(section)) {
        m_lines.insert(m_lines.begin() + static_cast<long>(insertPoint(section)), keyLine);
        return;
    }
    if (!m_lines.empty() && !trimIni(m_lines.back().text).empty())
        m_lines.push_back(Line { "", m_crlf, true });
    m_lines.push_back(Line { '[' + std::string(section) + ']', m_crlf, true });
    m_lines.push_back(keyLine);
}

bool IniFile::findSection(std::string_view section) const
{
    for (const Line& text : m_lines) {
        const IniLine line = classifyIniLine(text.text);
        if (line.kind == IniLine::Kind::Section && iniNamesEqual(line.name, section))
            return true;
    }
    return false;
}

std::string IniFile::serialize() const
{
    std::string text;
    for (size_t i = 0; i < m_lines.size(); ++i) {
        text += m_lines[i].text;
        if (m_lines[i].terminated || i + 1 < m_lines.size())
            text += m_lines[i].crlf ? "\r\n" : "\n";
    }
    switch (m_encoding) {
    case Encoding::Utf8:
        return text;
    case Encoding::Utf8Bom:
        return std::string(kUtf8Bom) + text;
    case Encoding::Utf16Le:
        return std::string(kUtf16LeBom) + utf8ToUtf16(text, false);
    case Encoding::Utf16Be:
        return std::string(kUtf16BeBom) + utf8ToUtf16(text, true);
    case Encoding::Ansi:
        return utf8ToCp1252(text).value_or(text);
    }
    return text;
}

void IniFile::save(const fs::path& path) const
{
    writeFileAtomically(path, serialize(), 0600);
}

int parseIniInteger(std::string_view text, int fallback)
{
    text = trimIni(text);
    if (!text.empty() && text.front() == '+')
        text.remove_prefix(1);
    if (text.empty() || text.front() == '+' || (text.size() > 1 && text.front() == '-' && text[1] == '+'))
        return fallback;
    int number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    return error == std::errc() && end == text.data() + text.size() ? number : fallback;
}

} // namespace pelmora::settings
