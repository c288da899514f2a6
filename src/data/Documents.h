#pragma once

#include "data/Value.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

namespace pelmora::data {

class Database;
class TableView;

// What a document record keeps about its file, read from the file each time it is asked for.
struct FileFacts {
    std::optional<std::int64_t> size; // bytes; none when the file cannot be opened for reading
    std::optional<Date> modified; // the local date of its last change; none when unknown
};

FileFacts readFileFacts(const std::filesystem::path& file);

// Stores `file` and what is known of it into the current document record of `view` (put into
// edit mode unless it is being edited or inserted). Size and date the file does not give are
// cleared, so they never describe an earlier file. `Name` is left as it is.
void attachFile(TableView& view, const std::filesystem::path& file);

// Why the file of a document may not be erased with its record; "" when it may. Only an absolute
// path to a regular file (not a link, a folder or a device) that no other document record names
// is erased: a relative path would be resolved against whatever the working directory is, and a
// file two records name is still in use by the other.
std::string documentFileRefusal(Database& database, std::int64_t counter, const std::string& file);

// Deletes the document record `counter` and, when `withFile` and documentFileRefusal allows it,
// its file once the deletion is committed (a deletion rolled back keeps the file). Returns ""
// when everything asked for was done, else why the file stayed. Throws EDatabaseError when the
// record cannot be deleted; nothing is erased then.
std::string deleteDocument(TableView& view, bool withFile);

} // namespace pelmora::data
