#include "TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>

using pelmora::test::runPelmora;
using pelmora::test::TempDir;
using pelmora::test::writeFile;
namespace fs = std::filesystem;

namespace {

// A stand-in daemon: "up" connects and waits to be hung up, anything else fails its script.
const char* fakePppd = R"(#!/bin/sh
trap 'exit 5' TERM
if [ "$2" = up ]; then
  echo "Serial connection established."
  echo "local  IP address 10.0.0.2"
  while :; do sleep 0.05; done
fi
echo "Connect script failed"
exit 8
)";

TEST(DialupCommandsTest, ListAndTestAgainstAStandIn)
{
    TempDir dir;
    fs::create_directory(dir / "peers");
    writeFile(dir / "peers" / "up", "");
    writeFile(dir / "peers" / "down", "");
    writeFile(dir / "pppd", fakePppd);
    fs::permissions(dir / "pppd", fs::perms::owner_all);
    ::setenv("PELMORA_PPP_PEERS", (dir / "peers").c_str(), 1);
    ::setenv("PELMORA_PPPD", (dir / "pppd").c_str(), 1);

    auto listed = runPelmora({ "dialup", "list" });
    ASSERT_EQ(listed.exitCode, 0) << listed.err;
    EXPECT_EQ(nlohmann::json::parse(listed.out), nlohmann::json({ "down", "up" }));

    auto up = runPelmora({ "dialup", "test", "up", "--timeout", "10" });
    ASSERT_EQ(up.exitCode, 0) << up.err;
    auto result = nlohmann::json::parse(up.out);
    EXPECT_TRUE(result["connected"].get<bool>());
    EXPECT_TRUE(result["dialed"].get<bool>());
    EXPECT_EQ(result["status"], nlohmann::json({ "Opening port", "Connecting device", "Connected" }));

    auto down = runPelmora({ "dialup", "test", "down" });
    EXPECT_EQ(down.exitCode, 1);
    result = nlohmann::json::parse(down.out);
    EXPECT_FALSE(result["connected"].get<bool>());
    EXPECT_EQ(result["error"], "The connect script failed");

    auto unknown = runPelmora({ "dialup", "test", "nowhere" });
    EXPECT_EQ(unknown.exitCode, 1);
    EXPECT_NE(unknown.err.find("Invalid service name"), std::string::npos) << unknown.err;

    EXPECT_EQ(runPelmora({ "dialup", "test", "up", "--timeout", "x" }).exitCode, 2);
}

} // namespace
