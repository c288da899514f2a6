#include "GuiTest.h"

#include "widgets/QtEventPump.h"

#include <QElapsedTimer>
#include <QTimer>

#include <thread>
#include <unistd.h>

using namespace std::chrono_literals;
using Outcome = pelmora::net::EventPump::Outcome;

namespace {

class QtEventPumpTest : public pelmora::test::GuiTestBase {
protected:
    QtEventPumpTest() { EXPECT_EQ(::pipe(fds), 0); }
    ~QtEventPumpTest() override
    {
        ::close(fds[0]);
        ::close(fds[1]);
    }

    int fds[2] = { -1, -1 };
    pelmora::app::QtEventPump pump;
};

TEST_F(QtEventPumpTest, ReadyWhenTheDescriptorBecomesReadableWhileOtherEventsRun)
{
    bool timerRan = false;
    // The write comes from an ordinary timer: it can only run if the wait pumps the event loop.
    QTimer::singleShot(20, [this, &timerRan] {
        timerRan = true;
        EXPECT_EQ(::write(fds[1], "x", 1), 1);
    });
    EXPECT_EQ(pump.waitFor(fds[0], pelmora::net::EventPump::Readable, 5000ms), Outcome::Ready);
    EXPECT_TRUE(timerRan);
    EXPECT_EQ(pump.waitFor(fds[1], pelmora::net::EventPump::Writable, 5000ms), Outcome::Ready);
}

TEST_F(QtEventPumpTest, TimesOutWhenNothingHappens)
{
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(pump.waitFor(fds[0], pelmora::net::EventPump::Readable, 50ms), Outcome::TimedOut);
    EXPECT_GE(clock.elapsed(), 45);
    EXPECT_EQ(pump.sleepFor(10ms), Outcome::TimedOut);
}

TEST_F(QtEventPumpTest, WakeEndsAWaitFromAnotherThreadAndAnEarlyWakeEndsTheNextAtOnce)
{
    std::thread waker([this] {
        std::this_thread::sleep_for(30ms);
        pump.wake();
    });
    EXPECT_EQ(pump.waitFor(fds[0], pelmora::net::EventPump::Readable, -1ms), Outcome::Woken);
    waker.join();

    pump.wake();
    EXPECT_EQ(pump.sleepFor(5000ms), Outcome::Woken);
    EXPECT_EQ(pump.sleepFor(1ms), Outcome::TimedOut); // the wake-up was used up
}

TEST_F(QtEventPumpTest, AWakeFromAHandlerDuringTheWaitEndsIt)
{
    QTimer::singleShot(10, [this] { pump.wake(); }); // a Cancel button's click
    EXPECT_EQ(pump.sleepFor(5000ms), Outcome::Woken);
}

} // namespace
