#pragma once

#include "carddav/Client.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pelmora::carddav {

// One conditional write: a card to store (If-Match `etag`, or If-None-Match: * when it is
// empty) or, with `remove`, a card to delete.
struct WriteJob {
    std::size_t id = 0; // the caller's, handed back with the outcome
    bool remove = false;
    std::string url;
    std::string vcard;
    std::string etag;
};

struct WriteOutcome {
    std::size_t id = 0;
    WriteResult result;
    std::exception_ptr error; // what put() or remove() threw
};

// Sends writes over up to `connections` HTTP sessions at once: a server that handles requests
// side by side stores a book faster than one that is sent its cards one after the other. Jobs
// go in and outcomes come out on the caller's thread, so whatever the caller records about them
// (the database) is touched there only. The caller's client is the first connection, the others
// are opened when there is work for them.
class WritePool {
public:
    WritePool(CardDavClient& client, int connections);
    ~WritePool(); // waits for the writes in flight
    WritePool(const WritePool&) = delete;
    WritePool& operator=(const WritePool&) = delete;

    void submit(WriteJob job);
    // The next write finished, in whatever order they finish.
    WriteOutcome next();
    // Whether next() would return at once.
    bool ready();
    // Submitted and not yet handed back by next().
    std::size_t pending() const { return m_pending; }
    // Jobs not yet taken by a connection are dropped; those in flight still finish.
    void cancelQueued();

private:
    void work(CardDavClient& client);

    CardDavClient& m_client;
    int m_connections;
    std::vector<std::unique_ptr<CardDavClient>> m_extra;
    std::vector<std::thread> m_threads;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    std::deque<WriteJob> m_queue;
    std::deque<WriteOutcome> m_finished;
    std::size_t m_pending = 0;
    int m_idle = 0;
    bool m_stopping = false;
};

} // namespace pelmora::carddav
