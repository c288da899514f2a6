#include "net/EventPump.h"

#include "net/SocketErrors.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace pelmora::net {

namespace {

// poll() on the descriptor and on the read end of a self-pipe: wake() writes one byte, which is
// safe from any thread and ends a wait at once without a polling interval.
class PollEventPump final : public EventPump {
public:
    PollEventPump()
    {
        if (::pipe2(m_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
            throw ESocketError(messageText(winsockCodeFromErrno(errno)));
    }
    ~PollEventPump() override
    {
        ::close(m_pipe[0]);
        ::close(m_pipe[1]);
    }
    PollEventPump(const PollEventPump&) = delete;
    PollEventPump& operator=(const PollEventPump&) = delete;

    Outcome waitFor(int fd, unsigned interests, std::chrono::milliseconds timeout) override
    {
        pollfd fds[2] = {{m_pipe[0], POLLIN, 0}, {fd, 0, 0}};
        if (interests & Readable)
            fds[1].events |= POLLIN;
        if (interests & Writable)
            fds[1].events |= POLLOUT;
        return run(fds, fd >= 0 ? 2 : 1, timeout);
    }

    Outcome sleepFor(std::chrono::milliseconds timeout) override
    {
        pollfd fds[1] = {{m_pipe[0], POLLIN, 0}};
        return run(fds, 1, timeout);
    }

    void wake() override
    {
        char byte = 1;
        // A full pipe already holds a pending wake-up, so a failed write loses nothing.
        [[maybe_unused]] ssize_t written = ::write(m_pipe[1], &byte, 1);
    }

private:
    Outcome run(pollfd* fds, nfds_t count, std::chrono::milliseconds timeout)
    {
        using Clock = std::chrono::steady_clock;
        const bool limited = timeout.count() >= 0;
        const auto deadline = Clock::now() + timeout;
        for (;;) {
            int wait = -1;
            if (limited) {
                auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
                wait = static_cast<int>(std::max<long long>(0, std::min<long long>(left.count(), 1 << 30)));
            }
            int ready = ::poll(fds, count, wait);
            if (ready < 0) {
                if (errno == EINTR)
                    continue;
                throw ESocketError(messageText(winsockCodeFromErrno(errno)));
            }
            if (fds[0].revents & POLLIN) {
                drain();
                return Outcome::Woken;
            }
            if (count > 1 && fds[1].revents != 0)
                return Outcome::Ready;
            if (ready == 0 && limited && Clock::now() >= deadline)
                return Outcome::TimedOut;
        }
    }

    void drain()
    {
        char bytes[64];
        while (::read(m_pipe[0], bytes, sizeof bytes) > 0) {
        }
    }

    int m_pipe[2] = {-1, -1};
};

} // namespace

std::unique_ptr<EventPump> makePollEventPump()
{
    return std::make_unique<PollEventPump>();
}

} // namespace pelmora::net
