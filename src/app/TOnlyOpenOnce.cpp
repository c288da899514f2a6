#include "app/TOnlyOpenOnce.h"

#include <QCoreApplication>
#include <QDir>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QWidget>

namespace pelmora::app {

namespace {

// A second copy waits at most this long for the first one to take the hand-over; a hung first
// copy must not make the second hang too.
constexpr int HandOverTimeoutMs = 1000;

QString runtimeDirectory()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    return dir;
}

} // namespace

TOnlyOpenOnce::TOnlyOpenOnce(const QString& uniqueString, QObject* parent)
    : QObject(parent)
    , m_uniqueString(uniqueString.isEmpty() ? QCoreApplication::applicationName() : uniqueString)
{
}

TOnlyOpenOnce::~TOnlyOpenOnce()
{
    if (m_server)
        m_server->close();
}

QString TOnlyOpenOnce::lockPath() const
{
    return runtimeDirectory() + QStringLiteral("/pelmora-") + m_uniqueString + QStringLiteral(".lock");
}

QString TOnlyOpenOnce::socketPath() const
{
    return runtimeDirectory() + QStringLiteral("/pelmora-") + m_uniqueString + QStringLiteral(".socket");
}

bool TOnlyOpenOnce::claim()
{
    m_lock = std::make_unique<QLockFile>(lockPath());
    m_lock->setStaleLockTime(0); // only a dead owner makes the lock stale, never its age
    if (!m_lock->tryLock(0)) {
        if (notifyRunningCopy()) {
            m_lock.reset();
            return false;
        }
        // No copy listens: the lock is a leftover that QLockFile could not tell from a live one
        // (cut short by a crash while it was written, or naming a process id now reused). A
        // running copy always listens, so handing over here would hand over to nobody.
        m_lock->removeStaleLockFile();
        if (!m_lock->tryLock(0)) {
            m_lock.reset();
            return false;
        }
    }
    // A socket file left by a crashed copy would make listen() fail; the lock proves it is stale.
    QLocalServer::removeServer(socketPath());
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &TOnlyOpenOnce::acceptHandOver);
    m_server->listen(socketPath());
    return true;
}

bool TOnlyOpenOnce::notifyRunningCopy() const
{
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (!socket.waitForConnected(HandOverTimeoutMs))
        return false;
    socket.write("show\n");
    socket.waitForBytesWritten(HandOverTimeoutMs);
    socket.disconnectFromServer();
    return true;
}

void TOnlyOpenOnce::acceptHandOver()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        socket->disconnectFromServer();
    }
    if (m_window) {
        // A maximized window stays maximized: only the minimized flag is taken away.
        if (m_window->isMinimized())
            m_window->setWindowState(m_window->windowState() & ~Qt::WindowMinimized);
        if (m_isAppVisible) {
            m_window->raise();
            m_window->activateWindow();
        }
    }
    emit handedOver();
}

} // namespace pelmora::app
