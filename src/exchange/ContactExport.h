#pragma once

#include "exchange/ContactImport.h"
#include "exchange/VCard.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace pelmora::data {
class Database;
class SqlDatabase;
} // namespace pelmora::data

namespace pelmora::exchange {

struct ExportOptions {
    ExchangeFormat format = ExchangeFormat::VCard;
    VCardVersion version = VCardVersion::v4;
};

// The contacts a filter expression selects (all of them for an empty one), in Counter order;
// throws data::EDatabaseError for an expression it cannot read.
std::vector<std::int64_t> selectContacts(data::Database& db, const std::string& where);

// The contacts as one file's bytes: cards one after another, or CSV with a header row.
std::string exportContacts(
    data::SqlDatabase& db, const std::vector<std::int64_t>& counters, const ExportOptions& options);

// Writes `bytes` as `file` through a temporary file renamed into place, so that a failure never
// leaves half a file; an existing file is never replaced (throws EExchangeError).
void writeNewFile(const std::filesystem::path& file, const std::string& bytes);

// One file per contact in `folder`, named after the contact; a name already taken gets " (2)",
// " (3)"... Returns the files written.
std::vector<std::filesystem::path> exportContactFiles(data::SqlDatabase& db, const std::vector<std::int64_t>& counters,
    const ExportOptions& options, const std::filesystem::path& folder);

} // namespace pelmora::exchange
