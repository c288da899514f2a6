#pragma once

#include <chrono>
#include <memory>

namespace pelmora::net {

// Every wait of the network layer goes through an event pump, so that the one thread that waits
// keeps the rest of the program alive: the command line and the tests wait in poll(), the desktop
// application runs its own event loop meanwhile (windows repaint, a Cancel button stays usable).
// A pump never busy-waits: an idle wait sleeps in the system until something happens.
class EventPump {
public:
    // What a descriptor is waited for.
    enum Interest : unsigned { Readable = 1u, Writable = 2u };

    // Why waitFor() returned. Ready is reported only for an interest that was asked for; an error
    // or hang-up on the descriptor counts as ready (the following read or write reports it).
    enum class Outcome { Ready, TimedOut, Woken };

    virtual ~EventPump() = default;

    // Waits until `fd` becomes ready for one of `interests`, until `timeout` has passed, or until
    // wake() is called, whichever comes first, processing the host's other events meanwhile.
    // A negative `timeout` waits without a time limit (wake() still ends it). Returns at once
    // with Woken when wake() was called since the previous waitFor() returned.
    virtual Outcome waitFor(int fd, unsigned interests, std::chrono::milliseconds timeout) = 0;

    // Waits only for the time-out or a wake-up (used where there is no descriptor, such as a name
    // look-up running on another thread, which calls wake() when it is done).
    virtual Outcome sleepFor(std::chrono::milliseconds timeout) = 0;

    // Ends the current or the next wait with Woken. Safe to call from any thread and from a
    // signal handler's context of the host (the cancel button, a look-up thread that finished).
    virtual void wake() = 0;
};

// The pump of the command line and the tests: poll() on the descriptor and on a self-pipe that
// wake() writes to.
std::unique_ptr<EventPump> makePollEventPump();

} // namespace pelmora::net
