#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora::exchange {

struct CsvRecord {
    std::vector<std::string> cells;
    std::size_t line = 0; // where the record begins
};

struct CsvError {
    std::size_t line;
    std::string message;
};

struct CsvParse {
    std::vector<CsvRecord> records;
    std::vector<CsvError> errors;
    char delimiter = ',';
};

// Text of a CSV file as UTF-8: a byte-order mark (UTF-8 or UTF-16) is followed, other text is
// read in `charset` when the user names one (a name base::isKnownCharset accepts), or else as
// UTF-8 when it is valid UTF-8 and Windows-1252 otherwise, as spreadsheet programs write it.
std::string decodeCsvText(std::string_view bytes, std::string_view charset = {});

// Records as RFC 4180 writes them, with any delimiter (0: the one of ',', ';', tab and '|' the
// first line holds most of). Quoted cells hold delimiters, quotes ("") and line breaks; blank
// lines are skipped. A quote left open at the end is reported with its line, that record dropped.
CsvParse parseCsv(std::string_view text, char delimiter = 0);

// One record with CRLF, cells quoted where they hold the delimiter, a quote or a line break.
std::string formatCsvRecord(const std::vector<std::string>& cells, char delimiter = ',');

} // namespace pelmora::exchange
