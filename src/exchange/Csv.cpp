#include "exchange/Csv.h"

#include "base/Charset.h"
#include "base/Windows1252.h"
#include "exchange/TextCodec.h"

#include <algorithm>
#include <optional>

namespace pelmora::exchange {

namespace {

char guessDelimiter(std::string_view text)
{
    const std::size_t end = std::min(text.find_first_of("\r\n"), text.size());
    const std::string_view first = text.substr(0, end);
    char best = ',';
    std::ptrdiff_t most = 0;
    for (char candidate : { ',', ';', '\t', '|' }) {
        std::ptrdiff_t count = 0;
        bool quoted = false;
        for (char c : first) {
            if (c == '"')
                quoted = !quoted;
            else if (c == candidate && !quoted)
                ++count;
        }
        if (count > most) {
            most = count;
            best = candidate;
        }
    }
    return best;
}

} // namespace

std::string decodeCsvText(std::string_view bytes, std::string_view charset)
{
    const bool marked
        = bytes.starts_with("\xEF\xBB\xBF") || bytes.starts_with("\xFF\xFE") || bytes.starts_with("\xFE\xFF");
    if (!marked && !charset.empty()) {
        if (std::optional<std::string> text = base::charsetToUtf8(bytes, charset))
            return std::move(*text);
    }
    std::string text = decodeFileText(bytes);
    if (!marked && !isValidUtf8(text))
        return base::windows1252ToUtf8(text);
    return text;
}

CsvParse parseCsv(std::string_view text, char delimiter)
{
    CsvParse result;
    result.delimiter = delimiter ? delimiter : guessDelimiter(text);
    const char sep = result.delimiter;
    std::size_t line = 1;
    std::size_t i = 0;
    const std::size_t n = text.size();
    while (i < n) {
        CsvRecord record;
        record.line = line;
        std::string cell;
        bool open = false; // inside a quoted cell
        bool cellQuoted = false;
        bool ended = false;
        while (i < n && !ended) {
            const char c = text[i];
            if (open) {
                if (c == '"' && i + 1 < n && text[i + 1] == '"') {
                    cell += '"';
                    i += 2;
                    continue;
                }
                if (c == '"')
                    open = false;
                else {
                    if (c == '\n' || (c == '\r' && !(i + 1 < n && text[i + 1] == '\n')))
                        ++line;
                    cell += c;
                }
                ++i;
                continue;
            }
            if (c == '"' && cell.empty() && !cellQuoted) {
                open = cellQuoted = true;
                ++i;
            } else if (c == sep) {
                record.cells.push_back(std::move(cell));
                cell.clear();
                cellQuoted = false;
                ++i;
            } else if (c == '\r' || c == '\n') {
                i += (c == '\r' && i + 1 < n && text[i + 1] == '\n') ? 2 : 1;
                ++line;
                ended = true;
            } else {
                cell += c; // a quote inside an unquoted cell is kept as text
                ++i;
            }
        }
        if (open) {
            result.errors.push_back({ record.line, "A quoted value is not closed before the end of the file" });
            break;
        }
        record.cells.push_back(std::move(cell));
        const bool blank = record.cells.size() == 1 && record.cells[0].empty() && !cellQuoted;
        if (!blank)
            result.records.push_back(std::move(record));
    }
    return result;
}

std::string formatCsvRecord(const std::vector<std::string>& cells, char delimiter)
{
    std::string out;
    for (std::size_t i = 0; i < cells.size(); ++i) {
        if (i)
            out += delimiter;
        const std::string& cell = cells[i];
        const bool quote = cell.find_first_of(std::string("\"\r\n") + delimiter) != std::string::npos
            || (!cell.empty() && (cell.front() == ' ' || cell.back() == ' '));
        if (!quote) {
            out += cell;
            continue;
        }
        out += '"';
        for (char c : cell) {
            if (c == '"')
                out += '"';
            out += c;
        }
        out += '"';
    }
    out += "\r\n";
    return out;
}

} // namespace pelmora::exchange
