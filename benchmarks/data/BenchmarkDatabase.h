#pragma once

#include <filesystem>

namespace pelmora::bench {

constexpr int kContacts = 100000;
constexpr int kDetailsEach = 5;

// The data directory of a database of kContacts contacts, each with kDetailsEach activities and
// messages; built once and kept in the temporary directory between runs.
const std::filesystem::path& benchmarkDataDirectory();

} // namespace pelmora::bench
