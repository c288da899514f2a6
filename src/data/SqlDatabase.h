#pragma once

#include "data/Value.h"

#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace pelmora::data {

// One prepared statement. Reset before every use, so the statement cache can hand it out again.
class Statement {
public:
    Statement(sqlite3* db, const std::string& sql);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    Statement& reset();
    Statement& bind(int index, const Value& value); // 1-based
    Statement& bindAll(const std::vector<Value>& values);
    int parameterIndex(const std::string& name) const; // of ":Name"; 0 when absent
    // Advances to the next row; false at the end.
    bool step();
    // Runs a statement that returns no rows, and leaves it idle so it holds no read transaction.
    void run();

    int columnCount() const;
    std::string columnName(int column) const;
    Value column(int column) const;
    std::int64_t columnInt(int column) const;

private:
    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
};

// An open SQLite file with a cache of prepared statements. Writes nest through savepoints, so a
// rule that runs inside another engine operation joins that operation's transaction.
class SqlDatabase {
public:
    explicit SqlDatabase(const std::filesystem::path& file, bool create = false);
    ~SqlDatabase();
    SqlDatabase(const SqlDatabase&) = delete;
    SqlDatabase& operator=(const SqlDatabase&) = delete;

    const std::filesystem::path& file() const { return m_file; }
    void exec(const std::string& sql);
    // A cached statement, reset and ready to bind. Valid until the next call with the same text.
    Statement& prepare(const std::string& sql);
    // The first column of the first row, the statement finished at once (an unfinished read
    // would lock the table against writes on this connection).
    std::int64_t scalar(const std::string& sql, const std::vector<Value>& params = {});
    std::int64_t lastInsertRowId() const;
    int changes() const;
    // What differs whenever a table of the file may have changed: rows written through this
    // connection, its rollbacks, and commits of other connections. Anything read and kept beside
    // an equal stamp still holds.
    struct ChangeStamp {
        std::int64_t own = -1;
        std::int64_t rollbacks = -1;
        std::int64_t others = -1;
        bool operator==(const ChangeStamp&) const = default;
    };
    ChangeStamp changeStamp();
    int savepointDepth() const { return m_depth; }
    // Drops the cached statements (VACUUM needs none to be in flight).
    void clearCache() { m_cache.clear(); }

    // Runs `action` once the outermost transaction commits; dropped when its level rolls back.
    // Files are deleted this way, as a rolled-back delete must leave them in place.
    void afterCommit(std::function<void()> action);

    // Called by Transaction only.
    void begin();
    void commit();
    void rollback();
    void runAfterCommit();

private:
    std::filesystem::path m_file;
    sqlite3* m_db = nullptr;
    std::map<std::string, std::unique_ptr<Statement>> m_cache;
    int m_depth = 0;
    std::int64_t m_rollbacks = 0;
    std::vector<std::pair<int, std::function<void()>>> m_afterCommit;
};

// Rolls back unless committed: work that belongs together is all done or not at all.
class Transaction {
public:
    explicit Transaction(SqlDatabase& db)
        : m_db(db)
    {
        m_db.begin();
    }
    ~Transaction();
    Transaction(const Transaction&) = delete;
    Transaction& operator=(const Transaction&) = delete;
    void commit();

private:
    SqlDatabase& m_db;
    bool m_done = false;
};

} // namespace pelmora::data
