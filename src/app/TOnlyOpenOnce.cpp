#include "app/TOnlyOpenOnce.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QGuiApplication>
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
            m_notice = tr("Pelmora is already running, but it did not answer. If it is "
                          "stuck, end it, then start Pelmora again.");
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

QString TOnlyOpenOnce::displayName()
{
    const QByteArray wayland = qgetenv("WAYLAND_DISPLAY");
    const QByteArray x = qgetenv("DISPLAY");
    return (
        QGuiApplication::platformName() + QLatin1Char(' ') + QString::fromLocal8Bit(wayland.isEmpty() ? x : wayland))
        .trimmed();
}

// The running copy answers whether it could come forward; one on another display cannot, and
// a start that ends without a word would look like a start that failed.
bool TOnlyOpenOnce::notifyRunningCopy()
{
    QLocalSocket socket;
    socket.connectToServer(socketPath());
    if (!socket.waitForConnected(HandOverTimeoutMs))
        return false;
    // A link goes first, so that it has arrived when the running copy answers the "show" line.
    if (!m_link.isEmpty() && !m_link.contains(QLatin1Char('\n')) && !m_link.contains(QLatin1Char('\r')))
        socket.write("open " + m_link.toUtf8() + "\n");
    socket.write("show " + displayName().toUtf8() + "\n");
    socket.waitForBytesWritten(HandOverTimeoutMs);
    QByteArray reply;
    QDeadlineTimer deadline(HandOverTimeoutMs);
    while (!reply.contains('\n') && !deadline.hasExpired() && socket.state() == QLocalSocket::ConnectedState) {
        if (socket.waitForReadyRead(static_cast<int>(deadline.remainingTime())))
            reply += socket.readAll();
    }
    reply += socket.readAll();
    socket.disconnectFromServer();
    // No answer yet is no failure: a copy still starting up takes the hand-over when it is ready.
    if (reply.startsWith("elsewhere ")) {
        const QString where = QString::fromUtf8(reply.mid(10)).trimmed();
        m_notice = tr("Pelmora is already running on another display (%1), where its window was "
                      "left as it is. Close it there to start it here.")
                       .arg(where);
    }
    return true;
}

void TOnlyOpenOnce::acceptHandOver()
{
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        // The answer waits for the caller's display, which follows "show" on the first line.
        auto answer = [this, socket] {
            QString line;
            bool shown = false;
            while (!shown && socket->canReadLine()) {
                line = QString::fromUtf8(socket->readLine()).trimmed();
                if (line.startsWith(QLatin1String("open ")))
                    emit linkHandedOver(line.mid(5));
                else
                    shown = true;
            }
            if (!shown)
                return;
            const QString theirs = line.startsWith(QLatin1String("show ")) ? line.mid(5) : QString();
            const QString mine = displayName();
            socket->write(theirs.isEmpty() || theirs == mine || !m_window ? QByteArray("shown\n")
                                                                          : "elsewhere " + mine.toUtf8() + "\n");
            socket->flush();
            socket->disconnectFromServer();
        };
        connect(socket, &QLocalSocket::readyRead, this, answer);
        answer();
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
