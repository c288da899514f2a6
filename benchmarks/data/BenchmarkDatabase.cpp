#include "BenchmarkDatabase.h"

#include "data/Database.h"
#include "data/SampleDatabase.h"

#include <string>

namespace pelmora::bench {

namespace {

void fill(data::SqlDatabase& sql)
{
    const std::string n = std::to_string(kContacts + 1);
    sql.exec("DELETE FROM Contacts; DELETE FROM Activity; DELETE FROM EMAIL;");
    sql.exec("WITH RECURSIVE n(i) AS (SELECT 2 UNION ALL SELECT i + 1 FROM n WHERE i <= " + n
        + ") INSERT INTO Contacts (Counter, LName, FName, Company, CategoryA, City, Mark, Created) "
          "SELECT i, 'Name' || (i * 7919 % 100003), 'First' || (i % 997), 'Company ' || (i % 5003), "
          "CASE WHEN i % 10 = 0 THEN 'X' ELSE 'Category ' || (i % 10) END, 'City' || (i % 300), i % 2, "
          "'2026-01-01' FROM n");
    for (int d = 0; d < kDetailsEach; ++d) {
        const std::string k = std::to_string(d);
        sql.exec("INSERT INTO Activity (Contact, Activity, DateOf, Done, Detailes) SELECT Counter, 'Call', "
                 "'2026-02-0"
            + std::to_string(d + 1) + "', 0, 'Activity " + k + " of ' || LName FROM Contacts");
        sql.exec("INSERT INTO EMAIL (Contact, Subject, SenderName, SenderEmail, Body, Status, AttachNum) "
                 "SELECT Counter, 'Message "
            + k
            + "', FName, 'someone@example.org', "
              "'A body of some length to read like a short letter. ' || LName, "
            + k + " % 2, 0 FROM Contacts");
    }
}

} // namespace

const std::filesystem::path& benchmarkDataDirectory()
{
    static const std::filesystem::path dir = [] {
        const auto path = std::filesystem::temp_directory_path() / "pelmora-data-benchmark";
        const auto done = path / "complete";
        if (!std::filesystem::exists(done)) {
            std::filesystem::remove_all(path);
            data::ensureSampleDatabase(path);
            auto database = data::Database::open(path);
            data::Transaction transaction(database->sql());
            fill(database->sql());
            transaction.commit();
            database->checkpoint();
            std::filesystem::create_directories(done);
        }
        return path;
    }();
    return dir;
}

} // namespace pelmora::bench
