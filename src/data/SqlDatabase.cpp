#include "data/SqlDatabase.h"

#include "data/DataError.h"

#include <sqlite3.h>

#include <algorithm>

namespace pelmora::data {

namespace {

[[noreturn]] void fail(sqlite3* db, const std::string& what)
{
    throw EDatabaseError(what + ": " + (db ? sqlite3_errmsg(db) : "out of memory"));
}

} // namespace

Statement::Statement(sqlite3* db, const std::string& sql)
    : m_db(db)
{
    if (sqlite3_prepare_v2(db, sql.c_str(), int(sql.size()), &m_stmt, nullptr) != SQLITE_OK)
        fail(db, "Cannot prepare a database query");
}

Statement::~Statement()
{
    sqlite3_finalize(m_stmt);
}

Statement& Statement::reset()
{
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
    return *this;
}

Statement& Statement::bind(int index, const Value& value)
{
    int rc = SQLITE_OK;
    if (const auto* i = std::get_if<std::int64_t>(&value))
        rc = sqlite3_bind_int64(m_stmt, index, *i);
    else if (const auto* d = std::get_if<double>(&value))
        rc = sqlite3_bind_double(m_stmt, index, *d);
    else if (const auto* s = std::get_if<std::string>(&value))
        rc = sqlite3_bind_text(m_stmt, index, s->data(), int(s->size()), SQLITE_TRANSIENT);
    else
        rc = sqlite3_bind_null(m_stmt, index);
    if (rc != SQLITE_OK)
        fail(m_db, "Cannot bind a query parameter");
    return *this;
}

Statement& Statement::bindAll(const std::vector<Value>& values)
{
    for (size_t i = 0; i < values.size(); ++i)
        bind(int(i + 1), values[i]);
    return *this;
}

int Statement::parameterIndex(const std::string& name) const
{
    return sqlite3_bind_parameter_index(m_stmt, name.c_str());
}

bool Statement::step()
{
    const int rc = sqlite3_step(m_stmt);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    const std::string message = sqlite3_errmsg(m_db);
    sqlite3_reset(m_stmt);
    throw EDatabaseError("Database error: " + message);
}

void Statement::run()
{
    step();
    sqlite3_reset(m_stmt);
}

int Statement::columnCount() const
{
    return sqlite3_column_count(m_stmt);
}

std::string Statement::columnName(int column) const
{
    return sqlite3_column_name(m_stmt, column);
}

Value Statement::column(int column) const
{
    switch (sqlite3_column_type(m_stmt, column)) {
    case SQLITE_INTEGER:
        return std::int64_t(sqlite3_column_int64(m_stmt, column));
    case SQLITE_FLOAT:
        return sqlite3_column_double(m_stmt, column);
    case SQLITE_NULL:
        return std::monostate {};
    default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(m_stmt, column));
        return std::string(text ? text : "", size_t(sqlite3_column_bytes(m_stmt, column)));
    }
    }
}

std::int64_t Statement::columnInt(int column) const
{
    return sqlite3_column_int64(m_stmt, column);
}

SqlDatabase::SqlDatabase(const std::filesystem::path& file, bool create)
    : m_file(file)
{
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
    if (sqlite3_open_v2(file.c_str(), &m_db, flags, nullptr) != SQLITE_OK) {
        const std::string message = m_db ? sqlite3_errmsg(m_db) : "out of memory";
        sqlite3_close(m_db);
        m_db = nullptr;
        throw EDatabaseError("Cannot open the database file " + file.string() + ": " + message);
    }
    sqlite3_busy_timeout(m_db, 5000);
    try {
        exec("PRAGMA foreign_keys = OFF; PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL;");
    } catch (const EDatabaseError& error) {
        // A file that is no database fails here; no destructor runs for a half-made object.
        sqlite3_close(m_db);
        m_db = nullptr;
        throw EDatabaseError("Cannot open the database file " + file.string() + ": " + error.what());
    }
}

SqlDatabase::~SqlDatabase()
{
    m_cache.clear();
    sqlite3_close(m_db);
}

void SqlDatabase::exec(const std::string& sql)
{
    char* error = nullptr;
    if (sqlite3_exec(m_db, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        const std::string message = error ? error : sqlite3_errmsg(m_db);
        sqlite3_free(error);
        throw EDatabaseError("Database error: " + message);
    }
}

Statement& SqlDatabase::prepare(const std::string& sql)
{
    auto& slot = m_cache[sql];
    if (!slot)
        slot = std::make_unique<Statement>(m_db, sql);
    return slot->reset();
}

std::int64_t SqlDatabase::scalar(const std::string& sql, const std::vector<Value>& params)
{
    Statement& st = prepare(sql);
    st.bindAll(params);
    const std::int64_t value = st.step() ? st.columnInt(0) : 0;
    st.reset();
    return value;
}

std::int64_t SqlDatabase::lastInsertRowId() const
{
    return sqlite3_last_insert_rowid(m_db);
}

int SqlDatabase::changes() const
{
    return sqlite3_changes(m_db);
}

SqlDatabase::ChangeStamp SqlDatabase::changeStamp()
{
    return { sqlite3_total_changes64(m_db), m_rollbacks, scalar("PRAGMA data_version") };
}

void SqlDatabase::begin()
{
    exec(m_depth == 0 ? "BEGIN IMMEDIATE" : "SAVEPOINT nested");
    ++m_depth;
}

void SqlDatabase::afterCommit(std::function<void()> action)
{
    if (m_depth == 0) {
        action();
        return;
    }
    m_afterCommit.emplace_back(m_depth, std::move(action));
}

void SqlDatabase::commit()
{
    exec(m_depth == 1 ? "COMMIT" : "RELEASE nested");
    --m_depth;
    for (auto& entry : m_afterCommit)
        entry.first = std::min(entry.first, m_depth);
}

void SqlDatabase::runAfterCommit()
{
    if (m_depth != 0)
        return;
    auto actions = std::move(m_afterCommit);
    m_afterCommit.clear();
    for (auto& entry : actions)
        entry.second();
}

void SqlDatabase::rollback()
{
    const int level = m_depth--;
    ++m_rollbacks;
    std::erase_if(m_afterCommit, [level](const auto& entry) { return entry.first >= level; });
    if (level == 1)
        exec("ROLLBACK");
    else
        exec("ROLLBACK TO nested; RELEASE nested");
}

Transaction::~Transaction()
{
    if (!m_done) {
        try {
            m_db.rollback();
        } catch (...) {
            // The connection is already in error; the transaction is gone with it.
        }
    }
}

void Transaction::commit()
{
    m_db.commit();
    m_done = true; // committed: whatever the actions below throw, there is nothing to roll back
    m_db.runAfterCommit();
}

} // namespace pelmora::data
