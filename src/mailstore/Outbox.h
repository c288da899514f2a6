#pragma once

#include "mailstore/MailAccount.h"
#include "mailstore/StoredMessage.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace pelmora::protocols {
class TmsSMTP;
}

namespace pelmora::mailstore {

// A message as the user wrote it: the To line (one address, as typed), the Cc line, subject,
// body and the full paths of the files to attach.
struct Draft {
    std::int64_t contact = 0; // the owner of the stored row
    std::string to;
    std::string cc;
    std::string subject;
    std::string body;
    std::vector<std::filesystem::path> attachments;
};

// What became of one stored message.
struct SendResult {
    std::int64_t counter = 0;
    bool queued = true; // still waiting: not handed over to the server
    std::string reply; // the server's acceptance
    std::string error; // why it is still queued; empty when sent or deliberately kept for later
};

// The outgoing side of the mail store: every message is stored queued before any connection
// is made, and only the server's acceptance of its text takes it out of the queue. A failure,
// a cancel or a crash at any moment therefore leaves it queued for the next Send Queued.
class Outbox {
public:
    Outbox(data::Database& database, MailAccount account);

    // Reads every attached file and builds the message first, so that a file that cannot be
    // read stores nothing; then stores the row with its attachment rows; then, unless `later`,
    // sends it with `smtp` (configured and given its events by the caller).
    SendResult send(const Draft& draft, bool later, protocols::TmsSMTP& smtp);
    // Stores the draft queued without sending it; returns the new Counter.
    std::int64_t store(const Draft& draft);
    // Sends one stored row to its ToEmail (and the Cc kept with it).
    SendResult sendStored(std::int64_t counter, protocols::TmsSMTP& smtp);
    // The message a stored row stands for, its files read now.
    mail::TmsMessage compose(const StoredMessage& stored) const;

    MailStore& mailStore() { return m_store; }
    const MailAccount& account() const { return m_account; }

private:
    StoredMessage rowFor(const Draft& draft) const;
    SendResult transmit(std::int64_t counter, mail::TmsMessage& message, protocols::TmsSMTP& smtp);

    MailStore m_store;
    MailAccount m_account;
};

// The subject a message is stored and sent with: "No Subject" instead of none.
std::string subjectOrDefault(const std::string& subject);
// The Cc line is kept in the row's Remark as "Cc: ..." (the table has no field of its own for
// it), so that a queued message still goes to its copies.
std::string ccRemark(const std::string& ccLine);
std::string ccFromRemark(const std::string& remark);

} // namespace pelmora::mailstore
