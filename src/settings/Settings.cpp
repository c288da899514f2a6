#include "settings/Settings.h"

#include "base/Error.h"
#include "settings/IniFile.h"
#include "settings/IniLine.h"
#include "settings/Paths.h"

#include <variant>

namespace pelmora::settings {

namespace {

using Member = std::variant<std::string Settings::*, int Settings::*>;

struct KeyBinding {
    SettingKey key;
    Member member;
};

// The order is the order of writing at exit, which later readers of the file may rely on.
const std::vector<KeyBinding>& bindings()
{
    static const std::vector<KeyBinding> all = {
        { { "SmtpServer", false, true }, &Settings::smtpServer },
        { { "EMail Address", false, true }, &Settings::emailAddress },
        { { "Sender Name", false, true }, &Settings::senderName },
        { { "CharSet", true, true }, &Settings::charSet },
        { { "Encoding", true, true }, &Settings::encoding },
        { { "Server", false, true }, &Settings::server },
        { { "User Name", false, true }, &Settings::userName },
        { { "Password", false, true }, &Settings::password },
        { { "RAS", true, true }, &Settings::ras },
        { { "DefImp", true, true }, &Settings::defImp },
        { { "DefImpStr", false, true }, &Settings::defImpStr },
        { { "LastData", false, true }, &Settings::lastData },
        { { "FileHtm", false, true }, &Settings::fileHtm },
        { { "LastDataName", false, true }, &Settings::lastDataName },
        { { "Log File", false, false }, &Settings::logFile },
    };
    return all;
}

const KeyBinding& bindingFor(std::string_view name)
{
    for (const KeyBinding& binding : bindings()) {
        if (iniNamesEqual(binding.key.name, name))
            return binding;
    }
    throw Error("Unknown setting \"" + std::string(name) + "\"");
}

} // namespace

const std::vector<SettingKey>& settingKeys()
{
    static const std::vector<SettingKey> keys = [] {
        std::vector<SettingKey> list;
        for (const KeyBinding& binding : bindings())
            list.push_back(binding.key);
        return list;
    }();
    return keys;
}

const SettingKey* findSettingKey(std::string_view name)
{
    for (const SettingKey& key : settingKeys()) {
        if (iniNamesEqual(key.name, name))
            return &key;
    }
    return nullptr;
}

Settings Settings::load(const std::filesystem::path& iniPath)
{
    const IniFile ini = IniFile::load(iniPath);
    Settings settings;
    for (const KeyBinding& binding : bindings()) {
        if (auto text = std::get_if<std::string Settings::*>(&binding.member)) {
            settings.*(*text) = ini.value(kSetupSection, binding.key.name).value_or("");
        } else {
            int Settings::*number = std::get<int Settings::*>(binding.member);
            settings.*number = ini.integer(kSetupSection, binding.key.name, settings.*number);
        }
    }
    return settings;
}

void Settings::save(const std::filesystem::path& iniPath, bool withLogFile) const
{
    IniFile ini = IniFile::load(iniPath);
    for (const KeyBinding& binding : bindings()) {
        if (binding.key.writtenAtExit || withLogFile)
            ini.setValue(kSetupSection, binding.key.name, get(binding.key.name));
    }
    ini.save(iniPath);
}

void Settings::applyStartDefaults(const Paths& paths)
{
    if (fileHtm.empty())
        fileHtm = "1";
    if (lastData.empty() || lastData == "Sample")
        lastData = paths.dataDir().string();
}

void Settings::applyExitDefaults(const Paths& paths)
{
    if (lastData.empty())
        lastData = paths.dataDir().string();
}

std::string Settings::get(std::string_view key) const
{
    const Member& member = bindingFor(key).member;
    if (auto text = std::get_if<std::string Settings::*>(&member))
        return this->*(*text);
    return std::to_string(this->*std::get<int Settings::*>(member));
}

void Settings::set(std::string_view key, const std::string& value)
{
    const KeyBinding& binding = bindingFor(key);
    if (auto text = std::get_if<std::string Settings::*>(&binding.member)) {
        this->*(*text) = value;
        return;
    }
    // A fallback that differs from every result marks text that is not a number. Every integer
    // key is a count or a position in a list, so a negative one is refused as well.
    const int first = parseIniInteger(value, 0);
    if (first != parseIniInteger(value, 1) || first < 0)
        throw Error("The setting " + std::string(binding.key.name) + " must be a whole number of 0 or more, not \""
            + value + "\"");
    this->*std::get<int Settings::*>(binding.member) = first;
}

} // namespace pelmora::settings
