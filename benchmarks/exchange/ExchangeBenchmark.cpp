// Duplicate detection over 100,000 contacts: the keys read from a database file, then paired.
// The peer in the same run is reading the same columns with a bare SQLite query, the floor any
// detection that reads the database has to stand on.
#include "data/Database.h"
#include "exchange/Duplicates.h"

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cctype>
#include <filesystem>
#include <random>

namespace {

using namespace pelmora;

constexpr int kContacts = 100000;

const char* const kLast[]
    = { "Smith", "Johnson", "Williams", "Brown", "Jones", "Garcia", "Miller", "Davis", "Rodriguez", "Martinez",
          "Hernandez", "Lopez", "Gonzalez", "Wilson", "Anderson", "Thomas", "Taylor", "Moore", "Jackson", "Martin",
          "Lee", "Perez", "Thompson", "White", "Harris", "Sanchez", "Clark", "Ramirez", "Lewis", "Robinson" };
const char* const kFirst[] = { "James", "Mary", "Robert", "Patricia", "John", "Jennifer", "Michael", "Linda", "David",
    "Elizabeth", "William", "Barbara", "Richard", "Susan", "Joseph", "Jessica", "Thomas", "Sarah", "Charles", "Karen" };

// 100,000 contacts at 2,000 companies, every twentieth a near copy of an earlier one (the same
// address in other case, the same number spelt otherwise, or the name with a slip).
std::vector<exchange::ContactKeys> makeContacts()
{
    std::mt19937 random(16);
    std::vector<exchange::ContactKeys> contacts;
    contacts.reserve(kContacts);
    for (int i = 0; i < kContacts; ++i) {
        exchange::ContactKeys k;
        k.counter = i + 2;
        if (i % 20 == 19) {
            k = contacts[size_t(random() % contacts.size())];
            k.counter = i + 2;
            switch (i % 3) {
            case 0:
                for (char& c : k.email)
                    c = char(std::toupper(static_cast<unsigned char>(c)));
                break;
            case 1:
                if (!k.phones.empty())
                    k.phones[0] = "+1 " + k.phones[0];
                k.email.clear();
                break;
            default:
                k.firstName += "e";
                k.email.clear();
                k.phones.clear();
            }
        } else {
            k.lastName = kLast[random() % std::size(kLast)];
            k.firstName = kFirst[random() % std::size(kFirst)];
            k.company = "Company " + std::to_string(random() % 2000);
            k.email = "person" + std::to_string(i) + "@example.org";
            k.phones.push_back("(" + std::to_string(200 + random() % 700) + ") " + std::to_string(200 + random() % 700)
                + "-" + std::to_string(1000 + random() % 9000));
        }
        contacts.push_back(std::move(k));
    }
    return contacts;
}

const std::filesystem::path& databaseDirectory()
{
    static const std::filesystem::path directory = [] {
        const auto dir = std::filesystem::temp_directory_path() / "pelmora-exchange-benchmark";
        if (std::filesystem::exists(dir / data::Database::kDatabaseFile))
            return dir;
        std::filesystem::create_directories(dir);
        auto database = data::Database::create(dir);
        data::SqlDatabase& sql = database->sql();
        data::Transaction transaction(sql);
        for (const exchange::ContactKeys& k : makeContacts()) {
            sql.prepare(
                   "INSERT INTO Contacts (Counter, LName, FName, Company, EMail, Phone1) VALUES (?, ?, ?, ?, ?, ?)")
                .bindAll({ k.counter, k.lastName, k.firstName, k.company, k.email,
                    k.phones.empty() ? data::Value() : data::Value(k.phones[0]) })
                .run();
        }
        transaction.commit();
        return dir;
    }();
    return directory;
}

void BM_FindDuplicatesInMemory(benchmark::State& state)
{
    const auto contacts = makeContacts();
    size_t pairs = 0;
    for (auto _ : state)
        pairs = exchange::findDuplicates(contacts).size();
    state.counters["pairs"] = double(pairs);
}
BENCHMARK(BM_FindDuplicatesInMemory)->Unit(benchmark::kMillisecond);

void BM_FindDuplicatesFromDatabase(benchmark::State& state)
{
    auto database = data::Database::open(databaseDirectory());
    size_t pairs = 0;
    for (auto _ : state)
        pairs = exchange::findDuplicates(exchange::readContactKeys(database->sql())).size();
    state.counters["pairs"] = double(pairs);
}
BENCHMARK(BM_FindDuplicatesFromDatabase)->Unit(benchmark::kMillisecond);

void BM_PeerReadKeysWithSqlite(benchmark::State& state)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2((databaseDirectory() / data::Database::kDatabaseFile).c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
    size_t bytes = 0;
    for (auto _ : state) {
        sqlite3_stmt* st = nullptr;
        sqlite3_prepare_v2(db,
            "SELECT Counter, LName, FName, Company, EMail, Phone1, Phone2, Cellular, Fax FROM Contacts ORDER BY "
            "Counter",
            -1, &st, nullptr);
        while (sqlite3_step(st) == SQLITE_ROW) {
            for (int c = 1; c < 9; ++c)
                bytes += size_t(sqlite3_column_bytes(st, c));
        }
        sqlite3_finalize(st);
    }
    benchmark::DoNotOptimize(bytes);
    sqlite3_close(db);
}
BENCHMARK(BM_PeerReadKeysWithSqlite)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
