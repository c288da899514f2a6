#include "net/SocketErrors.h"
#include "net/TagRas.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <filesystem>

using namespace pelmora::net;
using pelmora::test::readFile;
using pelmora::test::TempDir;
using pelmora::test::writeFile;
using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

namespace {

// A stand-in daemon: it logs its arguments (and the options file it was handed) beside itself,
// then plays the dial the entry's name asks for. SIGTERM is logged so a hang-up can be seen.
const char* fakePppd = R"(#!/bin/sh
dir=$(dirname "$0")
entry="$2"
echo "$*" >> "$dir/args"
while [ $# -gt 0 ]; do
  if [ "$1" = file ]; then
    stat -c %a "$2" >> "$dir/mode"; cat "$2" >> "$dir/options"; echo "$2" >> "$dir/optpath"
  fi
  shift
done
trap 'echo hungup >> "$dir/events"; exit 5' TERM
case "$entry" in
  fast)
    echo "Serial connection established."
    echo "Connect: ppp0 <--> /dev/ttyS0"
    echo "PAP authentication succeeded"
    echo "local  IP address 10.0.0.2"
    while :; do sleep 0.05; done ;;
  broken)
    echo "Connect script failed"
    exit 8 ;;
  refused)
    echo "Serial connection established."
    echo "PAP authentication failed"
    exit 19 ;;
  *)
    echo "Serial connection established."
    while :; do sleep 0.05; done ;;
esac
)";

struct Fixture {
    TempDir dir;
    fs::path peers = dir / "peers";
    fs::path pppd = dir / "pppd";

    Fixture()
    {
        fs::create_directory(peers);
        for (const char* name : { "slow", "fast", "broken", "refused" })
            writeFile(peers / name, "/dev/ttyS0\n");
        fs::create_directory(peers / "subfolder");
        writeFile(pppd, fakePppd);
        fs::permissions(pppd, fs::perms::owner_all);
    }

    std::unique_ptr<TagRas> ras(const std::string& service)
    {
        auto component = std::make_unique<TagRas>(makePppdRasBackend(peers, pppd));
        EXPECT_EQ(component->setService(service), std::nullopt);
        return component;
    }

    std::string events() const { return fs::exists(dir / "events") ? readFile(dir / "events") : ""; }
};

TEST(RasTest, EntriesAndServiceValidation)
{
    TagRas none;
    EXPECT_TRUE(none.Entries().empty());
    EXPECT_EQ(none.setService("fast"), "TagRas component was unable to detect\rRAS on your system.");
    EXPECT_EQ(none.Service(), "");
    none.Connect(); // nothing to dial: counts as up, and is never hung up
    EXPECT_TRUE(none.Connected());
    EXPECT_FALSE(none.DialedByMe());

    Fixture f;
    TagRas ras(makePppdRasBackend(f.peers, f.pppd));
    EXPECT_EQ(ras.Entries(), (std::vector<std::string> { "broken", "fast", "refused", "slow" }));
    EXPECT_EQ(ras.setService("fast"), std::nullopt);
    EXPECT_EQ(ras.setService("../fast"), "Invalid service name");
    EXPECT_EQ(ras.Service(), "");
    // An entry of the list handed out is a valid name while the list is read anew.
    EXPECT_EQ(ras.setService(ras.Entries()[1]), std::nullopt);
    EXPECT_EQ(ras.Service(), "fast");

    TagRas missing(makePppdRasBackend(f.dir / "nowhere", f.pppd));
    EXPECT_TRUE(missing.Entries().empty());
}

TEST(RasTest, DialReportsStatusAndHangsUpOnlyItsChild)
{
    Fixture f;
    auto ras = f.ras("fast");
    std::vector<std::string> texts;
    int disconnected = 0;
    ras->OnStatusChange = [&](TagRas&, const std::string& text) { texts.push_back(text); };
    ras->OnDisconnected = [&](TagRas&) { ++disconnected; };
    ras->Connect();
    EXPECT_TRUE(ras->Connected());
    EXPECT_TRUE(ras->DialedByMe());
    EXPECT_EQ(texts, (std::vector<std::string> { "Opening port", "Connecting device", "Authenticated", "Connected" }));
    EXPECT_EQ(readFile(f.dir / "args"), "call fast nodetach\n");
    EXPECT_FALSE(ras->setService("slow").value_or("").empty()); // not while connected

    ras->Disconnect();
    EXPECT_FALSE(ras->Connected());
    EXPECT_EQ(disconnected, 1);
    EXPECT_EQ(f.events(), "hungup\n");
}

TEST(RasTest, FailuresCarryTheDaemonsReason)
{
    Fixture f;
    auto broken = f.ras("broken");
    try {
        broken->Connect();
        FAIL() << "a failed dial returned";
    } catch (const ERASError& error) {
        EXPECT_STREQ(error.what(), "The connect script failed");
    }
    EXPECT_FALSE(broken->Connected());

    auto refused = f.ras("refused");
    EXPECT_THROW(refused->Connect(), ERASError);

    TagRas noDaemon(makePppdRasBackend(f.peers, f.dir / "no-such-pppd"));
    ASSERT_EQ(noDaemon.setService("fast"), std::nullopt);
    EXPECT_THROW(noDaemon.Connect(), ERASError);
}

TEST(RasTest, TimeOutAndCancelHangUp)
{
    Fixture f;
    auto ras = f.ras("slow");
    ras->TimeOut = 1;
    auto start = Clock::now();
    EXPECT_THROW(ras->Connect(), ETimedOutError);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(8));
    EXPECT_EQ(f.events(), "hungup\n");

    fs::remove(f.dir / "events");
    auto cancelled = f.ras("slow");
    cancelled->TimeOut = 30;
    cancelled->OnStatusChange = [](TagRas& sender, const std::string& text) {
        if (text == "Connecting device")
            sender.Disconnect();
    };
    start = Clock::now();
    EXPECT_THROW(cancelled->Connect(), ECanceledError);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(8));
    EXPECT_EQ(f.events(), "hungup\n");
}

TEST(RasTest, PasswordTravelsOnlyInAPrivateFileThatIsRemoved)
{
    Fixture f;
    auto ras = f.ras("fast");
    ras->Password = "se cret\"\\x";
    ras->Connect();
    std::string args = readFile(f.dir / "args");
    EXPECT_EQ(args.find("cret"), std::string::npos) << args;
    EXPECT_EQ(readFile(f.dir / "mode"), "600\n");
    EXPECT_EQ(readFile(f.dir / "options"), "password \"se cret\\\"\\\\x\"\n");
    std::string path = readFile(f.dir / "optpath");
    path.pop_back();
    EXPECT_FALSE(fs::exists(path)) << "left behind once connected";
    ras->HangUp();

    auto bad = f.ras("fast");
    bad->Password = "two\nlines";
    EXPECT_THROW(bad->Connect(), ERASError);
}

} // namespace
