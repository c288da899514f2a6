#include "DataTestSupport.h"

#include <gtest/gtest.h>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace pelmora::data {
namespace {

constexpr int kDetails = 4000;

std::int64_t scalar(SqlDatabase& sql, const std::string& query)
{
    Statement& st = sql.prepare(query);
    st.step();
    const std::int64_t value = st.columnInt(0);
    st.reset();
    return value;
}

// Runs `work` on the data module in a child process, killed after `delayMs` (never when negative).
template <typename Work> void runKilled(const test::DataModuleFixture& fixture, int delayMs, Work work)
{
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        test::ScriptedPrompts prompts;
        TfrmDataModule module(prompts, fixture.dataDir, fixture.attachDir);
        module.openDatabase(fixture.dataDir);
        work(module);
        _exit(0);
    }
    if (delayMs >= 0) {
        usleep(useconds_t(delayMs) * 1000);
        kill(child, SIGKILL);
    }
    int status = 0;
    waitpid(child, &status, 0);
}

// The contact cascade killed at different moments: whatever was on disk afterwards is a sound
// file holding the whole contact or none of it.
TEST(CrashSafety, KillingTheCascadeLeavesTheContactWholeOrGone)
{
    test::DataModuleFixture fixture;
    auto& sql = fixture.module->currentDatabase()->sql();
    sql.exec("INSERT INTO Contacts (Counter, LName) VALUES (900, 'Doomed')");
    sql.exec("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(kDetails)
        + ") INSERT INTO EMAIL (Contact, Subject) SELECT 900, 'm' || i FROM n");
    sql.exec("INSERT INTO Activity (Contact, Activity) SELECT 900, Subject FROM EMAIL WHERE Contact = 900");
    sql.exec("INSERT INTO Links (Contact, Title) SELECT 900, Subject FROM EMAIL WHERE Contact = 900");
    fixture.module.reset(); // the child works on the file alone

    bool sawGone = false;
    // The last round is not killed: the cascade must then have run to its end.
    for (int delayMs : { 2, 10, 30, 80, 200, -1 }) {
        runKilled(fixture, delayMs, [](TfrmDataModule& module) {
            if (module.TBLCon.gotoRowId(900))
                module.TBLCon.remove();
        });

        auto database = Database::open(fixture.dataDir);
        Statement& check = database->sql().prepare("PRAGMA integrity_check");
        ASSERT_TRUE(check.step());
        EXPECT_EQ(valueToString(check.column(0)), "ok") << delayMs;
        check.reset();
        const bool present = scalar(database->sql(), "SELECT COUNT(*) FROM Contacts WHERE Counter = 900") == 1;
        const std::int64_t expected = present ? kDetails : 0;
        for (const char* table : { "EMAIL", "Activity", "Links" })
            EXPECT_EQ(scalar(database->sql(), std::string("SELECT COUNT(*) FROM ") + table + " WHERE Contact = 900"),
                expected)
                << table << " after " << delayMs << " ms";
        sawGone = sawGone || !present;
        if (!present)
            break;
    }
    EXPECT_TRUE(sawGone) << "the cascade did not delete the contact";
}

// Emptying a database is one transaction too: killed, it leaves every table full or every one empty.
TEST(CrashSafety, KillingTheEmptyingLeavesEveryTableFullOrEmpty)
{
    test::DataModuleFixture fixture;
    auto& sql = fixture.module->currentDatabase()->sql();
    sql.exec("WITH RECURSIVE n(i) AS (SELECT 10 UNION ALL SELECT i + 1 FROM n WHERE i < 20000) "
             "INSERT INTO Contacts (Counter, LName, Comments) SELECT i, 'Name' || i, printf('%.500c', 'x') FROM n");
    sql.exec("INSERT INTO Activity (Contact, Activity) SELECT Counter, LName FROM Contacts");
    const std::int64_t contacts = scalar(sql, "SELECT COUNT(*) FROM Contacts");
    const std::int64_t activities = scalar(sql, "SELECT COUNT(*) FROM Activity");
    fixture.module.reset();

    for (int delayMs : { 5, 20, 60, -1 }) {
        runKilled(fixture, delayMs, [](TfrmDataModule& module) { module.emptyAll(); });
        auto database = Database::open(fixture.dataDir);
        EXPECT_EQ(
            scalar(database->sql(), "SELECT COUNT(*) FROM pragma_integrity_check WHERE integrity_check <> 'ok'"), 0);
        const std::int64_t left = scalar(database->sql(), "SELECT COUNT(*) FROM Contacts");
        EXPECT_TRUE(left == 0 || left == contacts) << left << " after " << delayMs << " ms";
        EXPECT_EQ(scalar(database->sql(), "SELECT COUNT(*) FROM Activity"), left == 0 ? 0 : activities);
        if (delayMs < 0) {
            EXPECT_EQ(left, 0);
        }
    }
}

} // namespace
} // namespace pelmora::data
