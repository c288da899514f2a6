// Back-up and restore of a database directory (200 MB by default, PELMORA_BENCH_MB to change)
// against Info-ZIP's zip -9 -r and unzip on the same directory in the same run. The peak
// resident size of this process is reported with every run: it must not follow the archive's
// size, since the archive is streamed.
#include "data/Database.h"
#include "data/DatabaseFiles.h"
#include "data/DatabaseSet.h"
#include "data/DataModuleOperations.h"
#include "data/DataPrompts.h"
#include "data/TfrmDataModule.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <random>
#include <stdexcept>
#include <sys/resource.h>

namespace {

namespace fs = std::filesystem;
using namespace pelmora;

// Answers every question with the benchmark's archive.
class FixedPrompts : public data::DatabasePrompts {
public:
    fs::path archive;
    void message(const std::string&) override { }
    bool confirm(const std::string&, bool) override { return true; }
    std::optional<std::string> askName(const std::string&, const std::string&) override { return std::nullopt; }
    std::optional<fs::path> askSavePath(const std::string&) override { return archive; }
    std::optional<fs::path> askOpenPath(const std::string&) override { return archive; }
};

// A contact-like table of text rows: words from a small vocabulary with numbers, which
// compresses about as well as real records do.
void fillDatabase(const fs::path& file, std::size_t megabytes)
{
    static const char* words[] = { "Main", "Street", "Company", "Sales", "Meeting", "Call", "Invoice", "Order",
        "London", "Berlin", "Mr", "Ms", "Jones", "Miller", "Smith", "Garcia" };
    data::Connection db = data::openConnection(file, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    // Marked as a database of this program, or Restore would refuse it as foreign.
    data::execute(db.get(),
        "CREATE TABLE Contacts (Counter INTEGER PRIMARY KEY, Notes TEXT); PRAGMA user_version = "
            + std::to_string(data::Database::kSchemaVersion) + "; BEGIN");
    std::mt19937 random(42);
    sqlite3_stmt* insert = nullptr;
    sqlite3_prepare_v2(db.get(), "INSERT INTO Contacts (Notes) VALUES (?)", -1, &insert, nullptr);
    std::size_t written = 0;
    while (written < megabytes << 20) {
        std::string text;
        while (text.size() < 900)
            text += std::string(words[random() % 16]) + ' ' + std::to_string(random() % 100000) + ' ';
        sqlite3_bind_text(insert, 1, text.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
        written += text.size();
    }
    sqlite3_finalize(insert);
    data::execute(db.get(), "COMMIT");
}

struct Workspace {
    fs::path root = fs::temp_directory_path() / "pelmora-archive-benchmark";
    fs::path home = root / "home";
    fs::path database = home / "Big";
    fs::path archive = root / "big.pmb";
    fs::path peerArchive = root / "peer.zip";

    Workspace()
    {
        const char* size = std::getenv("PELMORA_BENCH_MB");
        fs::remove_all(root);
        fs::create_directories(database);
        fs::create_directories(home / "data");
        fillDatabase(database / "database.sqlite", size ? std::strtoul(size, nullptr, 10) : 200);
        std::string zip = "cd '" + database.string() + "' && zip -q -9 -r '" + peerArchive.string() + "' .";
        if (std::system(zip.c_str()) != 0)
            throw std::runtime_error("zip failed");
    }
    ~Workspace() { fs::remove_all(root); }
};

Workspace& workspace()
{
    static Workspace shared;
    return shared;
}

void reportMemory(benchmark::State& state)
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    state.counters["peak_rss_MB"] = static_cast<double>(usage.ru_maxrss) / 1024.0;
    state.counters["database_MB"]
        = static_cast<double>(fs::file_size(workspace().database / "database.sqlite")) / (1 << 20);
}

void runDatabaseSet(benchmark::State& state, bool backup)
{
    Workspace& space = workspace();
    data::DefaultPrompts dataPrompts;
    data::TfrmDataModule module(dataPrompts, space.home / "data", space.home / "attach");
    data::DataModuleOperations dataModule(module);
    FixedPrompts prompts;
    prompts.archive = space.archive;
    data::CurrentDatabase current { "Sample", (space.home / "data").string() };
    data::DatabaseSet set(dataModule, prompts, space.home, current);
    data::DatabaseRow row { 0, "Big", space.database.string() };
    if (!backup && !fs::exists(space.archive))
        set.Backup(row);
    for (auto _ : state) {
        bool done = backup ? set.Backup(row) : set.Restore(row);
        if (!done)
            state.SkipWithError("the command failed");
    }
    reportMemory(state);
}

void runShell(benchmark::State& state, const std::string& command)
{
    workspace();
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0)
            state.SkipWithError(command.c_str());
    }
    reportMemory(state);
}

void BM_BackupDatabaseSet(benchmark::State& state)
{
    runDatabaseSet(state, true);
}

void BM_BackupInfoZip(benchmark::State& state)
{
    Workspace& space = workspace();
    runShell(state,
        "rm -f '" + space.peerArchive.string() + "' && cd '" + space.database.string() + "' && zip -q -9 -r '"
            + space.peerArchive.string() + "' .");
}

void BM_RestoreDatabaseSet(benchmark::State& state)
{
    runDatabaseSet(state, false);
}

void BM_RestoreUnzip(benchmark::State& state)
{
    Workspace& space = workspace();
    runShell(state, "unzip -q -o '" + space.peerArchive.string() + "' -d '" + space.database.string() + "'");
}

} // namespace

BENCHMARK(BM_BackupInfoZip)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(BM_BackupDatabaseSet)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(BM_RestoreUnzip)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();
BENCHMARK(BM_RestoreDatabaseSet)->Unit(benchmark::kMillisecond)->Iterations(2)->UseRealTime();

BENCHMARK_MAIN();
