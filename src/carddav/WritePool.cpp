#include "carddav/WritePool.h"

#include <algorithm>

namespace pelmora::carddav {

WritePool::WritePool(CardDavClient& client, int connections)
    : m_client(client)
    , m_connections(std::max(1, connections))
{
    // Made here, before any thread runs, since they learn from the caller's session what
    // authentication the server wants; they connect only once they have work.
    for (int i = 1; i < m_connections; ++i) {
        m_extra.push_back(std::make_unique<CardDavClient>(client.session().connection()));
        m_extra.back()->session().learnFrom(client.session());
    }
}

WritePool::~WritePool()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_queue.clear();
    }
    m_wake.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
}

void WritePool::submit(WriteJob job)
{
    std::lock_guard lock(m_mutex);
    m_queue.push_back(std::move(job));
    ++m_pending;
    if (std::size_t(m_idle) < m_queue.size() && int(m_threads.size()) < m_connections) {
        CardDavClient& client = m_threads.empty() ? m_client : *m_extra[m_threads.size() - 1];
        m_threads.emplace_back([this, &client] { work(client); });
    }
    m_wake.notify_one(); // a worker already waiting may take it before a new one starts
}

bool WritePool::ready()
{
    std::lock_guard lock(m_mutex);
    return !m_finished.empty();
}

WriteOutcome WritePool::next()
{
    std::unique_lock lock(m_mutex);
    m_done.wait(lock, [this] { return !m_finished.empty(); });
    WriteOutcome outcome = std::move(m_finished.front());
    m_finished.pop_front();
    --m_pending;
    return outcome;
}

void WritePool::cancelQueued()
{
    std::lock_guard lock(m_mutex);
    m_pending -= m_queue.size();
    m_queue.clear();
}

void WritePool::work(CardDavClient& client)
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        ++m_idle;
        m_wake.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
        --m_idle;
        if (m_queue.empty())
            return; // stopping
        WriteJob job = std::move(m_queue.front());
        m_queue.pop_front();
        lock.unlock();
        WriteOutcome outcome;
        outcome.id = job.id;
        try {
            outcome.result = job.remove ? client.remove(job.url, job.etag) : client.put(job.url, job.vcard, job.etag);
        } catch (...) {
            outcome.error = std::current_exception();
        }
        lock.lock();
        m_finished.push_back(std::move(outcome));
        m_done.notify_one();
    }
}

} // namespace pelmora::carddav
