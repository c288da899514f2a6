#pragma once

#include "exchange/ContactCsv.h"

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pelmora::data {
class SqlDatabase;
}

namespace pelmora::exchange {

enum class ExchangeFormat { VCard, Csv };

struct ImportOptions {
    std::optional<ExchangeFormat> format; // by the file's name and content when not given
    std::vector<std::pair<std::string, std::string>> map; // FIELD=COLUMN for CSV files
    std::string charset; // of a CSV file without a byte-order mark; empty: UTF-8 or Windows-1252
};

struct ImportRecord {
    std::size_t number = 0; // card number, or data row number of a CSV file
    std::size_t line = 0;
    ContactCard card;
};

// A record that could not be read (or a part of one that was left out), where it is.
struct ImportProblem {
    std::size_t record = 0; // 0: not within a record
    std::size_t line = 0;
    std::string message;
};

struct ImportRead {
    ExchangeFormat format = ExchangeFormat::VCard;
    std::string layout; // for CSV files, whose layout the header shows
    std::optional<CsvMapping> mapping;
    std::vector<ImportRecord> records;
    std::vector<ImportProblem> problems;
};

ExchangeFormat detectFormat(std::string_view bytes, const std::string& fileName = {});

// Reads a whole file into contacts without touching a database (the import's preview).
ImportRead readContactsFile(std::string_view bytes, const ImportOptions& options, const std::string& fileName = {});

enum class ImportAction { Inserted, Updated, Unchanged };

struct ImportResult {
    std::size_t inserted = 0;
    std::size_t updated = 0;
    std::size_t unchanged = 0;
    bool dryRun = false;
    std::map<std::string, std::size_t> fields; // Contacts column -> records that filled it
    std::map<std::string, std::size_t> notes; // property or column kept in the notes -> records
    std::vector<std::pair<std::size_t, std::int64_t>> contacts; // record number -> Counter
};

using ImportProgress = std::function<void(std::size_t done, std::size_t total)>;

// Imports every record in one transaction: a contact already there (same e-mail address, or
// same name and company) is updated when the record brings something new and left alone
// otherwise, so a second import of a file doubles nothing. A dry run does all of it and then
// rolls back, so its figures are exactly those of the real import.
ImportResult importContacts(
    data::SqlDatabase& db, const ImportRead& read, bool dryRun, const ImportProgress& progress = {});

} // namespace pelmora::exchange
