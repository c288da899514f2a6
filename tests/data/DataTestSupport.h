#pragma once

#include "data/Database.h"
#include "data/DataPrompts.h"
#include "data/TableView.h"
#include "data/TfrmDataModule.h"
#include "TestSupport.h"

#include "PageFigures.h"

#include <cstdio>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace pelmora::test {

// Answers the data rules as a test tells it to, and records what was asked.
class ScriptedPrompts : public data::DataPrompts {
public:
    bool editorAnswer = true;
    std::function<void(data::TableView&)> fillEditor;
    std::vector<std::string> editors;
    std::vector<std::string> notDeleted;
    bool throwOnNotDeleted = false; // as a window might when the user closes it

    bool showEditor(data::TableView& view, const std::string& editor, const std::string&) override
    {
        editors.push_back(editor);
        if (fillEditor)
            fillEditor(view);
        return editorAnswer;
    }
    bool confirm(const std::string&) override { return true; }
    void fileNotDeleted(const std::string& path, const std::string& text) override
    {
        notDeleted.push_back(text + " " + path);
        if (throwOnNotDeleted)
            throw std::runtime_error("closed");
    }
};

// Runs a query through the sqlite3 shell, the reference the engine's answers are held against;
// one line per row, columns joined by '|'.
inline std::vector<std::string> sqliteShell(const std::filesystem::path& file, const std::string& sql)
{
    const std::string command = "sqlite3 -readonly '" + file.string() + "' \"" + sql + "\" 2>&1";
    std::vector<std::string> lines;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return lines;
    char buffer[4096];
    while (fgets(buffer, sizeof buffer, pipe)) {
        std::string line = buffer;
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        lines.push_back(line);
    }
    pclose(pipe);
    return lines;
}

inline bool haveSqliteShell()
{
    return std::system("sqlite3 -version >/dev/null 2>&1") == 0;
}

// The Counters a view shows, in its order, walking it with next().
inline std::vector<std::string> walk(data::TableView& view)
{
    std::vector<std::string> counters;
    for (view.first(); !view.isEmpty() && !view.eof(); view.next())
        counters.push_back(std::to_string(view.current()->rowId));
    return counters;
}

// A database directory with the Sample database, its data module open on it.
class DataModuleFixture {
public:
    DataModuleFixture()
        : dataDir(temp / "data")
        , attachDir(temp / "attach")
        , module(std::make_unique<data::TfrmDataModule>(prompts, dataDir, attachDir))
    {
        std::filesystem::create_directories(attachDir);
        module->openDatabase(dataDir);
    }

    std::filesystem::path databaseFile() const { return dataDir / "database.sqlite"; }

    TempDir temp;
    std::filesystem::path dataDir, attachDir;
    ScriptedPrompts prompts;
    std::unique_ptr<data::TfrmDataModule> module;
};

} // namespace pelmora::test
