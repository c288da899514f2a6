#pragma once

#include "data/DatabaseSet.h"
#include "data/DataModuleOperations.h"
#include "data/DataPrompts.h"
#include "data/TfrmDataModule.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace pelmora::test {

// Answers the commands' questions from a script and records every message.
class ScriptedPrompts : public data::DatabasePrompts {
public:
    std::deque<std::optional<std::string>> names;
    std::deque<std::optional<std::filesystem::path>> paths;
    std::deque<bool> answers; // confirm(); true when the script runs out
    std::vector<std::string> messages;
    std::vector<std::string> questions;

    void message(const std::string& text) override { messages.push_back(text); }
    bool confirm(const std::string& text, bool) override;
    std::optional<std::string> askName(const std::string&, const std::string&) override;
    std::optional<std::filesystem::path> askSavePath(const std::string&) override { return nextPath(); }
    std::optional<std::filesystem::path> askOpenPath(const std::string&) override { return nextPath(); }
    bool said(const std::string& text) const;

private:
    std::optional<std::filesystem::path> nextPath();
};

// A program directory whose data directory holds the Sample database (with more contacts than
// its seed) and the database list; the Sample database is open in the data module.
class DatabaseSetTest : public ::testing::Test {
protected:
    DatabaseSetTest();

    std::filesystem::path dataDir() const { return m_home.path() / "data"; }
    const std::filesystem::path& openDir() const { return module.currentDirectory(); }
    // Rows of a table of dir/database.sqlite.
    static int count(const std::filesystem::path& dir, const std::string& table);
    static void addContacts(const std::filesystem::path& dir, int number);
    static std::string integrity(const std::filesystem::path& dir);
    // Restore's staging and back-up's snapshot directories start with a dot; none may stay.
    static int hiddenEntries(const std::filesystem::path& dir);
    std::optional<data::DatabaseRow> row(const std::string& name);
    data::DatabaseRow newDatabase(const std::string& name);

    TempDir m_home;
    data::DefaultPrompts dataPrompts;
    data::TfrmDataModule module;
    data::DataModuleOperations dataModule;
    data::CurrentDatabase current;
    ScriptedPrompts prompts;
    data::DatabaseSet set;
    int sampleContacts = 0;
};

} // namespace pelmora::test
