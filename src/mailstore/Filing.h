#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pelmora::data {
class Database;
}

namespace pelmora::mailstore {

struct FileAllResult {
    int filed = 0;
    int left = 0; // inbox rows whose sender matches no contact
};

// The address an e-mail text stands for, for matching: the address part of "Name <addr>",
// trimmed, ASCII letters in lower case.
std::string addressKey(std::string_view text);

// Moves inbox rows to the contacts they belong to.
class Filing {
public:
    explicit Filing(data::Database& database);

    // Files the row under `contact`; refuses (pelmora::Error) a contact that is not stored
    // and a row that does not exist.
    void fileTo(std::int64_t counter, std::int64_t contact);
    // Files the row under the first contact (lowest Counter) whose e-mail address matches its
    // sender's address; returns that contact, or nothing (the row left as it was).
    std::optional<std::int64_t> fileBySender(std::int64_t counter);
    // Files every inbox row by sender, in one transaction.
    FileAllResult fileAll();

private:
    data::Database& m_database;
};

} // namespace pelmora::mailstore
