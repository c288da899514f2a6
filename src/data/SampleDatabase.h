#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora::data {

// Creates the Sample database in `dataDirectory` when it holds none: database.sqlite with the
// seed records built into the program, and shared.sqlite with the Sample row and the twenty
// user-field names when that is missing too. Files appear complete or not at all.
void ensureSampleDatabase(const std::filesystem::path& dataDirectory);

// One seed file built into the program: the table it fills and its CSV text (first line = field names).
struct SeedFile {
    const char* table;
    std::string_view csv;
};
const std::vector<SeedFile>& sampleSeedFiles();

// Splits CSV text into rows of fields ("" quotes, doubled quotes inside, CRLF or LF line ends).
std::vector<std::vector<std::string>> parseCsv(std::string_view text);

} // namespace pelmora::data
