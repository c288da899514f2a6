// The list windows on 1,000,000 contacts and 5,000,000 activities: opening the Activity List, a
// change of its filters, ordering it by contact name, opening and moving through the Contact List
// and scrolling a list, each beside the same reads written straight against SQLite in the same run.
// The database is built once per run in the temporary directory and removed at the end.
#include "../OffscreenApplication.h"
#include "app/GuiDataPrompts.h"
#include "data/Database.h"
#include "data/SampleDatabase.h"
#include "data/TfrmDataModule.h"
#include "records/TFrmActivityList.h"
#include "records/TfrmContactList.h"
#include "widgets/DateText.h"
#include "widgets/TDataSource.h"
#include "widgets/TDBGrid.h"

#include <QComboBox>
#include <QScrollBar>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <unistd.h>

namespace {

using namespace pelmora;
namespace fs = std::filesystem;

constexpr int kContacts = 1000000;
constexpr int kActivities = 5000000;
constexpr int kScreen = 64; // rows read for a first screen, as the grids read a page

// PELMORA_BENCH_KEEP=DIR keeps the database in DIR for the next run (when profiling one figure).
const char* keptDirectory()
{
    return std::getenv("PELMORA_BENCH_KEEP");
}

fs::path& directory()
{
    static fs::path dir = keptDirectory()
        ? fs::path(keptDirectory())
        : fs::temp_directory_path() / ("pelmora-lists-benchmark-" + std::to_string(getpid()));
    return dir;
}

void exec(sqlite3* db, const std::string& sql)
{
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error ? error : "unknown error";
        sqlite3_free(error);
        throw std::runtime_error(message + " in " + sql.substr(0, 120));
    }
}

// The rows are written with the tables' indexes dropped, and the indexes built again when the
// program first opens the file, as it does for a file written by an earlier version.
void generate()
{
    const fs::path& dir = directory();
    if (keptDirectory() && fs::exists(dir / "complete"))
        return;
    fs::remove_all(dir);
    data::ensureSampleDatabase(dir);
    sqlite3* db = nullptr;
    if (sqlite3_open((dir / data::Database::kDatabaseFile).string().c_str(), &db) != SQLITE_OK)
        throw std::runtime_error("cannot open the benchmark database");
    exec(db, "PRAGMA journal_mode=DELETE; PRAGMA synchronous=OFF");
    for (const char* table : { "Contacts", "Activity" }) {
        for (const data::IndexDef& index : data::tableDef(table).indexes)
            exec(db, "DROP INDEX IF EXISTS \"" + data::sqlIndexName(data::tableDef(table), index) + "\"");
    }
    exec(db, "BEGIN; DELETE FROM Contacts; DELETE FROM Activity; DELETE FROM ActDesc;");
    exec(db,
        "WITH RECURSIVE n(i) AS (SELECT 2 UNION ALL SELECT i + 1 FROM n WHERE i <= " + std::to_string(kContacts)
            + ") INSERT INTO Contacts (Counter, LName, FName, Company, EMail, URL, CategoryA, CategoryB, City, "
              "Phone1, Created, User1, Mark) SELECT i, 'Name' || (i * 7919 % 100003), 'First' || (i % 997), "
              "'Company ' || (i % 5003), 'person' || i || '@example.org', CASE WHEN i % 10 = 0 THEN "
              "'http://www.example.org/' || i END, 'Category ' || (i % 20), 'Group \"' || (i % 7) || '*', "
              "'City' || (i % 300), '555-' || (i % 10000), '2025-01-01', 'User text ' || i, 0 FROM n");
    const char* names[] = { "Call", "Meeting", "Letter", "E-mail", "Visit", "Fax", "Quote", "Follow up" };
    std::string cases = "CASE i % 8";
    for (int k = 0; k < 8; ++k) {
        cases += " WHEN " + std::to_string(k) + " THEN '" + names[k] + "'";
        exec(db, std::string("INSERT INTO ActDesc (ActDesc) VALUES ('") + names[k] + "')");
    }
    cases += " END";
    // Dates over three years around today, so "This Month" and "Today" find their share.
    exec(db,
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(kActivities)
            + ") INSERT INTO Activity (Counter, Contact, Activity, DateOf, Priority, Done, Detailes, DateCreated) "
              "SELECT i, 2 + (i * 7 % "
            + std::to_string(kContacts) + "), " + cases
            + ", date('now', '-548 days', '+' || (i * 13 % 1096) || ' days'), (i % 3) + 1, i % 2, "
              "'Activity ' || i, date('now', '-700 days', '+' || (i % 700) || ' days') FROM n");
    exec(db, "COMMIT");
    sqlite3_close(db);
    data::Database::open(dir); // builds the dropped indexes
    fs::create_directories(dir / "complete");
}

struct Program {
    app::GuiDataPrompts prompts { nullptr };
    data::TfrmDataModule data { prompts, directory(), directory() / "attach" };

    Program()
    {
        data.setDateFormat(app::engineDateFormat());
        data.openDatabase(directory());
    }
};

Program& program()
{
    static Program* p = new Program;
    return *p;
}

double peakMegabytes()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    }
    return 0;
}

void settle()
{
    QApplication::processEvents();
    QApplication::processEvents(); // the paint the first round posted
}

// --- the windows

// As the main window opens the list: the activities read once, narrowed by the lists.
void openActivityList(records::TFrmActivityList& list)
{
    list.resize(1000, 600);
    list.applyFilter();
    list.show();
    settle();
}

void BM_ActivityListOpen_Gui(benchmark::State& state)
{
    offscreenApplication();
    Program& p = program();
    for (auto _ : state) {
        records::TFrmActivityList list(p.data, nullptr);
        openActivityList(list);
        benchmark::DoNotOptimize(list.grid()->model()->rowCount());
    }
    state.counters["peak_MB"] = peakMegabytes();
}

// One change of the lists from "All": an activity name, a month, a status, or all three; the
// way back to "All" is not timed.
struct FilterChange {
    const char* activity;
    const char* date;
    int status;
};

void BM_ActivityListFilterChange_Gui(benchmark::State& state, FilterChange change)
{
    offscreenApplication();
    Program& p = program();
    records::TFrmActivityList list(p.data, nullptr);
    openActivityList(list);
    for (auto _ : state) {
        list.activityList()->setCurrentIndex(
            change.activity ? list.activityList()->findText(QString::fromLatin1(change.activity)) : 0);
        list.dateList()->setCurrentIndex(change.date ? list.dateList()->findText(QString::fromLatin1(change.date)) : 0);
        list.statusList()->setCurrentIndex(change.status);
        list.applyFilter();
        settle();
        benchmark::DoNotOptimize(list.grid()->model()->rowCount());
        state.PauseTiming();
        list.activityList()->setCurrentIndex(0);
        list.dateList()->setCurrentIndex(0);
        list.statusList()->setCurrentIndex(0);
        list.applyFilter();
        settle();
        state.ResumeTiming();
    }
    state.counters["peak_MB"] = peakMegabytes();
}

// As the main window opens it: shown, then activated (categories read, conditions applied).
void openContactList(records::TfrmContactList& list)
{
    list.resize(1100, 600);
    list.show();
    list.activate();
    settle();
}

void BM_ContactListOpen_Gui(benchmark::State& state)
{
    offscreenApplication();
    Program& p = program();
    for (auto _ : state) {
        app::TDataSource source(p.data.TBLCon);
        records::TfrmContactList list(p.data, &source, QString(), nullptr);
        openContactList(list);
        benchmark::DoNotOptimize(list.grid()->model()->rowCount());
        list.hide();
    }
    state.counters["peak_MB"] = peakMegabytes();
}

// The record number the main window shows beside the list, read after each of twenty moves
// down the grid from a row a few screens in, as the user steps through the contacts.
void BM_ContactListMoves_Gui(benchmark::State& state)
{
    offscreenApplication();
    Program& p = program();
    app::TDataSource source(p.data.TBLCon);
    records::TfrmContactList list(p.data, &source, QString(), nullptr);
    openContactList(list);
    QAbstractItemModel* model = list.grid()->model();
    for (int page = 0; page < 10 && model->rowCount() <= 320; ++page)
        model->fetchMore({});
    for (auto _ : state) {
        for (int row = 300; row < 320; ++row) {
            list.grid()->setCurrentIndex(model->index(row, 0));
            settle();
            if (source.view().recNo() != row + 1)
                state.SkipWithError("the grid did not move the contact view");
            benchmark::DoNotOptimize(source.view().recordCount());
        }
    }
    list.hide();
}

// The Activity List ordered by its contacts' last names with a click on the title, to its first
// screen; the order before is given back untimed.
void BM_ActivityListSortByName_Gui(benchmark::State& state)
{
    offscreenApplication();
    Program& p = program();
    records::TFrmActivityList list(p.data, nullptr);
    openActivityList(list);
    data::TableView& view = p.data.TBLActivityList;
    const std::string order = view.indexFieldNames();
    for (auto _ : state) {
        list.grid()->sortByField("LName");
        settle();
        benchmark::DoNotOptimize(list.grid()->model()->rowCount());
        state.PauseTiming();
        if (view.indexName() != "Contacts.LNameInd")
            state.SkipWithError("the title click did not order the list");
        view.setIndexFieldNames(order);
        settle();
        state.ResumeTiming();
    }
    state.counters["peak_MB"] = peakMegabytes();
}

// Ten screens down the unfiltered Activity List, each read as the grid asks for it.
void BM_ActivityListScrollTenScreens_Gui(benchmark::State& state)
{
    offscreenApplication();
    Program& p = program();
    records::TFrmActivityList list(p.data, nullptr);
    openActivityList(list);
    QScrollBar* bar = list.grid()->verticalScrollBar();
    for (auto _ : state) {
        state.PauseTiming();
        bar->setValue(0);
        settle();
        state.ResumeTiming();
        for (int screen = 0; screen < 10; ++screen) {
            bar->setValue(bar->value() + bar->pageStep());
            settle();
        }
    }
    state.counters["peak_MB"] = peakMegabytes();
}

// --- the same reads straight against SQLite

struct Raw {
    sqlite3* db = nullptr;
    Raw()
    {
        sqlite3_open_v2(
            (directory() / data::Database::kDatabaseFile).string().c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    }
    ~Raw() { sqlite3_close(db); }

    std::int64_t read(const std::string& sql)
    {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)
            throw std::runtime_error(sqlite3_errmsg(db));
        std::int64_t sum = 0;
        while (sqlite3_step(st) == SQLITE_ROW) {
            for (int c = 0; c < sqlite3_column_count(st); ++c)
                sum += sqlite3_column_bytes(st, c);
        }
        sqlite3_finalize(st);
        return sum;
    }

    // A count and the first screen, as a list window needs them.
    void screen(const std::string& table, const std::string& rows, const std::string& where, const std::string& order)
    {
        benchmark::DoNotOptimize(read("SELECT COUNT(*) FROM " + table + where));
        benchmark::DoNotOptimize(read("SELECT * FROM " + rows + where + order + " LIMIT " + std::to_string(kScreen)));
    }
};

const std::string kActivityRows
    = "(SELECT a.rowid, a.*, (SELECT FName FROM Contacts c WHERE c.Counter = a.Contact), "
      "(SELECT LName FROM Contacts c WHERE c.Counter = a.Contact), (SELECT Company FROM "
      "Contacts c WHERE c.Counter = a.Contact) FROM Activity a INDEXED BY ActivityContact) t";

void BM_ActivityListOpen_Sqlite(benchmark::State& state)
{
    Raw raw;
    for (auto _ : state)
        raw.screen("Activity", kActivityRows, "", " ORDER BY Contact, rowid");
}

const std::string kThisMonth = "DateOf >= date('now', 'start of month') AND DateOf <= date('now', 'start of month', "
                               "'+1 month', '-1 day')";

void BM_ActivityListFilterChange_Sqlite(benchmark::State& state, std::string where)
{
    Raw raw;
    for (auto _ : state)
        raw.screen("Activity", kActivityRows, " WHERE " + where, " ORDER BY Contact, rowid");
}

void BM_ContactListOpen_Sqlite(benchmark::State& state)
{
    Raw raw;
    for (auto _ : state)
        raw.screen("Contacts", "Contacts", "", " ORDER BY LName COLLATE NOCASE, FName COLLATE NOCASE, rowid");
}

// What the record number costs when it is read afresh on every move: the total and the rows up
// to the current one counted, for twenty moves from row 300.
void BM_ContactListMoves_Sqlite(benchmark::State& state)
{
    Raw raw;
    for (auto _ : state) {
        for (int row = 300; row < 320; ++row) {
            benchmark::DoNotOptimize(raw.read("SELECT COUNT(*) FROM Contacts"));
            benchmark::DoNotOptimize(raw.read(
                "SELECT COUNT(*) FROM (SELECT 1 FROM Contacts ORDER BY rowid LIMIT " + std::to_string(row + 1) + ")"));
        }
    }
}

// The first screen by contact name: the contacts walked through their name index, each one's
// activities through theirs; and the same order asked of SQLite plainly, which sorts them all.
void BM_ActivityListSortByName_Sqlite(benchmark::State& state)
{
    Raw raw;
    for (auto _ : state)
        benchmark::DoNotOptimize(raw.read("SELECT a.rowid, a.*, c.FName, c.LName, c.Company FROM Contacts c CROSS JOIN "
                                          "Activity a ON a.Contact = c.Counter ORDER BY c.LName COLLATE NOCASE, "
                                          "c.FName COLLATE NOCASE, a.Contact, a.rowid LIMIT "
            + std::to_string(kScreen)));
}

void BM_ActivityListSortByNameSorted_Sqlite(benchmark::State& state)
{
    Raw raw;
    for (auto _ : state)
        benchmark::DoNotOptimize(raw.read("SELECT * FROM " + kActivityRows
            + " ORDER BY 12 COLLATE NOCASE, 11 COLLATE NOCASE, Contact, rowid LIMIT " + std::to_string(kScreen)));
}

void BM_ActivityListScrollTenScreens_Sqlite(benchmark::State& state)
{
    Raw raw;
    for (auto _ : state) {
        for (int screen = 1; screen <= 10; ++screen)
            benchmark::DoNotOptimize(raw.read("SELECT * FROM " + kActivityRows + " ORDER BY Contact, rowid LIMIT "
                + std::to_string(kScreen) + " OFFSET " + std::to_string(screen * kScreen)));
    }
}

} // namespace

BENCHMARK(BM_ActivityListOpen_Gui)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ActivityListOpen_Sqlite)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK_CAPTURE(BM_ActivityListFilterChange_Gui, activity, FilterChange { "Call", nullptr, 0 })
    ->Unit(benchmark::kMillisecond)
    ->Iterations(4);
BENCHMARK_CAPTURE(BM_ActivityListFilterChange_Sqlite, activity, "Activity = 'Call' COLLATE NOCASE")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(4);
BENCHMARK_CAPTURE(BM_ActivityListFilterChange_Gui, month, FilterChange { nullptr, "This Month", 0 })
    ->Unit(benchmark::kMillisecond)
    ->Iterations(4);
BENCHMARK_CAPTURE(BM_ActivityListFilterChange_Sqlite, month, kThisMonth)->Unit(benchmark::kMillisecond)->Iterations(4);
BENCHMARK_CAPTURE(BM_ActivityListFilterChange_Gui, done, FilterChange { nullptr, nullptr, 2 })
    ->Unit(benchmark::kMillisecond)
    ->Iterations(4);
BENCHMARK_CAPTURE(BM_ActivityListFilterChange_Sqlite, done, "Done = 1")->Unit(benchmark::kMillisecond)->Iterations(4);
BENCHMARK_CAPTURE(BM_ActivityListFilterChange_Gui, all_three, FilterChange { "Call", "This Month", 1 })
    ->Unit(benchmark::kMillisecond)
    ->Iterations(4);
BENCHMARK_CAPTURE(BM_ActivityListFilterChange_Sqlite, all_three,
    "Activity = 'Call' COLLATE NOCASE AND " + kThisMonth + " AND ifnull(Done, 0) = 0")
    ->Unit(benchmark::kMillisecond)
    ->Iterations(4);
BENCHMARK(BM_ContactListOpen_Gui)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ContactListOpen_Sqlite)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ContactListMoves_Gui)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ContactListMoves_Sqlite)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_ActivityListSortByName_Gui)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ActivityListSortByName_Sqlite)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ActivityListSortByNameSorted_Sqlite)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ActivityListScrollTenScreens_Gui)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_ActivityListScrollTenScreens_Sqlite)->Unit(benchmark::kMillisecond)->Iterations(5);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    const auto start = std::chrono::steady_clock::now();
    const std::clock_t cpu = std::clock();
    generate();
    std::printf("database of %d contacts and %d activities built in %.1f s (%.1f s CPU), peak %.0f MB\n", kContacts,
        kActivities, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
        double(std::clock() - cpu) / CLOCKS_PER_SEC, peakMegabytes());
    std::fflush(stdout);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ignored;
    if (!keptDirectory())
        fs::remove_all(directory(), ignored);
    return 0;
}
