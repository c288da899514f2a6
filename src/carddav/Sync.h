#pragma once

#include "carddav/Client.h"

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

    SyncReport run(bool dryRun = false);

    std::vector<Conflict> conflicts();
    // The user's choice for a conflict: keep ours (sent to the server) or take the server's card.
    void keepMine(const std::string& href);
    void takeTheirs(const std::string& href);

private:
    data::SqlDatabase& m_db;
    LocalContacts& m_contacts;
    CardDavClient& m_client;
    std::string m_bookUrl;
    bool m_syncCollection;
};

// A fresh name for a new card in the book: random, so two programs never pick the same one.
std::string newCardName();

} // namespace pelmora::carddav
