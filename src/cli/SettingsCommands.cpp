// `pelmora settings`: the INI settings as the program sees them, and changing them.
#include "base/Error.h"
#include "cli/Command.h"
#include "settings/Paths.h"
#include "settings/Settings.h"

#include <nlohmann/json.hpp>

#include <iostream>
#include <utility>

namespace pelmora::cli {

namespace {

using settings::Paths;
using settings::Settings;

// Kept in the order of the file, which a plain json object would sort away.
nlohmann::ordered_json toJson(const Settings& values)
{
    nlohmann::ordered_json json = nlohmann::ordered_json::object();
    for (const settings::SettingKey& key : settings::settingKeys()) {
        const std::string text = values.get(key.name);
        if (key.isInteger)
            json[key.name] = std::stoi(text);
        else
            json[key.name] = text;
    }
    return json;
}

// Settings as they stand once the program has started: the file, then the start-up defaults.
Settings startSettings(const Paths& paths)
{
    Settings values = Settings::load(paths.iniFile());
    values.applyStartDefaults(paths);
    return values;
}

std::pair<std::string, std::string> splitAssignment(const std::string& word)
{
    const size_t equals = word.find('=');
    if (equals == std::string::npos || equals == 0)
        throw UsageError("Expected KEY=VALUE, not \"" + word + "\"");
    return { word.substr(0, equals), word.substr(equals + 1) };
}

int showSettings(const Paths& paths)
{
    std::cout << toJson(startSettings(paths)).dump(2, ' ', false, nlohmann::json::error_handler_t::replace) << '\n';
    return 0;
}

// Every assignment is checked before anything is written, so one bad argument changes nothing.
int setSettings(const Paths& paths, const std::vector<std::string>& assignments)
{
    if (assignments.empty())
        throw UsageError("settings set needs at least one KEY=VALUE");
    Settings values = startSettings(paths);
    bool logFileSet = false;
    for (const std::string& word : assignments) {
        auto [key, value] = splitAssignment(word);
        const settings::SettingKey* known = settings::findSettingKey(key);
        if (!known)
            throw Error("Unknown setting \"" + key + "\"");
        values.set(known->name, value);
        logFileSet = logFileSet || !known->writtenAtExit;
    }
    values.applyExitDefaults(paths);
    paths.createDirectories();
    values.save(paths.iniFile(), logFileSet);
    return 0;
}

int run(Context& context, std::vector<std::string> words)
{
    const Paths paths = Paths::resolve(context.home);
    if (words.empty())
        return showSettings(paths);
    if (words.front() == "set") {
        words.erase(words.begin());
        return setSettings(paths, words);
    }
    throw UsageError("Unknown settings command \"" + words.front() + "\"; see pelmora --help");
}

} // namespace

const CommandGroup settingsGroup = {
    "settings",
    "  pelmora settings                      the INI settings, defaults applied (JSON)\n"
    "  pelmora settings set KEY=VALUE ...    change settings and write the INI file\n",
    run,
};

} // namespace pelmora::cli
