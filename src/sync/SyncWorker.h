#pragma once

#include "carddav/Account.h"
#include "carddav/Sync.h"

#include <QThread>

#include <atomic>
#include <filesystem>
#include <optional>
#include <string>

namespace pelmora::sync {

// Where a data module of the sync's own opens the database: given, a contact deleted on the
// server is deleted here as the data module deletes one, with what is filed under it.
struct DataModuleDirectories {
    std::filesystem::path data;
    std::filesystem::path attach;
    std::filesystem::path database;
};

// One contact sync on a thread of its own, over its own connection to the database file and its
// own HTTP session, so that the window stays responsive meanwhile. It holds copies of all it
// needs and reaches nothing of the window, which reads the outcome once the thread has finished.
class SyncWorker : public QThread {
    Q_OBJECT
public:
    SyncWorker(carddav::Account account, std::filesystem::path databaseFile,
        std::optional<DataModuleDirectories> dataModule, QObject* parent = nullptr);
    ~SyncWorker() override;

    // From any thread: the sync ends at its next safe point, a request in flight is cut short.
    void stop() { m_stop = true; }
    bool stopping() const { return m_stop; }

    // The account the sync runs with.
    const carddav::Account& account() const { return m_account; }
    // Read these once the thread has finished.
    const carddav::SyncReport& report() const { return m_report; }
    bool failed() const { return m_failed; }
    const std::string& error() const { return m_error; }
    // Of a certificate nobody vouches for, which the user may choose to trust.
    const std::string& fingerprint() const { return m_fingerprint; }

signals:
    // Emitted on the sync's thread; a text for the status line.
    void progress(const QString& text);

protected:
    void run() override;

private:
    void sync();

    const carddav::Account m_account;
    const std::filesystem::path m_databaseFile;
    const std::optional<DataModuleDirectories> m_dataModule;
    std::atomic<bool> m_stop { false };
    carddav::SyncReport m_report;
    bool m_failed = false;
    std::string m_error;
    std::string m_fingerprint;
};

} // namespace pelmora::sync
