#pragma once

#include "net/EventPump.h"

#include <QObject>

#include <atomic>

class QEventLoop;

namespace pelmora::app {

// The event pump of the desktop application: a network wait runs a nested Qt event loop that
// ends when the socket becomes ready, the time-out passes or wake() is called, so the windows
// keep repainting and a Cancel button stays usable while the one thread waits.
class QtEventPump : public QObject, public net::EventPump {
    Q_OBJECT
public:
    explicit QtEventPump(QObject* parent = nullptr);

    Outcome waitFor(int fd, unsigned interests, std::chrono::milliseconds timeout) override;
    Outcome sleepFor(std::chrono::milliseconds timeout) override;
    void wake() override;

private:
    Outcome run(int fd, unsigned interests, std::chrono::milliseconds timeout);

    std::atomic<bool> m_woken { false };
    QEventLoop* m_loop = nullptr; // the innermost wait, the one wake() ends
};

} // namespace pelmora::app
