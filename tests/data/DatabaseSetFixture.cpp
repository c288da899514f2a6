#include "DatabaseSetFixture.h"

#include "data/DatabaseFiles.h"

namespace pelmora::test {

namespace fs = std::filesystem;

bool ScriptedPrompts::confirm(const std::string& text, bool)
{
    questions.push_back(text);
    if (answers.empty())
        return true;
    bool answer = answers.front();
    answers.pop_front();
    return answer;
}

std::optional<std::string> ScriptedPrompts::askName(const std::string&, const std::string&)
{
    if (names.empty())
        return std::nullopt;
    auto name = names.front();
    names.pop_front();
    return name;
}

std::optional<fs::path> ScriptedPrompts::nextPath()
{
    if (paths.empty())
        return std::nullopt;
    auto path = paths.front();
    paths.pop_front();
    return path;
}

bool ScriptedPrompts::said(const std::string& text) const
{
    for (const std::string& message : messages)
        if (message == text)
            return true;
    return false;
}

DatabaseSetTest::DatabaseSetTest()
    : module(dataPrompts, m_home.path() / "data", m_home.path() / "attach")
    , dataModule(module)
    , set(dataModule, prompts, m_home.path(), current)
{
    module.openDatabase(dataDir());
    current = { "Sample", dataDir().string() };
    addContacts(dataDir(), 21);
    sampleContacts = count(dataDir(), "Contacts");
}

int DatabaseSetTest::count(const fs::path& dir, const std::string& table)
{
    data::Connection db = data::openConnection(dir / "database.sqlite", SQLITE_OPEN_READONLY);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db.get(), ("SELECT count(*) FROM " + table).c_str(), -1, &statement, nullptr);
    int rows = sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int(statement, 0) : -1;
    sqlite3_finalize(statement);
    return rows;
}

void DatabaseSetTest::addContacts(const fs::path& dir, int number)
{
    data::Connection db = data::openConnection(dir / "database.sqlite", SQLITE_OPEN_READWRITE);
    for (int i = 0; i < number; ++i)
        data::execute(
            db.get(), "INSERT INTO Contacts (LName, Company) VALUES ('Added', 'Company " + std::to_string(i) + "')");
}

int DatabaseSetTest::hiddenEntries(const fs::path& dir)
{
    int hidden = 0;
    for (const auto& entry : fs::directory_iterator(dir))
        hidden += entry.path().filename().string().front() == '.';
    return hidden;
}

std::string DatabaseSetTest::integrity(const fs::path& dir)
{
    std::string problem = data::databaseProblem(dir / "database.sqlite");
    return problem.empty() ? "ok" : problem;
}

std::optional<data::DatabaseRow> DatabaseSetTest::row(const std::string& name)
{
    for (const data::DatabaseRow& candidate : dataModule.databaseRows())
        if (candidate.BaseName == name)
            return candidate;
    return std::nullopt;
}

data::DatabaseRow DatabaseSetTest::newDatabase(const std::string& name)
{
    prompts.names.push_back(name);
    EXPECT_TRUE(set.New());
    return *row(name);
}

} // namespace pelmora::test
