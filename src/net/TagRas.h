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
    // Returns without waiting for the line to be torn down.
    virtual void hangUp() = 0;
    // Tells this dial's link apart from the others that connections() lists; 0 when unknown.
    virtual long id() const { return 0; }
};

// A link that is up now, whoever brought it up.
struct RasConnection {
    std::string entry; // the phone-book entry it was dialed from; empty when not known
    long id = 0; // tells the links apart
    bool hasAddress = false; // it has an IP address
};

// Where the phone book and the dialing come from, so the system runs without dial-up where the
// machine has none.
class RasBackend {
public:
    virtual ~RasBackend() = default;
    virtual std::vector<std::string> entries() = 0;
    // Starts dialing `entry`; an empty password leaves the entry's own credentials alone.
    virtual std::unique_ptr<RasDial> dial(const std::string& entry, const std::string& password) = 0;
    // The links that are up now, ours among them.
    virtual std::vector<RasConnection> connections() { return {}; }
    // Whether `entry` brings a password of its own (then none is handed over).
    virtual bool hasOwnPassword(const std::string&) { return false; }
    // Keeps `password` as the entry's own for the later dials of this run.
    virtual void keepPassword(const std::string&, const std::string&) { }
};

// No dial-up: no entries, nothing to dial.
std::unique_ptr<RasBackend> makeNoRasBackend();

// The point-to-point daemon: the entries are the files of `peersDir`, a dial runs
// `pppd call ENTRY nodetach` as our own child and reads its log from its output. The links up
// are the daemons of `pppd`'s name running with "call ENTRY", whoever started them, and the ppp
// interfaces that have an address.
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

    // True: only a link of the entry Service counts as already up; false: any link with an
    // IP address does.
    bool ForceService = true;
    // After a dial of ours connects, the window titled "Connected to " + Service is minimized
    // a second later, through MinimizeWindow.
    bool MinimizeAtConnect = false;
    // Handed to the entry when it brings no password of its own.
    std::string Password;
    // False: a Password handed over is kept as the entry's own for the later dials of this run.
    bool RemovePassword = true;
    int TimeOut = 120; // seconds a dial may take; 0 or less: no limit

    StatusEvent OnStatusChange;
    NotifyEvent OnDisconnected;
    // Minimizes the top-level window of the given title, where there is one (the host's windows).
    std::function<void(const std::string& title)> MinimizeWindow;

    const std::string& Service() const { return m_service; }
    // Stores `name` when it is an entry of the phone book. Returns the message to show when it is
    // refused ("Invalid service name" also clears the stored name).
    std::optional<std::string> setService(const std::string& name);

    // The phone book's entries, read afresh.
    const std::vector<std::string>& Entries();
    bool RasPresent() const { return !m_entries.empty(); }

    // Returns once the line is up, or throws ERASError, ECanceledError or ETimedOutError; a
    // failed, cancelled or timed-out dial has been hung up by then. A link that is already up
    // (see ForceService) is accepted without dialing, and is never hung up by this component.
    void Connect();
    // Hangs up our own line and ends a running dial with ECanceledError. May be called from a
    // handler during the dial's wait.
    void Disconnect();
    void HangUp();

    bool Connected() const { return m_connected; }
    bool DialedByMe() const { return m_dialedByMe; }

private:
    bool alreadyConnected();
    void minimizeConnectionWindow();

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
