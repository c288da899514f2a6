#include "cli/DataSession.h"

#include "base/Error.h"

#include <charconv>
#include <iostream>

namespace pelmora::cli {

using data::FieldType;

bool CliPrompts::showEditor(data::TableView& view, const std::string&, const std::string&)
{
    apply(view);
    return true;
}

bool CliPrompts::confirm(const std::string& text)
{
    std::cerr << text << '\n';
    return true;
}

void CliPrompts::apply(data::TableView& view)
{
    applied = true;
    for (const auto& [field, value] : assignments)
        view.setString(field, value);
}

DataSession::DataSession(const Context& context)
    : m_paths(settings::Paths::resolve(context.home))
{
    m_settings = settings::Settings::load(m_paths.iniFile());
    m_settings.applyStartDefaults(m_paths);
    m_paths.createDirectories();
    m_module = std::make_unique<data::TfrmDataModule>(m_prompts, m_paths.dataDir(), m_paths.attachDir());
    m_module->openDatabase(m_settings.lastData);
}

std::shared_ptr<data::Database> DataSession::databaseFor(const data::TableDef& table)
{
    if (table.home == data::TableHome::DataDirectory)
        return m_module->TBLBaseName.databaseShared();
    return m_module->TBLCon.databaseShared();
}

std::vector<std::pair<std::string, std::string>> parseAssignments(
    const data::TableDef& table, const std::vector<std::string>& words)
{
    std::vector<std::pair<std::string, std::string>> assignments;
    for (const std::string& word : words) {
        const size_t equals = word.find('=');
        if (equals == std::string::npos || equals == 0)
            throw UsageError("Expected FIELD=VALUE, not \"" + word + "\"");
        const data::FieldDef* field = table.field(word.substr(0, equals));
        if (!field)
            throw Error("Unknown field \"" + word.substr(0, equals) + "\" in table " + table.fileName);
        assignments.emplace_back(field->name, word.substr(equals + 1));
    }
    return assignments;
}

nlohmann::ordered_json recordJson(const data::TableView& view, const std::vector<std::string>& fields)
{
    nlohmann::ordered_json json = nlohmann::ordered_json::object();
    for (const std::string& name : fields) {
        const data::Value value = view.value(name);
        const auto& field = view.fields()[size_t(view.fieldIndex(name))];
        if (data::isNull(value))
            json[field.name] = nullptr;
        else if (field.type == FieldType::Logical)
            json[field.name] = view.asBoolean(name);
        else if (const auto* i = std::get_if<std::int64_t>(&value))
            json[field.name] = *i;
        else if (const auto* d = std::get_if<double>(&value))
            json[field.name] = *d;
        else
            json[field.name] = std::get<std::string>(value);
    }
    return json;
}

std::int64_t parseCounter(const std::string& text, const std::string& what)
{
    std::int64_t number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size())
        throw UsageError(what + " must be a number, not \"" + text + "\"");
    return number;
}

} // namespace pelmora::cli
