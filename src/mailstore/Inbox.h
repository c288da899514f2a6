#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace pelmora::data {
class Database;
}
namespace pelmora::mail {
class TmsMessage;
}

namespace pelmora::mailstore {

// What became of one received or imported message.
struct InboxEntry {
    std::int64_t counter = 0; // the stored row; for a duplicate, the row stored the first time
    bool duplicate = false; // already stored by an earlier retrieval or import: nothing written now
    bool keptWhole = false; // unreadable structure: stored as the raw text under an explanation
    std::string subject;
    std::string sender; // the sender's address
    std::vector<std::string> attachments; // full path of each file written, in the message's order
};

// The name an attachment is written under: the bare name with control characters, "/" and
// "\" replaced, at most 255 bytes (the extension kept), and "att.N" (N = `index`) when
// nothing usable is left.
std::string attachmentFileName(std::string_view name, std::size_t index);

// The key that recognises a message again: its Message-ID, or a digest of the text when it
// has none.
std::string messageKey(std::string_view text);

// Stores received and imported messages in the inbox (Contact 1, Status received). The files
// are written first, each under a name of its own, then the row, its Attach rows and the
// message's key in one transaction; when anything fails, the files written are removed again
// and nothing of the message is left behind.
class Inbox {
public:
    Inbox(data::Database& database, std::filesystem::path attachDirectory);
    ~Inbox();
    Inbox(const Inbox&) = delete;
    Inbox& operator=(const Inbox&) = delete;

    // Parses the text from memory and stores it. A text the parser cannot read is kept whole.
    // With `skipDuplicate`, a message whose key is already stored writes nothing.
    InboxEntry storeText(std::string_view text, std::optional<std::int64_t> number, bool skipDuplicate = true);
    // Stores a parsed message; `key` (may be empty) is remembered for the duplicate check.
    InboxEntry store(const mail::TmsMessage& message, std::optional<std::int64_t> number, const std::string& key);
    // Parses the text from memory into `message`; when its structure cannot be read, fills the
    // message with the text kept whole and returns false.
    static bool parse(std::string_view text, mail::TmsMessage& message);
    // Whether the text parses without being kept whole.
    static bool readable(std::string_view text);
    // Whether a message with this key is stored (its row still there, under any owner).
    bool contains(const std::string& key);
    // Makes everything stored so far survive a power cut: the files written, their folder and
    // the database. Called before a server is allowed to delete what was stored.
    void sync();

    const std::filesystem::path& attachDirectory() const { return m_attachDirectory; }

private:
    std::vector<std::string> writeFiles(const mail::TmsMessage& message);

    data::Database& m_database;
    std::filesystem::path m_attachDirectory;
    std::vector<std::filesystem::path> m_unsynced; // written since the last sync
    std::unordered_map<std::string, int> m_nextSuffix;
};

} // namespace pelmora::mailstore
