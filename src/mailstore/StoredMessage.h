#pragma once

#include "data/Value.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace pelmora::data {
class Database;
}

namespace pelmora::mailstore {

// Owners of a message row besides real contacts.
inline constexpr std::int64_t kInbox = 1;
// Status values of a message row.
inline constexpr std::int64_t kReceived = 0;
inline constexpr std::int64_t kOutgoing = 1;

// What a stored message is: one EMAIL row and, for each attached file, one Attach row whose
// Location is the file's full path. Sending, queueing, retrieving and importing all store and
// read messages through this one shape, so AttachNum always matches the Attach rows.
struct StoredMessage {
    std::int64_t counter = 0; // 0 until stored
    std::int64_t contact = 0;
    std::int64_t status = kOutgoing;
    bool queue = false;
    std::optional<std::int64_t> number; // position in a retrieval; none for outgoing mail
    std::string subject;
    std::string senderName;
    std::string senderEmail; // outgoing: the To line as typed; incoming: the sender's address
    std::string toEmail; // outgoing: the recipient the queued send uses
    std::string body;
    std::string remark;
    data::Date dateCreated = data::Date::today();
    std::vector<std::string> attachments; // Location of each Attach row, in order
};

// Reads and writes stored messages in one database file. Every write is one transaction: a
// message is either stored whole with its attachment rows, or not at all.
class MailStore {
public:
    explicit MailStore(data::Database& database);

    // Stores a new row and its attachment rows; returns the new Counter. For outgoing mail, a
    // text wider than its field is refused before anything is written (the user typed it and
    // can shorten it); received mail is stored whole, however long its texts.
    std::int64_t insert(const StoredMessage& message);
    // The stored message; throws pelmora::Error when there is no such row.
    StoredMessage load(std::int64_t counter);
    // The queued outgoing rows, oldest first: of one contact, or of every owner.
    std::vector<std::int64_t> queued(std::optional<std::int64_t> contact = std::nullopt);
    // Marks a queued row as handed over to the server; its date and status stay as they were.
    void markSent(std::int64_t counter);
    bool contactExists(std::int64_t counter);
    // The rows of one owner (or of all), optionally of one status, by Counter.
    std::vector<std::int64_t> list(std::optional<std::int64_t> contact, std::optional<std::int64_t> status = {});
    // Deletes the row and its Attach rows, and then each of its files inside `attachDirectory`
    // that no other row names (copied messages share files). Returns the files that could not
    // be removed; throws pelmora::Error when there is no such row.
    std::vector<std::string> remove(std::int64_t counter, const std::filesystem::path& attachDirectory);

private:
    void checkWidths(const StoredMessage& message) const;

    data::Database& m_database;
};

} // namespace pelmora::mailstore
