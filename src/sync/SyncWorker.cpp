#include "sync/SyncWorker.h"

#include "carddav/Client.h"
#include "carddav/SyncError.h"
#include "carddav/VCardContacts.h"
#include "data/DataPrompts.h"
#include "data/SqlDatabase.h"
#include "data/TfrmDataModule.h"

#include <memory>

namespace pelmora::sync {

namespace {

// Nobody can be asked on the sync's thread: the data module's questions take their defaults, and
// a file that could not be deleted is told on the status line.
class WorkerPrompts : public data::DefaultPrompts {
public:
    explicit WorkerPrompts(SyncWorker& worker)
        : m_worker(worker)
    {
    }
    void fileNotDeleted(const std::string& path, const std::string&) override
    {
        emit m_worker.progress(SyncWorker::tr("Cannot delete the file %1").arg(QString::fromStdString(path)));
    }

private:
    SyncWorker& m_worker;
};

} // namespace

SyncWorker::SyncWorker(carddav::Account account, std::filesystem::path databaseFile,
    std::optional<DataModuleDirectories> dataModule, QObject* parent)
    : QThread(parent)
    , m_account(std::move(account))
    , m_databaseFile(std::move(databaseFile))
    , m_dataModule(std::move(dataModule))
{
}

SyncWorker::~SyncWorker()
{
    // The owner waits for the thread; this is the last guard against freeing what it still uses.
    m_stop = true;
    wait();
}

void SyncWorker::run()
{
    // Nothing may leave a thread's run: every failure becomes the outcome the window shows.
    try {
        sync();
    } catch (const carddav::SyncError& e) {
        m_failed = true;
        m_error = e.what();
        m_fingerprint = e.fingerprint();
    } catch (const std::exception& e) {
        m_failed = true;
        m_error = e.what();
    }
}

void SyncWorker::sync()
{
    // A connection of this thread's own: an SQLite connection is never shared between threads.
    WorkerPrompts prompts(*this);
    std::unique_ptr<data::TfrmDataModule> module;
    std::unique_ptr<data::SqlDatabase> plain;
    if (m_dataModule) {
        module = std::make_unique<data::TfrmDataModule>(prompts, m_dataModule->data, m_dataModule->attach);
        module->openDatabase(m_dataModule->database);
    } else {
        plain = std::make_unique<data::SqlDatabase>(m_databaseFile);
    }
    data::SqlDatabase& sql = module ? module->currentDatabase()->sql() : *plain;

    carddav::VCardContacts contacts(sql);
    if (module) {
        data::TfrmDataModule* deleting = module.get();
        contacts.deleteContact = [deleting](std::int64_t counter) {
            if (deleting->TBLCon.gotoRowId(counter))
                deleting->TBLCon.remove();
        };
    }
    carddav::CardDavClient client(m_account.connection());
    carddav::Synchronizer synchronizer(sql, contacts, client, m_account.book, m_account.syncCollection);
    synchronizer.setStopFlag(&m_stop);
    synchronizer.onProgress = [this](const std::string& text) { emit progress(QString::fromStdString(text)); };
    m_report = synchronizer.run();
}

} // namespace pelmora::sync
