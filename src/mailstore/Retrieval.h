#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pelmora::data {
class Database;
}
namespace pelmora::protocols {
class TmsCustomPOP;
}

namespace pelmora::mailstore {

class Inbox;

// One message of a retrieval as the caller lists it.
struct RetrievedMessage {
    std::int64_t counter = 0; // the inbox row
    std::int64_t number = 0; // zero-based position in this retrieval
    std::string subject;
    std::string sender;
    std::vector<std::string> attachments;
    bool duplicate = false; // stored by an earlier retrieval already (nothing stored now)
    bool keptWhole = false;
};

struct RetrievalResult {
    std::vector<RetrievedMessage> messages;
    bool leftOnServer = false; // a message had to stay on the server (not stored, or the session failed)
    bool stopped = false; // the caller asked to stop before the mailbox was done
    std::vector<std::string> errors; // why single messages stayed on the server
    std::string error; // the failure that ended the session early; empty when it ran to its end
};

// Fetches the messages of a POP3 mailbox into the inbox. The caller configures the client
// (server, account, event pump) and may watch its events; Retrieval installs the message
// handler and the status events. A message is deleted on the server only after it is stored,
// and the deletions take effect (QUIT) only after the stored files and rows are synced to disk.
class Retrieval {
public:
    Retrieval(data::Database& database, std::filesystem::path attachDirectory);
    ~Retrieval();

    // The status line texts ("Opening connection", "Retrieving message 1 of 3", ...).
    std::function<void(const std::string& text)> onStatus;
    // Messages done of the count the server reported.
    std::function<void(int done, int total)> onProgress;
    // Percentage of the message being fetched.
    std::function<void(int percent)> onMessageProgress;
    // Each message as it is stored.
    std::function<void(const RetrievedMessage& message)> onStored;

    // Asks the running retrieval to stop after the current message; it signs off properly
    // (so the deletions of the messages stored take effect). Safe to call from an event
    // handler or another thread.
    void requestStop() { m_stop = true; }

    // Runs a whole retrieval with `pop`, which must be a plain TmsCustomPOP (its message
    // handler is set here; the caller's own event handlers are called too and put back at the
    // end). A failure of the session does not throw: it is in `error`, after the client has
    // signed off or closed, and the messages stored before it stay stored.
    RetrievalResult run(protocols::TmsCustomPOP& pop, bool leaveOnServer = false);

    Inbox& inbox() { return *m_inbox; }

private:
    std::unique_ptr<Inbox> m_inbox;
    std::atomic<bool> m_stop { false };
};

} // namespace pelmora::mailstore
