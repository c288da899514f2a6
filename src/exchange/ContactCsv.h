#pragma once

#include "exchange/ContactCard.h"

#include <string>
#include <utility>
#include <vector>

namespace pelmora::exchange {

// How the columns of a CSV file map onto a contact.
struct CsvMapping {
    std::string layout; // the program whose layout the header shows, for the summary
    bool headerRow = true; // false: a layout known by position, the first record is a contact
    std::vector<std::string> header;
    // Per column: a Contacts column, one of "#name", "#categories", "#details", "#phone:N",
    // "#phonetype:N", or empty for a column kept in the notes.
    std::vector<std::string> targets;
};

// The mapping of a file from its first record. `overrides` are FIELD=COLUMN pairs: a Contacts
// field (name or caption, or empty to keep the column in the notes) and a column (header text,
// or its 1-based number); throws
// EExchangeError naming what it does not know.
CsvMapping mapCsvColumns(const std::vector<std::string>& firstRecord,
    const std::vector<std::pair<std::string, std::string>>& overrides = {});

ContactCard contactFromCsv(const CsvMapping& mapping, const std::vector<std::string>& cells);

// Our own layout: every column by its caption, and "Other Details" with the lines kept in the notes.
std::vector<std::string> contactCsvHeader();
std::vector<std::string> contactCsvRow(const ContactCard& contact);

} // namespace pelmora::exchange
