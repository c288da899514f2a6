#include "net/SocketErrors.h"
#include "net/TagRas.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

extern char** environ;

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
echo $$ >> "$dir/pids"
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
  lingering)
    echo "Serial connection established."
    exec >/dev/null 2>&1
    sleep 1.5
    exit 8 ;;
  stubborn)
    trap 'sleep 1.5; echo hungup >> "$dir/events"; exit 5' TERM
    echo "local  IP address 10.0.0.9"
    while :; do sleep 0.05; done ;;
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
        for (const char* name : { "slow", "fast", "broken", "refused", "lingering", "stubborn" })
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
    EXPECT_EQ(
        ras.Entries(), (std::vector<std::string> { "broken", "fast", "lingering", "refused", "slow", "stubborn" }));
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

// True while `pid` runs (a zombie that no one reaped counts as gone).
bool running(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    if (!std::getline(stat, line))
        return false;
    const auto close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && line[close + 2] != 'Z';
}

// A daemon the system started for `entry`, not a child of any component.
pid_t startForeign(const Fixture& f, const std::string& entry)
{
    std::string pppd = f.pppd.string();
    std::string call = "call", nodetach = "nodetach", name = entry;
    char* argv[] = { pppd.data(), call.data(), name.data(), nodetach.data(), nullptr };
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    // A group of its own, so that it can be ended with the shell's forked children: one caught
    // between fork and exec still carries the daemon's command line and, orphaned, would look
    // like a link of its own to the next Connect.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid = -1;
    EXPECT_EQ(::posix_spawn(&pid, argv[0], &actions, &attributes, argv, environ), 0);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    for (int i = 0; i < 200 && !fs::exists(f.dir / "args"); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return pid;
}

std::size_t lines(const fs::path& file)
{
    if (!fs::exists(file))
        return 0;
    const std::string text = readFile(file);
    return std::size_t(std::count(text.begin(), text.end(), '\n'));
}

TEST(RasTest, ALinkSomeoneElseBroughtUpIsUsedAndLeftUpButOurOwnIsNot)
{
    Fixture f;
    const pid_t foreign = startForeign(f, "fast");
    ASSERT_GT(foreign, 0);
    auto ras = f.ras("fast");
    ras->Connect();
    EXPECT_TRUE(ras->Connected());
    EXPECT_FALSE(ras->DialedByMe());
    EXPECT_EQ(lines(f.dir / "args"), 1u) << "nothing dialed";
    ras->Disconnect();
    EXPECT_TRUE(running(foreign)) << "a foreign link is never hung up";
    ::kill(-foreign, SIGKILL);
    ::waitpid(foreign, nullptr, 0);

    // Our own line is not taken for someone else's: a second Connect dials again, and the
    // first line, ours, does not stay behind.
    ras->Connect();
    EXPECT_TRUE(ras->DialedByMe());
    ras->Connect();
    EXPECT_TRUE(ras->DialedByMe());
    EXPECT_EQ(lines(f.dir / "args"), 3u);
    EXPECT_EQ(f.events(), "hungup\n");
    ras->Disconnect();
}

// Links of a made-up system: counts the dials instead of making them.
class ListedLinks final : public RasBackend {
public:
    std::vector<RasConnection> links;
    int dials = 0;
    std::vector<std::string> entries() override { return { "home", "work" }; }
    std::unique_ptr<RasDial> dial(const std::string&, const std::string&) override
    {
        ++dials;
        return nullptr;
    }
    std::vector<RasConnection> connections() override { return links; }
};

TEST(RasTest, WithoutForceServiceAnyLinkWithAnAddressCounts)
{
    auto backend = std::make_unique<ListedLinks>();
    ListedLinks& system = *backend;
    TagRas ras(std::move(backend));
    ASSERT_EQ(ras.setService("work"), std::nullopt);
    system.links = { { "home", 7, false } };
    ras.ForceService = false;
    ras.Connect();
    EXPECT_EQ(system.dials, 1) << "a link without an address is no way to the network";
    system.links = { { "home", 7, false }, { "", -3, true } };
    ras.Connect();
    EXPECT_EQ(system.dials, 1);
    EXPECT_TRUE(ras.Connected());
    EXPECT_FALSE(ras.DialedByMe());
    ras.ForceService = true;
    ras.Connect();
    EXPECT_EQ(system.dials, 2) << "only a link of the entry itself counts";
}

TEST(RasTest, MinimizeAtConnectAndRemovePassword)
{
    Fixture f;
    auto ras = f.ras("fast");
    std::vector<std::string> minimized;
    ras->MinimizeWindow = [&](const std::string& title) { minimized.push_back(title); };
    ras->Connect();
    EXPECT_TRUE(minimized.empty());
    ras->HangUp();
    ras->MinimizeAtConnect = true;
    const auto start = Clock::now();
    ras->Connect();
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(900)) << "the window is given time to show";
    EXPECT_EQ(minimized, std::vector<std::string> { "Connected to fast" });
    ras->HangUp();

    // A password handed over is forgotten after the dial unless RemovePassword is off.
    ras->Password = "first";
    ras->Connect();
    ras->HangUp();
    ras->Password.clear();
    ras->Connect();
    ras->HangUp();
    EXPECT_EQ(readFile(f.dir / "options"), "password \"first\"\n");
    ras->RemovePassword = false;
    ras->Password = "kept";
    ras->Connect();
    ras->HangUp();
    ras->Password.clear();
    ras->Connect();
    ras->HangUp();
    EXPECT_EQ(readFile(f.dir / "options"), "password \"first\"\npassword \"kept\"\npassword \"kept\"\n");

    // An entry with a password of its own dials with that one.
    writeFile(f.peers / "fast", "/dev/ttyS0\n  password theirs\n");
    auto own = f.ras("fast");
    own->Password = "ours";
    own->Connect();
    own->HangUp();
    EXPECT_EQ(lines(f.dir / "options"), 3u);
}

// Stands between the component and the real pump and measures the longest time the program
// spent away from it, that is, the longest a window would have stood still.
class WatchedPump final : public EventPump {
public:
    Outcome waitFor(int fd, unsigned interests, std::chrono::milliseconds timeout) override
    {
        note();
        Outcome outcome = m_inner->waitFor(fd, interests, timeout);
        last = Clock::now();
        return outcome;
    }
    Outcome sleepFor(std::chrono::milliseconds timeout) override
    {
        note();
        Outcome outcome = m_inner->sleepFor(timeout);
        last = Clock::now();
        return outcome;
    }
    void wake() override { m_inner->wake(); }

    Clock::time_point last = Clock::now();
    Clock::duration longestAway {};

private:
    void note() { longestAway = std::max(longestAway, Clock::now() - last); }
    std::unique_ptr<EventPump> m_inner = makePollEventPump();
};

TEST(RasTest, AnEndingDaemonIsNotWaitedForWithTheProgramStill)
{
    Fixture f;
    WatchedPump pump;
    TagRas lingering(makePppdRasBackend(f.peers, f.pppd), &pump);
    ASSERT_EQ(lingering.setService("lingering"), std::nullopt);
    pump.last = Clock::now();
    try {
        lingering.Connect();
        FAIL() << "a failed dial returned";
    } catch (const ERASError& error) {
        EXPECT_STREQ(error.what(), "The connect script failed");
    }
    EXPECT_LT(pump.longestAway, std::chrono::milliseconds(400));

    auto stubborn = f.ras("stubborn");
    stubborn->Connect();
    std::string pids = readFile(f.dir / "pids");
    pids.pop_back();
    const pid_t daemon = pid_t(std::stol(pids.substr(pids.rfind('\n') + 1)));
    const auto start = Clock::now();
    stubborn->Disconnect();
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(800));
    EXPECT_FALSE(stubborn->Connected());
    const fs::path entry = "/proc/" + std::to_string(daemon);
    for (int i = 0; i < 100 && fs::exists(entry); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(fs::exists(entry)) << "the daemon ended and was reaped";
    EXPECT_EQ(f.events(), "hungup\n");
}

} // namespace
