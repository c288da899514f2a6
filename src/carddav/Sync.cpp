#include "carddav/Sync.h"

#include "base/Error.h"
#include "carddav/Dav.h"
#include "carddav/LocalContacts.h"
#include "carddav/SyncError.h"
#include "carddav/SyncState.h"
#include "carddav/WritePool.h"
#include "data/SqlDatabase.h"

#include <chrono>
#include <cstdio>
#include <ctime>
#include <exception>
#include <map>
#include <optional>
#include <random>
#include <set>

namespace pelmora::carddav {

namespace {

// Cards asked for in one request: large enough that 10,000 cards take few round trips, small
// enough that a reply stays a few megabytes.
constexpr std::size_t kFetchBatch = 250;
// Local writes grouped into one transaction: a crash loses at most the group, which the next
// sync does again, and 10,000 contacts do not wait for 10,000 disk flushes.
constexpr int kBatch = 200;
// Connections that send our changes side by side. Servers that store cards in parallel gain up
// to this much; one that takes a lock per write loses nothing.
constexpr int kWriteConnections = 4;
// Cards sent between two progress lines.
constexpr std::size_t kSendProgressStep = 25;

// Groups small writes into transactions of up to kBatch steps.
class Batch {
public:
    explicit Batch(data::SqlDatabase& db)
        : m_db(db)
    {
    }
    ~Batch() = default; // an open group rolls back: its steps were not confirmed as a whole
    // Before a write of the group.
    void open()
    {
        if (!m_transaction)
            m_transaction.emplace(m_db);
    }
    // After it.
    void step()
    {
        if (++m_steps >= kBatch)
            flush();
    }
    void flush()
    {
        if (m_transaction) {
            m_transaction->commit();
            m_transaction.reset();
        }
        m_steps = 0;
    }

private:
    data::SqlDatabase& m_db;
    std::optional<data::Transaction> m_transaction;
    int m_steps = 0;
};

enum class Local { Unchanged, Changed, Deleted };

// One write to the server, with what to record once it is confirmed.
struct Send {
    enum Kind { Put, Create, Delete } kind;
    SyncItem item;
    std::string etag; // If-Match; empty for a new card
};

std::string timestamp()
{
    const std::time_t now = std::time(nullptr);
    std::tm utc {};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

std::string resultText(const SyncReport& report)
{
    std::string text = "sent " + std::to_string(report.sent) + ", received " + std::to_string(report.received)
        + ", deleted here " + std::to_string(report.deletedHere) + ", deleted there "
        + std::to_string(report.deletedThere) + ", conflicts " + std::to_string(report.conflicts);
    if (report.stopped)
        return "stopped after " + text + "; the next sync finishes the work";
    if (!report.errors.empty())
        text += ", " + std::to_string(report.errors.size()) + " left for next time";
    return text;
}

} // namespace

std::string newCardName()
{
    // Per thread: a sync may run beside the window that started it.
    thread_local std::mt19937_64 random { std::random_device {}()
        ^ std::uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()) };
    const std::uint64_t a = random(), b = random();
    char text[40];
    std::snprintf(text, sizeof text, "%08x-%04x-4%03x-%04x-%012llx", unsigned(a >> 32), unsigned(a >> 16) & 0xffff,
        unsigned(a) & 0xfff, (unsigned(b >> 48) & 0x3fff) | 0x8000,
        static_cast<unsigned long long>(b & 0xffffffffffffULL));
    return text;
}

Synchronizer::Synchronizer(
    data::SqlDatabase& db, LocalContacts& contacts, CardDavClient& client, std::string bookUrl, bool syncCollection)
    : m_db(db)
    , m_contacts(contacts)
    , m_client(client)
    , m_bookUrl(std::move(bookUrl))
    , m_syncCollection(syncCollection)
    , m_fetchBatch(kFetchBatch)
{
    if (m_bookUrl.empty() || m_bookUrl.back() != '/')
        m_bookUrl += '/';
}

void Synchronizer::setStopFlag(const std::atomic<bool>* flag)
{
    m_stop = flag;
    m_client.session().setStopFlag(flag);
}

SyncReport Synchronizer::run(bool dryRun)
{
    SyncReport report;
    try {
        sync(report, dryRun);
    } catch (const SyncError&) {
        // A request cut short by the stop flag; every step before it was recorded once confirmed.
        if (!stopRequested())
            throw;
        report.stopped = true;
    }
    if (report.stopped) {
        if (!dryRun) {
            SyncState state(m_db);
            data::Transaction t(m_db);
            state.setValue("LastSync", timestamp());
            state.setValue("LastResult", resultText(report));
            t.commit();
        }
        if (onProgress)
            onProgress("Contact sync: stopped");
    }
    return report;
}

void Synchronizer::sync(SyncReport& report, bool dryRun)
{
    auto progress = [this](const std::string& text) {
        if (onProgress)
            onProgress(text);
    };
    SyncState state(m_db);
    bool clean = true; // everything the server showed was dealt with: the sync token may move on
    auto skip = [&](const std::string& message) {
        report.errors.push_back(message);
        clean = false;
    };

    // The state belongs to one address book; another one starts afresh (matching, not doubling).
    std::vector<SyncItem> items;
    if (state.value("Book") != m_bookUrl) {
        if (!dryRun) {
            data::Transaction t(m_db);
            state.clear();
            state.setValue("Book", m_bookUrl);
            t.commit();
        }
    } else {
        items = state.items();
    }
    std::map<std::string, SyncItem> byHref;
    for (SyncItem& item : items)
        byHref.emplace(item.href, std::move(item));

    // What the server holds: the cards and their ETags.
    progress("Contact sync: asking the server for changes");
    m_client.checkBook(m_bookUrl);
    std::map<std::string, std::string> remote;
    std::string newToken;
    bool listed = false;
    const std::string token = state.value("SyncToken");
    if (m_syncCollection && !token.empty() && !byHref.empty()) {
        Changes changes = m_client.changesSince(m_bookUrl, token);
        if (!changes.invalidToken) {
            for (const auto& [href, item] : byHref) {
                if (item.etag)
                    remote[href] = *item.etag;
            }
            for (const RemoteCard& card : changes.changed)
                remote[card.href] = card.etag;
            for (const std::string& href : changes.removed)
                remote.erase(href);
            newToken = changes.token;
            listed = true;
        }
    }
    if (!listed) {
        // The token first: whatever changes while the book is listed comes again next time.
        if (m_syncCollection)
            newToken = m_client.syncToken(m_bookUrl);
        for (const RemoteCard& card : m_client.listCards(m_bookUrl))
            remote[card.href] = card.etag;
    }

    // The cards that are new or changed there.
    std::vector<std::string> wanted;
    for (const auto& [href, etag] : remote) {
        auto it = byHref.find(href);
        if (it == byHref.end() || (!it->second.conflict() && (!it->second.etag || *it->second.etag != etag)))
            wanted.push_back(href);
    }
    std::map<std::string, RemoteCard> fetched;
    // A busy server may take longer than the time-out to put a large batch together; asking
    // again in halves gets the cards through instead of failing every sync at the same place.
    // Nothing is written here before all are in, so a request can be made again as it is.
    std::size_t batchSize = m_fetchBatch;
    const std::size_t smallestBatch = std::max<std::size_t>(1, m_fetchBatch / 10);
    for (std::size_t i = 0; i < wanted.size();) {
        if (stopRequested()) {
            report.stopped = true;
            return;
        }
        progress("Contact sync: receiving " + std::to_string(i) + " of " + std::to_string(wanted.size()));
        const std::size_t end = std::min(wanted.size(), i + batchSize);
        std::vector<std::string> part(wanted.begin() + std::ptrdiff_t(i), wanted.begin() + std::ptrdiff_t(end));
        std::vector<RemoteCard> cards;
        try {
            cards = m_client.fetch(m_bookUrl, part);
        } catch (const ServerTimedOut&) {
            if (batchSize / 2 < smallestBatch)
                throw;
            batchSize /= 2;
            continue;
        }
        for (RemoteCard& card : cards) {
            std::string href = card.href;
            fetched.emplace(std::move(href), std::move(card));
        }
        i = end;
    }

    // What is here.
    std::set<std::int64_t> here;
    for (std::int64_t counter : m_contacts.counters())
        here.insert(counter);
    std::set<std::int64_t> linked;
    for (const auto& [href, item] : byHref) {
        if (item.contact)
            linked.insert(*item.contact);
    }
    auto localState = [&](const SyncItem& item) {
        if (!item.contact || !here.count(*item.contact))
            return Local::Deleted;
        return m_contacts.contentHash(*item.contact) == item.hash ? Local::Unchanged : Local::Changed;
    };
    std::vector<std::int64_t> unlinked;
    for (std::int64_t counter : here) {
        if (!linked.count(counter))
            unlinked.push_back(counter);
    }

    std::vector<Send> sends;
    std::vector<std::int64_t> creates;
    Batch batch(m_db);
    // Between two cards: a sync stopped here is one cut off here, which the next one finishes.
    auto stopHere = [&] {
        if (!stopRequested())
            return false;
        batch.flush();
        report.stopped = true;
        return true;
    };
    // One card's local step; a card that cannot be read stops only itself.
    auto apply = [&](const std::string& href, auto&& step) {
        batch.open();
        try {
            data::Transaction one(m_db);
            step();
            one.commit();
        } catch (const Error& e) {
            skip(hrefPath(href) + ": " + e.what());
            return;
        }
        batch.step();
    };

    // The server's side first: new, changed and removed cards.
    progress("Contact sync: applying the server's changes");
    for (const auto& [href, etag] : remote) {
        if (stopHere())
            return;
        auto known = byHref.find(href);
        auto card = fetched.find(href);
        if (known == byHref.end()) {
            if (card == fetched.end()) {
                skip(href + ": the card went away while it was being fetched; it is looked at again next time");
                continue;
            }
            const std::string& text = card->second.vcard;
            std::optional<std::int64_t> match;
            try {
                match = m_contacts.match(text, unlinked);
            } catch (const Error& e) {
                skip(href + ": " + e.what());
                continue;
            }
            if (match && m_contacts.sameContent(*match, text)) {
                if (!dryRun)
                    apply(href, [&] {
                        state.save({ href, *match, card->second.etag, m_contacts.contentHash(*match),
                            m_contacts.uidOf(text), {}, {} });
                    });
            } else if (match) {
                // The same person on both sides, told differently: the user decides which is right.
                ++report.conflicts;
                if (!dryRun)
                    apply(href, [&] {
                        state.save({ href, *match, etag, {}, m_contacts.uidOf(text), text, card->second.etag });
                    });
            } else {
                ++report.received;
                if (!dryRun)
                    apply(href, [&] {
                        const std::int64_t counter = m_contacts.insert(text);
                        state.save({ href, counter, card->second.etag, m_contacts.contentHash(counter),
                            m_contacts.uidOf(text), {}, {} });
                    });
            }
            if (match)
                std::erase(unlinked, *match);
            continue;
        }
        SyncItem item = known->second;
        if (item.conflict()) {
            if (localState(item) != Local::Deleted) {
                ++report.conflicts;
                continue;
            }
            // Ours was deleted while the conflict waited: the server's change is kept, as any
            // change outlives a deletion on the other side.
            ++report.received;
            if (!dryRun)
                apply(href, [&] {
                    item.contact = m_contacts.insert(item.theirs);
                    item.etag = item.theirsEtag;
                    item.hash = m_contacts.contentHash(*item.contact);
                    item.theirs.clear();
                    item.theirsEtag.clear();
                    state.save(item);
                });
            continue;
        }
        const Local local = localState(item);
        const bool changedThere = !item.etag || *item.etag != etag;
        if (!changedThere) {
            if (local == Local::Changed)
                sends.push_back({ Send::Put, item, etag });
            else if (local == Local::Deleted)
                sends.push_back({ Send::Delete, item, etag });
            continue;
        }
        if (card == fetched.end()) {
            skip(href + ": the card went away while it was being fetched; it is looked at again next time");
            continue;
        }
        const std::string& text = card->second.vcard;
        const std::string& newEtag = card->second.etag;
        if (!item.etag) {
            // Sent before, but the sync stopped before the server's answer was recorded.
            if (local == Local::Deleted)
                sends.push_back({ Send::Delete, item, newEtag });
            else if (m_contacts.sameContent(*item.contact, text)) {
                if (!dryRun)
                    apply(href, [&] {
                        item.etag = newEtag;
                        item.hash = m_contacts.contentHash(*item.contact);
                        state.save(item);
                    });
            } else
                sends.push_back({ Send::Put, item, newEtag });
            continue;
        }
        if (local == Local::Unchanged) {
            ++report.received;
            if (!dryRun)
                apply(href, [&] {
                    m_contacts.update(*item.contact, text);
                    item.etag = newEtag;
                    item.hash = m_contacts.contentHash(*item.contact);
                    state.save(item);
                });
        } else if (local == Local::Changed) {
            if (m_contacts.sameContent(*item.contact, text)) {
                // Both sides made the same change (or our last send was not recorded): agreed.
                if (!dryRun)
                    apply(href, [&] {
                        item.etag = newEtag;
                        item.hash = m_contacts.contentHash(*item.contact);
                        state.save(item);
                    });
            } else {
                ++report.conflicts;
                if (!dryRun)
                    apply(href, [&] {
                        item.theirs = text;
                        item.theirsEtag = newEtag;
                        state.save(item);
                    });
            }
        } else {
            // Deleted here, changed there: the change wins, the contact comes back.
            ++report.received;
            if (!dryRun)
                apply(href, [&] {
                    item.contact = m_contacts.insert(text);
                    item.etag = newEtag;
                    item.hash = m_contacts.contentHash(*item.contact);
                    state.save(item);
                });
        }
    }
    // Cards the server no longer has.
    for (const auto& [href, item] : byHref) {
        if (stopHere())
            return;
        if (remote.count(href))
            continue;
        const Local local = localState(item);
        if (!item.etag) {
            if (local == Local::Deleted) {
                if (!dryRun)
                    apply(href, [&] { state.erase(href); });
            } else
                sends.push_back({ Send::Create, item, {} }); // never arrived: send it again
            continue;
        }
        if (local == Local::Unchanged) {
            ++report.deletedHere;
            if (!dryRun)
                apply(href, [&] {
                    m_contacts.remove(*item.contact);
                    state.erase(href);
                });
        } else if (local == Local::Changed || (item.conflict() && local != Local::Deleted)) {
            // Changed here, deleted there: the change wins, the card goes back as a new one.
            if (!dryRun)
                apply(href, [&] { state.erase(href); });
            creates.push_back(*item.contact);
        } else if (!dryRun) {
            apply(href, [&] { state.erase(href); });
        }
    }
    for (std::int64_t counter : unlinked)
        creates.push_back(counter);
    batch.flush();

    // New cards get their names and a row before they are sent, so a sync that stops after the
    // server stored one finds it again under that name instead of sending a second copy.
    for (std::int64_t counter : creates) {
        if (stopHere())
            return;
        SyncItem item;
        item.uid = newCardName();
        item.href = hrefPath(m_bookUrl) + item.uid + ".vcf";
        item.contact = counter;
        if (!dryRun)
            apply(item.href, [&] { state.save(item); });
        sends.push_back({ Send::Create, item, {} });
    }
    batch.flush();

    if (dryRun) {
        for (const Send& send : sends)
            ++(send.kind == Send::Delete ? report.deletedThere : report.sent);
        return;
    }

    // Our side: every write conditional on the card being the one we know, recorded once confirmed.
    // The writes go over several connections at once; their outcomes come back here, where the
    // database is. A broken connection stops the sync after the writes already under way are
    // answered, so that everything the server confirmed is recorded; so does the stop flag.
    std::exception_ptr stopped;
    bool halted = false;
    {
        WritePool pool(m_client, kWriteConnections);
        std::vector<std::string> hashes(sends.size());
        std::size_t queued = 0, done = 0;
        while (true) {
            if (!halted && stopRequested()) {
                halted = true;
                pool.cancelQueued();
            }
            while (
                !stopped && !halted && queued < sends.size() && pool.pending() < std::size_t(2 * kWriteConnections)) {
                const std::size_t id = queued++;
                Send& send = sends[id];
                WriteJob job { id, send.kind == Send::Delete, resolveUrl(m_bookUrl, send.item.href), {}, send.etag };
                if (!job.remove) {
                    try {
                        hashes[id] = m_contacts.contentHash(*send.item.contact);
                        job.vcard = m_contacts.cardText(*send.item.contact, send.item.uid);
                    } catch (const Error& e) {
                        skip(send.item.href + ": " + e.what());
                        continue;
                    }
                }
                pool.submit(std::move(job));
            }
            if (pool.pending() == 0)
                break;
            // The user goes on working while the sync runs: what is recorded so far is committed
            // before waiting on the server, so no edit of theirs waits for a slow server (or
            // runs out of patience with the lock) in the meantime.
            if (!pool.ready())
                batch.flush();
            WriteOutcome outcome = pool.next();
            // A line every few cards keeps the progress of a slow server in sight.
            if (++done % kSendProgressStep == 0)
                progress("Contact sync: sending " + std::to_string(done) + " of " + std::to_string(sends.size()));
            Send& send = sends[outcome.id];
            SyncItem& item = send.item;
            try {
                if (outcome.error)
                    std::rethrow_exception(outcome.error);
                if (outcome.result.preconditionFailed) {
                    skip(item.href + ": changed on the server meanwhile; it is looked at again next time");
                    continue;
                }
                batch.open();
                if (send.kind == Send::Delete) {
                    ++report.deletedThere;
                    state.erase(item.href);
                } else {
                    ++report.sent;
                    item.etag = outcome.result.etag;
                    item.hash = hashes[outcome.id];
                    state.save(item);
                }
                batch.step();
            } catch (const CardRefused& e) {
                skip(item.href + ": " + e.what());
            } catch (const SyncError&) {
                if (!stopped)
                    stopped = std::current_exception();
                pool.cancelQueued();
            } catch (const Error& e) {
                skip(item.href + ": " + e.what());
            }
        }
    }
    batch.flush(); // what the server confirmed stays recorded, even when the sync stops here
    if (stopped)
        std::rethrow_exception(stopped); // run() tells a stop from a broken connection
    if (stopHere())
        return;

    // The token taken before our own writes does not show them; a card we created and someone
    // then deleted would be missing from the next report altogether. So the token moves past
    // our writes once the server's report of them holds nothing but them; otherwise the next
    // sync lists the whole book.
    std::string keptToken;
    if (clean && !newToken.empty()) {
        keptToken = newToken;
        if (report.sent + report.deletedThere > 0) {
            keptToken.clear();
            const Changes after = m_client.changesSince(m_bookUrl, newToken);
            bool onlyOurs = !after.invalidToken;
            for (const RemoteCard& card : after.changed) {
                const std::optional<SyncItem> known = state.item(card.href);
                onlyOurs = onlyOurs && known && known->etag && *known->etag == card.etag;
            }
            for (const std::string& href : after.removed)
                onlyOurs = onlyOurs && !state.item(href);
            if (onlyOurs)
                keptToken = after.token;
        }
    }
    data::Transaction t(m_db);
    state.setValue("SyncToken", keptToken);
    state.setValue("LastSync", timestamp());
    state.setValue("LastResult", resultText(report));
    t.commit();
    progress("Contact sync: done");
}

std::vector<Conflict> Synchronizer::conflicts()
{
    SyncState state(m_db);
    std::vector<Conflict> all;
    for (const SyncItem& item : state.items()) {
        if (item.conflict())
            all.push_back({ item.href, item.contact.value_or(0), item.theirs });
    }
    return all;
}

void Synchronizer::keepMine(const std::string& href)
{
    SyncState state(m_db);
    std::optional<SyncItem> item = state.item(href);
    if (!item || !item->conflict())
        throw SyncError("There is no conflict about " + href);
    if (!item->contact || !m_contacts.exists(*item->contact))
        throw SyncError("The contact of " + href + " was deleted here; take the server's card instead");
    const std::string hash = m_contacts.contentHash(*item->contact);
    const WriteResult result
        = m_client.put(resolveUrl(m_bookUrl, href), m_contacts.cardText(*item->contact, item->uid), item->theirsEtag);
    if (result.preconditionFailed)
        throw SyncError("The card " + href + " changed on the server again; sync, then choose again");
    item->etag = result.etag;
    item->hash = hash;
    item->theirs.clear();
    item->theirsEtag.clear();
    data::Transaction t(m_db);
    state.save(*item);
    t.commit();
}

void Synchronizer::takeTheirs(const std::string& href)
{
    SyncState state(m_db);
    std::optional<SyncItem> item = state.item(href);
    if (!item || !item->conflict())
        throw SyncError("There is no conflict about " + href);
    data::Transaction t(m_db);
    if (item->contact && m_contacts.exists(*item->contact))
        m_contacts.update(*item->contact, item->theirs);
    else
        item->contact = m_contacts.insert(item->theirs);
    item->etag = item->theirsEtag;
    item->hash = m_contacts.contentHash(*item->contact);
    item->theirs.clear();
    item->theirsEtag.clear();
    state.save(*item);
    t.commit();
}

} // namespace pelmora::carddav
