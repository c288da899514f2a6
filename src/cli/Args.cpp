#include "cli/Args.h"

#include "base/Error.h"

namespace pelmora::cli {

Args::Args(
    std::vector<std::string> words, const std::set<std::string>& valueOptions, const std::set<std::string>& flagOptions)
{
    bool optionsEnded = false;
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (!optionsEnded && word == "--") {
            optionsEnded = true;
            continue;
        }
        if (optionsEnded || word.size() < 3 || word.compare(0, 2, "--") != 0) {
            m_positionals.push_back(word);
            continue;
        }
        std::string name = word.substr(2);
        std::optional<std::string> inlineValue;
        if (auto eq = name.find('='); eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name.resize(eq);
        }
        if (valueOptions.count(name)) {
            if (inlineValue) {
                m_options.emplace(name, *inlineValue);
            } else {
                if (i + 1 >= words.size())
                    throw UsageError("Option --" + name + " needs a value");
                m_options.emplace(name, words[++i]);
            }
        } else if (flagOptions.count(name) && !inlineValue) {
            m_flags.insert(name);
        } else {
            throw UsageError("Unknown option --" + name);
        }
    }
}

std::string Args::next(const std::string& what)
{
    if (m_next >= m_positionals.size())
        throw UsageError("Missing " + what);
    return m_positionals[m_next++];
}

std::optional<std::string> Args::nextOptional()
{
    if (m_next >= m_positionals.size())
        return std::nullopt;
    return m_positionals[m_next++];
}

std::vector<std::string> Args::rest()
{
    std::vector<std::string> words(m_positionals.begin() + static_cast<long>(m_next), m_positionals.end());
    m_next = m_positionals.size();
    return words;
}

void Args::expectEnd() const
{
    if (m_next < m_positionals.size())
        throw UsageError("Unexpected argument \"" + m_positionals[m_next] + "\"");
}

bool Args::flag(const std::string& name) const
{
    return m_flags.count(name) != 0;
}

std::optional<std::string> Args::option(const std::string& name) const
{
    auto range = m_options.equal_range(name);
    if (range.first == range.second)
        return std::nullopt;
    std::optional<std::string> last;
    for (auto it = range.first; it != range.second; ++it)
        last = it->second;
    return last;
}

std::string Args::required(const std::string& name) const
{
    auto value = option(name);
    if (!value)
        throw UsageError("Missing option --" + name);
    return *value;
}

std::vector<std::string> Args::options(const std::string& name) const
{
    std::vector<std::string> values;
    auto range = m_options.equal_range(name);
    for (auto it = range.first; it != range.second; ++it)
        values.push_back(it->second);
    return values;
}

int Args::seconds(const std::string& name, int fallback) const
{
    auto text = option(name);
    if (!text)
        return fallback;
    try {
        std::size_t used = 0;
        int value = std::stoi(*text, &used);
        if (used == text->size() && value >= 0)
            return value;
    } catch (const std::exception&) {
    }
    throw UsageError("--" + name + " needs a number of seconds, not \"" + *text + "\"");
}

} // namespace pelmora::cli
