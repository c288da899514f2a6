#pragma once

#include "base/Error.h"
#include "net/EventPump.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pelmora::net {

// A failure of the dial-up service; the message is the text the user sees.
class ERASError : public Error {
public:
    using Error::Error;
};

// The text of a dial-up error number that has no text of its own.
std::string rasErrorText(int code);

// One dial in progress, owned by the component that started it.
class RasDial {
public:
    enum class State { Dialing, Connected, Failed };

    virtual ~RasDial() = default;
    // Becomes readable when the dial has something to report; -1 when there is nothing to wait on.
    virtual int fd() const = 0;
    // Takes in what the dial reported since the last call: status texts in their order, and the
    // state it is in now. A failed dial leaves its error text in `error`.
    virtual State process(std::vector<std::string>& statusTexts, std::string& error) = 0;
    // Ends this dial and its connection; nothing else is touched. Safe to call more than once.
    virtual void hangUp() = 0;
};

// Where the phone book and the dialing come from, so the system runs without dial-up where the
// machine has none.
class RasBackend {
public:
    virtual ~RasBackend() = default;
    virtual std::vector<std::string> entries() = 0;
    // Starts dialing `entry`; an empty password leaves the entry's own credentials alone.
    virtual std::unique_ptr<RasDial> dial(const std::string& entry, const std::string& password) = 0;
};

// No dial-up: no entries, nothing to dial.
std::unique_ptr<RasBackend> makeNoRasBackend();

// The point-to-point daemon: the entries are the files of `peersDir`, a dial runs
// `pppd call ENTRY nodetach` as our own child and reads its log from its output.
std::unique_ptr<RasBackend> makePppdRasBackend(std::filesystem::path peersDir, std::filesystem::path pppd);

// The daemon's back-end where it is installed, else none.
std::unique_ptr<RasBackend> makeDefaultRasBackend();

// Brings a dial-up line up and down, keeping the program alive while it waits, and hangs up only
// a line it dialed itself.
class TagRas {
public:
    using StatusEvent = std::function<void(TagRas& sender, const std::string& status)>;
    using NotifyEvent = std::function<void(TagRas& sender)>;

    // Without a back-end there is no dial-up; without a pump the component makes its own.
    explicit TagRas(std::unique_ptr<RasBackend> backend = nullptr, EventPump* pump = nullptr);
    ~TagRas();
    TagRas(const TagRas&) = delete;
    TagRas& operator=(const TagRas&) = delete;

    bool ForceService = true;
    bool MinimizeAtConnect = false; // there is no connection window to minimize here
    std::string Password;
    bool RemovePassword = true;
    int TimeOut = 120; // seconds a dial may take; 0 or less: no limit

    StatusEvent OnStatusChange;
    NotifyEvent OnDisconnected;

    const std::string& Service() const { return m_service; }
    // Stores `name` when it is an entry of the phone book. Returns the message to show when it is
    // refused ("Invalid service name" also clears the stored name).
    std::optional<std::string> setService(const std::string& name);

    // The phone book's entries, read afresh.
    const std::vector<std::string>& Entries();
    bool RasPresent() const { return !m_entries.empty(); }

    // Returns once the line is up, or throws ERASError, ECanceledError or ETimedOutError; a
    // failed, cancelled or timed-out dial has been hung up by then.
    void Connect();
    // Hangs up our own line and ends a running dial with ECanceledError. May be called from a
    // handler during the dial's wait.
    void Disconnect();
    void HangUp();

    bool Connected() const { return m_connected; }
    bool DialedByMe() const { return m_dialedByMe; }

private:
    std::unique_ptr<RasBackend> m_backend;
    std::unique_ptr<EventPump> m_ownPump;
    EventPump* m_pump;
    std::unique_ptr<RasDial> m_dial;
    std::vector<std::string> m_entries;
    std::string m_service;
    bool m_connected = false;
    bool m_dialedByMe = false;
    bool m_cancelled = false;
};

} // namespace pelmora::net
