#include "widgets/QtEventPump.h"

#include <QEventLoop>
#include <QSocketNotifier>
#include <QTimer>

#include <memory>

namespace pelmora::app {

QtEventPump::QtEventPump(QObject* parent)
    : QObject(parent)
{
}

net::EventPump::Outcome QtEventPump::waitFor(int fd, unsigned interests, std::chrono::milliseconds timeout)
{
    return run(fd, interests, timeout);
}

net::EventPump::Outcome QtEventPump::sleepFor(std::chrono::milliseconds timeout)
{
    return run(-1, 0, timeout);
}

net::EventPump::Outcome QtEventPump::run(int fd, unsigned interests, std::chrono::milliseconds timeout)
{
    if (m_woken.exchange(false))
        return Outcome::Woken;
    QEventLoop loop;
    Outcome outcome = Outcome::TimedOut;
    auto ready = [&outcome, &loop] {
        outcome = Outcome::Ready;
        loop.quit();
    };
    std::unique_ptr<QSocketNotifier> readable;
    std::unique_ptr<QSocketNotifier> writable;
    if (fd >= 0 && (interests & Readable)) {
        readable = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
        connect(readable.get(), &QSocketNotifier::activated, &loop, ready);
    }
    if (fd >= 0 && (interests & Writable)) {
        writable = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Write);
        connect(writable.get(), &QSocketNotifier::activated, &loop, ready);
    }
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    if (timeout.count() >= 0)
        timer.start(timeout);
    // Waits may nest (a window's handler may start another while this one pumps); wake() ends
    // the innermost, and the outer one sees its own flag when it resumes.
    QEventLoop* outer = m_loop;
    m_loop = &loop;
    loop.exec();
    m_loop = outer;
    if (m_woken.exchange(false))
        return Outcome::Woken;
    return outcome;
}

void QtEventPump::wake()
{
    m_woken = true;
    // Another thread may call this: the loop is ended from this object's own thread.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_loop)
                m_loop->quit();
        },
        Qt::QueuedConnection);
}

} // namespace pelmora::app
