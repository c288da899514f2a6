#pragma once

#include "TestSupport.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>
#include <vector>

namespace pelmora::test {

// A home directory of its own for the pelmora command: every run names it with --home, so a test
// never reads the user's settings or another test's database. The program builds its Sample
// database there on the first run.
class CommandHome : public TempDir {
public:
    RunResult run(std::vector<std::string> args, const std::string& input = {}) const;

    // What a command printed as JSON; a run that fails is reported as a test failure and gives null.
    nlohmann::json json(std::vector<std::string> args) const;

    // The number a command printed on its first line (`table add` prints the new counter); a run
    // that fails is reported as a test failure and gives -1.
    std::int64_t number(std::vector<std::string> args) const;
};

} // namespace pelmora::test
