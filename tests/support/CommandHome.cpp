#include "CommandHome.h"

#include <gtest/gtest.h>

namespace pelmora::test {

RunResult CommandHome::run(std::vector<std::string> args, const std::string& input) const
{
    args.insert(args.begin(), { "--home", path().string() });
    return runPelmora(args, input);
}

nlohmann::json CommandHome::json(std::vector<std::string> args) const
{
    const RunResult result = run(std::move(args));
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return result.exitCode == 0 ? nlohmann::json::parse(result.out) : nlohmann::json();
}

std::int64_t CommandHome::number(std::vector<std::string> args) const
{
    const RunResult result = run(std::move(args));
    EXPECT_EQ(result.exitCode, 0) << result.err;
    return result.exitCode == 0 ? std::stoll(result.out) : -1;
}

} // namespace pelmora::test
