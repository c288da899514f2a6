#include "net/SocketErrors.h"
#include "net/TagSocket.h"

#include "ScriptedPeer.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <dirent.h>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/resource.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <memory>
#include <thread>

using namespace pelmora::net;
using pelmora::test::PeerConnection;
using pelmora::test::ScriptedPeer;
using Clock = std::chrono::steady_clock;

namespace {

// A socket that records the lines ReadLine handed to ProcessLine.
class LineSocket : public TagSocket {
public:
    std::vector<std::string> processed;

protected:
    void ProcessLine(const std::string& line) override { processed.push_back(line); }
};

long elapsedMs(Clock::time_point start)
{
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

int openDescriptors()
{
    int count = 0;
    DIR* dir = ::opendir("/proc/self/fd");
    while (dirent* entry = ::readdir(dir))
        count += entry->d_name[0] != '.';
    ::closedir(dir);
    return count;
}

void connect(TagSocket& socket, const std::string& server)
{
    socket.Server = server;
    socket.ResetState();
    socket.Open();
    socket.ConnectSocket();
}

} // namespace

TEST(SocketErrorsTest, TextsOfTheMessageTable)
{
    EXPECT_EQ(messageText(10061), "[10061] Connection refused");
    EXPECT_EQ(messageText(11001), "[11001] Host not found");
    EXPECT_EQ(messageText(10000), "[0] No Error");
    EXPECT_EQ(messageText(57002), "Server property is required");
    EXPECT_EQ(messageText(4242), "Error #4242");
    EXPECT_EQ(winsockCodeFromErrno(ECONNREFUSED), 10061);
    EXPECT_EQ(winsockCodeFromErrno(ECONNRESET), 10054);
    EXPECT_EQ(winsockCodeFromErrno(EHOSTUNREACH), 10065);
    EXPECT_EQ(ECanceledError().what(), std::string("Operation has been canceled"));
    EXPECT_EQ(ETimedOutError().what(), std::string("Operation timed out"));
}

TEST(SocketTest, EmptyServerFailsAfterOnOpen)
{
    TagSocket socket;
    std::vector<std::string> events;
    socket.OnOpen = [&](TagSocket&) { events.push_back("open"); };
    socket.OnError = [&](TagSocket&, std::string& msg) { events.push_back(msg); };
    EXPECT_THROW(socket.Open(), ESocketError);
    EXPECT_EQ(events, (std::vector<std::string> { "open", "Server property is required" }));
}

TEST(SocketTest, RefusedConnectionFailsAtOnceWithItsError)
{
    TagSocket socket;
    socket.TimeOut = 30;
    auto start = Clock::now();
    try {
        connect(socket, "127.0.0.1:" + std::to_string(pelmora::test::closedPort()));
        FAIL() << "connected to a closed port";
    } catch (const ESocketError& error) {
        EXPECT_STREQ(error.what(), "[10061] Connection refused");
    }
    EXPECT_LT(elapsedMs(start), 2000);
}

TEST(SocketTest, ServiceLookupAndDefaultPort)
{
    TagSocket socket;
    socket.Server = "127.0.0.1:0";
    EXPECT_THROW(socket.Open(), ESocketError); // port 0 counts as none, and there is no service name
    socket.ServiceName = "no-such-service-here";
    socket.DefaultPort = pelmora::test::closedPort();
    socket.Server = "127.0.0.1:abc";
    socket.Open();
    EXPECT_EQ(socket.HostAddress, "127.0.0.1");
    EXPECT_THROW(socket.ConnectSocket(), ESocketError); // the default port, on which nothing listens
}

namespace {

// Puts a resolver of the test's in front of every look-up while it lives, so no test asks a
// name server anything.
class ResolverScope {
public:
    explicit ResolverScope(HostLookup::Resolver resolver) { HostLookup::setResolver(std::move(resolver)); }
    ~ResolverScope() { HostLookup::setResolver({}); }
    ResolverScope(const ResolverScope&) = delete;
    ResolverScope& operator=(const ResolverScope&) = delete;
};

std::string openFailure(const std::string& server, int timeOut = 20)
{
    TagSocket socket;
    socket.Server = server;
    socket.TimeOut = timeOut;
    try {
        socket.Open();
    } catch (const std::exception& error) {
        return error.what();
    }
    return "opened";
}

} // namespace

TEST(SocketTest, LookupFailuresBecomeTheirWinsockTexts)
{
    struct Case {
        int eaiCode;
        int error;
        const char* text;
    };
    for (const Case& c : { Case { EAI_NONAME, 0, "[11001] Host not found" },
             Case { EAI_AGAIN, 0, "[11002] Non-Authoritative Host not found" },
             Case { EAI_FAIL, 0, "[11003] Non-Recoverable errors: FORMERR, REFUSED, NOTIMP" },
             Case { EAI_SYSTEM, ECONNREFUSED, "[10061] Connection refused" } }) {
        SCOPED_TRACE(c.text);
        std::string asked;
        ResolverScope scope([&asked, c](const std::string& host, std::vector<HostAddressEntry>&, int& error) {
            asked = host;
            error = c.error;
            return c.eaiCode;
        });
        EXPECT_EQ(openFailure("no-such-host.invalid:25"), c.text);
        EXPECT_EQ(asked, "no-such-host.invalid");
    }
    // A look-up that succeeds with no address at all is a failure too, never an empty connect.
    ResolverScope scope([](const std::string&, std::vector<HostAddressEntry>&, int&) { return 0; });
    EXPECT_EQ(openFailure("empty.invalid:25"), "Error resolving remote host");
}

TEST(SocketTest, ANameConnectsToTheAddressesItResolvesTo)
{
    ScriptedPeer peer([](PeerConnection& connection, ScriptedPeer&) { connection.send("hi\r\n"); });
    ResolverScope scope([](const std::string&, std::vector<HostAddressEntry>& addresses, int&) {
        addresses.push_back(HostLookup::addressOf("127.0.0.1"));
        return 0;
    });
    LineSocket socket;
    connect(socket, "mail.invalid:" + std::to_string(peer.port()));
    EXPECT_EQ(socket.HostAddress, "127.0.0.1");
    std::string line;
    EXPECT_TRUE(socket.ReadLine(line));
    EXPECT_EQ(line, "hi");
}

// A resolver that never answers costs the socket's time-out, not the caller's patience.
TEST(SocketTest, AStalledLookupEndsAtTheTimeOut)
{
    auto release = std::make_shared<std::atomic<bool>>(false);
    ResolverScope scope([release](const std::string&, std::vector<HostAddressEntry>&, int&) {
        for (int i = 0; i < 500 && !*release; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return EAI_AGAIN;
    });
    auto start = Clock::now();
    std::string failure = openFailure("slow.invalid:25", 1);
    *release = true;
    EXPECT_EQ(failure, "Operation timed out");
    EXPECT_LT(elapsedMs(start), 3000);
}

TEST(SocketTest, LinesLoseEveryLineEndCharacter)
{
    ScriptedPeer peer([](PeerConnection& connection, ScriptedPeer&) {
        connection.send("abcdef\r\nlf only\nmany\r\r\n\n");
        connection.send("half a li");
        connection.close();
    });
    LineSocket socket;
    connect(socket, peer.server());
    std::string line;
    std::vector<std::string> lines;
    while (socket.ReadLine(line))
        lines.push_back(line);
    EXPECT_EQ(lines, (std::vector<std::string> { "abcdef", "lf only", "many", "" }));
    EXPECT_EQ(socket.processed, lines); // the unfinished line never reaches ProcessLine
    EXPECT_TRUE(line.empty());
    EXPECT_TRUE(socket.ClosedByPeer());
}

TEST(SocketTest, LongLinesUpToTheLimitAndNoFurther)
{
    const std::string longest(TagSocket::MaxLineLength - 2, 'x');
    ScriptedPeer peer([&](PeerConnection& connection, ScriptedPeer&) {
        connection.send(longest + "\r\n" + std::string(TagSocket::MaxLineLength + 10, 'y') + "\r\n");
        connection.readLine();
    });
    TagSocket socket;
    connect(socket, peer.server());
    std::string line;
    ASSERT_TRUE(socket.ReadLine(line));
    EXPECT_EQ(line, longest);
    EXPECT_THROW(socket.ReadLine(line), ESocketError);
    socket.Close();
}

TEST(SocketTest, StalledPeerTimesOutAndOnErrorMayRewrite)
{
    ScriptedPeer peer([](PeerConnection& connection, ScriptedPeer&) {
        connection.send("no line end");
        connection.readLine(); // until the client closes
    });
    TagSocket socket;
    socket.TimeOut = 1;
    std::vector<std::string> errors;
    socket.OnError = [&](TagSocket&, std::string& msg) { errors.push_back(msg); };
    connect(socket, peer.server());
    std::string line;
    auto start = Clock::now();
    EXPECT_THROW(socket.ReadLine(line), ETimedOutError);
    EXPECT_GE(elapsedMs(start), 900);
    EXPECT_LT(elapsedMs(start), 3000);
    EXPECT_EQ(errors, std::vector<std::string> { "Operation timed out" });
    EXPECT_FALSE(socket.Connected());

    socket.OnError = [](TagSocket&, std::string& msg) { msg = "rewritten"; };
    try {
        socket.SocketError(10054);
    } catch (const ESocketError& error) {
        EXPECT_STREQ(error.what(), "rewritten");
    }
}

// The cancel must wake the wait itself. Were the wake lost, the wait would end only when the
// peer's stall ends (3.2 s after the cancel) or at the time-out, with the same error; 1.5 s
// leaves a machine busy with parallel builds room to schedule the woken thread late (nearly a
// second has been seen) and still tells the two apart.
TEST(SocketTest, CancelFromAnotherThreadEndsReadAndWriteAtOnce)
{
    for (bool writing : { false, true }) {
        // Never answers and never drains a big write.
        ScriptedPeer peer([](PeerConnection& connection, ScriptedPeer&) { connection.stall(3500); });
        TagSocket socket;
        std::atomic<int> cancels { 0 };
        socket.OnCancel = [&](TagSocket&) { ++cancels; };
        connect(socket, peer.server());
        std::atomic<Clock::time_point> canceledAt;
        std::thread canceler([&] {
            std::this_thread::sleep_for(std::chrono::milliseconds(300));
            canceledAt = Clock::now();
            socket.Cancel();
        });
        try {
            std::string line;
            if (writing)
                socket.WriteBytes(std::string(64 << 20, 'z'));
            else
                socket.ReadLine(line);
            ADD_FAILURE() << "not canceled";
        } catch (const ECanceledError&) {
            EXPECT_LT(elapsedMs(canceledAt), 1500);
        }
        canceler.join();
        EXPECT_EQ(cancels, 1);
        EXPECT_FALSE(socket.Connected());
    }
}

TEST(SocketTest, TranscriptKeepsLinesAndHidesSecrets)
{
    pelmora::test::TempDir dir;
    ScriptedPeer peer([](PeerConnection& connection, ScriptedPeer& self) {
        self.expectLine(connection);
        self.expectLine(connection);
        connection.send("+OK fine\r\n");
    });
    {
        TagSocket socket;
        socket.LogFileName = (dir / "log.txt").string();
        connect(socket, peer.server());
        socket.WriteLine("USER me");
        socket.WriteSecretLine("PASS secret", "PASS ****");
        std::string line;
        socket.ReadLine(line);
    }
    peer.join();
    EXPECT_EQ(peer.received(), (std::vector<std::string> { "USER me", "PASS secret" }));
    EXPECT_EQ(pelmora::test::readFile(dir / "log.txt"), "USER me\nPASS ****\n+OK fine\n");
}

TEST(SocketTest, ThousandConnectionsLeakNoDescriptor)
{
    ScriptedPeer peer([](PeerConnection& connection, ScriptedPeer&) { connection.send("hello\r\n"); }, 1000);
    const int before = openDescriptors();
    TagSocket socket;
    for (int i = 0; i < 1000; ++i) {
        connect(socket, peer.server());
        std::string line;
        ASSERT_TRUE(socket.ReadLine(line));
        ASSERT_EQ(line, "hello");
        socket.Close();
    }
    peer.join();
    EXPECT_LE(openDescriptors(), before + 2); // the socket's own wake-up pipe
}

TEST(EventPumpTest, IdleWaitUsesNoCpuAndWakesAtOnce)
{
    auto pump = makePollEventPump();
    rusage before {};
    ::getrusage(RUSAGE_THREAD, &before);
    EXPECT_EQ(pump->sleepFor(std::chrono::milliseconds(300)), EventPump::Outcome::TimedOut);
    rusage after {};
    ::getrusage(RUSAGE_THREAD, &after);
    auto cpuUs = (after.ru_utime.tv_sec - before.ru_utime.tv_sec) * 1000000L
        + (after.ru_utime.tv_usec - before.ru_utime.tv_usec)
        + (after.ru_stime.tv_sec - before.ru_stime.tv_sec) * 1000000L
        + (after.ru_stime.tv_usec - before.ru_stime.tv_usec);
    EXPECT_LT(cpuUs, 30000);

    std::thread waker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        pump->wake();
    });
    auto start = Clock::now();
    EXPECT_EQ(pump->sleepFor(std::chrono::milliseconds(-1)), EventPump::Outcome::Woken);
    EXPECT_LT(elapsedMs(start), 1000);
    waker.join();
}

TEST(SocketTest, NamesAndIPv6LiteralsConnect)
{
    // "localhost" may resolve to ::1 first, where nothing listens: the next address is tried.
    ScriptedPeer peer([](PeerConnection& connection, ScriptedPeer&) { connection.send("hi\r\n"); });
    TagSocket socket;
    connect(socket, "localhost:" + std::to_string(peer.port()));
    std::string line;
    EXPECT_TRUE(socket.ReadLine(line));
    EXPECT_EQ(line, "hi");
    socket.Close();

    int listener = ::socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in6 address {};
    address.sin6_family = AF_INET6;
    address.sin6_addr = in6addr_loopback;
    if (listener < 0 || ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        if (listener >= 0)
            ::close(listener);
        GTEST_SKIP() << "no IPv6 loopback here";
    }
    ::listen(listener, 1);
    socklen_t length = sizeof address;
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
    connect(socket, "[::1]:" + std::to_string(ntohs(address.sin6_port)));
    EXPECT_EQ(socket.HostAddress, "::1");
    socket.Close();
    ::close(listener);
}

TEST(SocketTest, TlsHandshakeWithASilentPeerTimesOutOrIsCanceled)
{
    for (bool cancel : { false, true }) {
        ScriptedPeer peer([](PeerConnection& connection, ScriptedPeer&) { connection.stall(1300); });
        TagSocket socket;
        socket.UseTls = true;
        socket.TimeOut = cancel ? 30 : 1;
        std::thread canceler;
        if (cancel) {
            canceler = std::thread([&] {
                std::this_thread::sleep_for(std::chrono::milliseconds(300));
                socket.Cancel();
            });
        }
        auto start = Clock::now();
        if (cancel)
            EXPECT_THROW(connect(socket, peer.server()), ECanceledError);
        else
            EXPECT_THROW(connect(socket, peer.server()), ETimedOutError);
        EXPECT_LT(elapsedMs(start), 2000);
        if (canceler.joinable())
            canceler.join();
        EXPECT_FALSE(socket.Connected());
    }
}
