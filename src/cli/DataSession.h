#pragma once

#include "cli/Command.h"
#include "data/DataPrompts.h"
#include "data/TfrmDataModule.h"
#include "settings/Paths.h"
#include "settings/Settings.h"

#include <nlohmann/json.hpp>

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace pelmora::cli {

// The command line's answers to the data rules: an editor "closes with OK" after taking the
// FIELD=VALUE assignments of the command; every question gets its default answer.
class CliPrompts : public data::DataPrompts {
public:
    std::vector<std::pair<std::string, std::string>> assignments;
    bool applied = false;

    bool showEditor(data::TableView& view, const std::string& editor, const std::string& caption) override;
    bool confirm(const std::string& text) override;
    void apply(data::TableView& view);
};

// The data module opened on the current database, as the program does at start.
class DataSession {
public:
    explicit DataSession(const Context& context);

    data::TfrmDataModule& module() { return *m_module; }
    CliPrompts& prompts() { return m_prompts; }
    const settings::Settings& settings() const { return m_settings; }
    const settings::Paths& paths() const { return m_paths; }
    // The database a table lives in: the current one, or shared.sqlite for BaseName and MoreName.
    std::shared_ptr<data::Database> databaseFor(const data::TableDef& table);

private:
    settings::Paths m_paths;
    settings::Settings m_settings;
    CliPrompts m_prompts;
    std::unique_ptr<data::TfrmDataModule> m_module;
    std::shared_ptr<data::Database> m_current;
};

// FIELD=VALUE words, the field names checked against the table before anything is written.
std::vector<std::pair<std::string, std::string>> parseAssignments(
    const data::TableDef& table, const std::vector<std::string>& words);
// A record as JSON: field name -> value; dates ISO, logicals true/false, memos whole, blanks null.
nlohmann::ordered_json recordJson(const data::TableView& view, const std::vector<std::string>& fields);
std::int64_t parseCounter(const std::string& text, const std::string& what);

} // namespace pelmora::cli
