#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace pelmora::test {

// One accepted connection of a scripted peer. Every read is bounded in time, so a client that
// stops talking fails the script instead of hanging the test.
class PeerConnection {
public:
    explicit PeerConnection(int fd)
        : m_fd(fd)
    {
    }
    ~PeerConnection();
    PeerConnection(const PeerConnection&) = delete;
    PeerConnection& operator=(const PeerConnection&) = delete;

    // One line without its CR LF; empty with `closed()` true when the client went away.
    std::string readLine();
    // Everything up to and including `terminator`.
    std::string readUntil(const std::string& terminator);
    // Exactly `count` bytes (fewer when the client went away).
    std::string read(std::size_t count);
    void send(const std::string& bytes);
    void close();
    // Reads nothing for a while, so that a client's writes fill the buffers and stall.
    void stall(int milliseconds);
    bool closed() const { return m_closed; }

private:
    bool fill();

    int m_fd;
    std::string m_buffer;
    bool m_closed = false;
};

// A loopback server that answers each connection with a script run on its own thread, for the
// faults real servers will not produce. The lines it read are kept for the test to check.
class ScriptedPeer {
public:
    using Script = std::function<void(PeerConnection& connection, ScriptedPeer& peer)>;

    explicit ScriptedPeer(Script script, int connections = 1);
    ~ScriptedPeer();
    ScriptedPeer(const ScriptedPeer&) = delete;
    ScriptedPeer& operator=(const ScriptedPeer&) = delete;

    std::uint16_t port() const { return m_port; }
    std::string server() const { return "127.0.0.1:" + std::to_string(m_port); }

    // Reads a line and records it.
    std::string expectLine(PeerConnection& connection);
    void record(const std::string& line);
    std::vector<std::string> received();
    void join();

private:
    void run(int connections);

    Script m_script;
    int m_listener = -1;
    std::uint16_t m_port = 0;
    std::mutex m_mutex;
    std::vector<std::string> m_received;
    std::thread m_thread;
};

// A loopback port with nothing listening on it, held for the rest of the test process.
std::uint16_t closedPort();

} // namespace pelmora::test
