#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace pelmora::cli {

// The words of one command after its group name, split into positionals and --options.
// Each command says which options take a value and which are plain flags; anything else
// is a usage error, so a mistyped option never passes silently.
class Args {
public:
    Args(std::vector<std::string> words, const std::set<std::string>& valueOptions,
        const std::set<std::string>& flagOptions = {});

    // The next positional word; throws UsageError naming `what` when there is none.
    std::string next(const std::string& what);
    std::optional<std::string> nextOptional();
    std::vector<std::string> rest();
    // Throws UsageError when positionals are left over.
    void expectEnd() const;

    bool flag(const std::string& name) const;
    std::optional<std::string> option(const std::string& name) const;
    std::string required(const std::string& name) const;
    std::vector<std::string> options(const std::string& name) const;
    // A whole number of seconds, 0 or more; `fallback` when the option is absent.
    int seconds(const std::string& name, int fallback) const;

private:
    std::vector<std::string> m_positionals;
    size_t m_next = 0;
    std::multimap<std::string, std::string> m_options;
    std::set<std::string> m_flags;
};

} // namespace pelmora::cli
