#pragma once

#include "carddav/Client.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace pelmora::data {
class SqlDatabase;
}

namespace pelmora::carddav {

class LocalContacts;

struct SyncReport {
    int sent = 0; // cards created or changed on the server
    int received = 0; // contacts created or changed here
    int deletedHere = 0;
    int deletedThere = 0;
    int conflicts = 0; // changed on both sides, waiting for the user's choice
    std::vector<std::string> errors; // cards left for the next sync, with the reason
    bool stopped = false; // asked to stop before the end; the counts say what was done until then
};

// A conflict as the user sees it: our contact and the server's card of it.
struct Conflict {
    std::string href;
    std::int64_t contact = 0;
    std::string theirs;
};

// Two-way sync of the open database's contacts with one address book. Every step is written to
// the database only after the server confirmed it, and each can be done again, so a sync that
// stops anywhere is finished by the next one.
class Synchronizer {
public:
    Synchronizer(data::SqlDatabase& db, LocalContacts& contacts, CardDavClient& client, std::string bookUrl,
        bool syncCollection);

    // Progress: a text for the status line.
    std::function<void(const std::string&)> onProgress;
    // A flag another thread raises to stop the sync: it ends between two cards, or cuts the
    // request in flight short, with what was confirmed so far recorded. The flag must outlive run().
    void setStopFlag(const std::atomic<bool>* flag);

    SyncReport run(bool dryRun = false);

    std::vector<Conflict> conflicts();
    // The user's choice for a conflict: keep ours (sent to the server) or take the server's card.
    void keepMine(const std::string& href);
    void takeTheirs(const std::string& href);

private:
    void sync(SyncReport& report, bool dryRun);
    bool stopRequested() const { return m_stop && m_stop->load(); }

    data::SqlDatabase& m_db;
    LocalContacts& m_contacts;
    CardDavClient& m_client;
    std::string m_bookUrl;
    bool m_syncCollection;
    const std::atomic<bool>* m_stop = nullptr;
};

// A fresh name for a new card in the book: random, so two programs never pick the same one.
std::string newCardName();

} // namespace pelmora::carddav
