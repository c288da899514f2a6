// The five speed goals of the table engine on 100,000 contacts with 5 activities and 5 messages
// each, every one beside the same work done with raw SQLite in the same run.
#include "BenchmarkDatabase.h"
#include "data/DataPrompts.h"
#include "data/TfrmDataModule.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <memory>

namespace {

using namespace pelmora;

const char* const kDetailTables[] = { "EMAIL", "Links", "Activity", "People", "notes", "documents" };

data::DefaultPrompts prompts;

std::unique_ptr<data::TfrmDataModule> openModule()
{
    const auto& dir = bench::benchmarkDataDirectory();
    auto module = std::make_unique<data::TfrmDataModule>(prompts, dir, dir / "attach");
    module->openDatabase(dir);
    return module;
}

// Raw SQLite: one connection with the statements the same work needs, prepared once.
struct Raw {
    sqlite3* db = nullptr;
    sqlite3_stmt* firstContact = nullptr;
    sqlite3_stmt* nextContact = nullptr;
    std::vector<sqlite3_stmt*> details;

    Raw()
    {
        sqlite3_open_v2(
            (bench::benchmarkDataDirectory() / "database.sqlite").c_str(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_exec(db, "PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL", nullptr, nullptr, nullptr);
        const char* order = " ORDER BY LName COLLATE NOCASE, FName COLLATE NOCASE, rowid LIMIT 1";
        prepare(firstContact, std::string("SELECT rowid, * FROM Contacts") + order);
        // Written so that SQLite starts inside the index: a row-value comparison would scan it from the top.
        prepare(nextContact,
            std::string("SELECT rowid, * FROM Contacts WHERE LName COLLATE NOCASE >= ?1 AND "
                        "(LName COLLATE NOCASE > ?1 OR (LName COLLATE NOCASE = ?1 AND "
                        "(FName COLLATE NOCASE > ?2 OR (FName COLLATE NOCASE = ?2 AND rowid > ?3))))")
                + order);
        for (const char* table : kDetailTables) {
            details.push_back(nullptr);
            prepare(details.back(),
                std::string("SELECT rowid, * FROM ") + table + " WHERE Contact = ? ORDER BY Contact, rowid LIMIT 32");
        }
    }
    ~Raw()
    {
        for (sqlite3_stmt* st : details)
            sqlite3_finalize(st);
        sqlite3_finalize(firstContact);
        sqlite3_finalize(nextContact);
        sqlite3_close(db);
    }
    void prepare(sqlite3_stmt*& st, const std::string& sql) { sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr); }

    // Reads the first detail page of each detail table of a contact, as the six grids would.
    void follow(sqlite3_int64 contact)
    {
        for (sqlite3_stmt* st : details) {
            sqlite3_bind_int64(st, 1, contact);
            while (sqlite3_step(st) == SQLITE_ROW)
                benchmark::DoNotOptimize(sqlite3_column_text(st, 1));
            sqlite3_reset(st);
        }
    }
    void exec(const char* sql) { sqlite3_exec(db, sql, nullptr, nullptr, nullptr); }
};

void BM_OpenToFirstContact_Engine(benchmark::State& state)
{
    for (auto _ : state) {
        auto module = openModule();
        benchmark::DoNotOptimize(module->TBLCon.asString("LName"));
    }
}

void BM_OpenToFirstContact_Raw(benchmark::State& state)
{
    for (auto _ : state) {
        Raw raw;
        sqlite3_step(raw.firstContact);
        const sqlite3_int64 contact = sqlite3_column_int64(raw.firstContact, 0);
        sqlite3_reset(raw.firstContact);
        raw.follow(contact);
    }
}

void BM_NextContactWithDetails_Engine(benchmark::State& state)
{
    auto module = openModule();
    for (auto _ : state) {
        if (!module->TBLCon.next())
            module->TBLCon.first();
        benchmark::DoNotOptimize(module->TBLEmail.asString("Subject"));
    }
}

void BM_NextContactWithDetails_Raw(benchmark::State& state)
{
    Raw raw;
    std::string last, first;
    sqlite3_int64 row = 0;
    for (auto _ : state) {
        sqlite3_stmt* st = raw.nextContact;
        sqlite3_bind_text(st, 1, last.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, first.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int64(st, 3, row);
        if (sqlite3_step(st) == SQLITE_ROW) {
            row = sqlite3_column_int64(st, 0);
            last = reinterpret_cast<const char*>(sqlite3_column_text(st, 1));
            first = reinterpret_cast<const char*>(sqlite3_column_text(st, 2));
        } else {
            row = 0, last.clear(), first.clear();
        }
        sqlite3_reset(st);
        raw.follow(row);
    }
}

void BM_FilterAndCount_Engine(benchmark::State& state)
{
    auto module = openModule();
    for (auto _ : state) {
        module->TBLCon.setFilter("CategoryA = \"X\"");
        module->TBLCon.setFiltered(true);
        benchmark::DoNotOptimize(module->TBLCon.recordCount());
        state.PauseTiming();
        module->TBLCon.setFiltered(false);
        state.ResumeTiming();
    }
}

void BM_FilterAndCount_Raw(benchmark::State& state)
{
    Raw raw;
    sqlite3_stmt* st = nullptr;
    raw.prepare(st, "SELECT COUNT(*) FROM Contacts WHERE CategoryA = ?");
    for (auto _ : state) {
        sqlite3_bind_text(st, 1, "X", -1, SQLITE_STATIC);
        sqlite3_step(st);
        benchmark::DoNotOptimize(sqlite3_column_int64(st, 0));
        sqlite3_reset(st);
    }
    sqlite3_finalize(st);
}

void BM_UnmarkAll_Engine(benchmark::State& state)
{
    auto module = openModule();
    for (auto _ : state) {
        state.PauseTiming();
        module->currentDatabase()->sql().exec("UPDATE Contacts SET Mark = Counter % 2");
        state.ResumeTiming();
        module->unmarkAllContacts();
    }
}

void BM_UnmarkAll_Raw(benchmark::State& state)
{
    Raw raw;
    for (auto _ : state) {
        state.PauseTiming();
        raw.exec("UPDATE Contacts SET Mark = Counter % 2");
        state.ResumeTiming();
        raw.exec("BEGIN IMMEDIATE; UPDATE Contacts SET Mark = 0; COMMIT");
    }
}

void BM_PostEditedContact_Engine(benchmark::State& state)
{
    auto module = openModule();
    int n = 0;
    for (auto _ : state) {
        module->TBLCon.edit();
        module->TBLCon.setString("Comments", "Edited " + std::to_string(++n));
        module->TBLCon.post();
    }
}

void BM_PostEditedContact_Raw(benchmark::State& state)
{
    Raw raw;
    sqlite3_stmt* st = nullptr;
    raw.prepare(st, "UPDATE Contacts SET Comments = ? WHERE rowid = ?");
    sqlite3_step(raw.firstContact);
    const sqlite3_int64 contact = sqlite3_column_int64(raw.firstContact, 0);
    sqlite3_reset(raw.firstContact);
    int n = 0;
    for (auto _ : state) {
        const std::string text = "Edited " + std::to_string(++n);
        raw.exec("BEGIN IMMEDIATE");
        sqlite3_bind_text(st, 1, text.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int64(st, 2, contact);
        sqlite3_step(st);
        sqlite3_reset(st);
        raw.exec("COMMIT");
    }
    sqlite3_finalize(st);
}

BENCHMARK(BM_OpenToFirstContact_Engine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenToFirstContact_Raw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_NextContactWithDetails_Engine)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_NextContactWithDetails_Raw)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FilterAndCount_Engine)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FilterAndCount_Raw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_UnmarkAll_Engine)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_UnmarkAll_Raw)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_PostEditedContact_Engine)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PostEditedContact_Raw)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv)
{
    bench::benchmarkDataDirectory(); // built (once) before any timing starts
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
