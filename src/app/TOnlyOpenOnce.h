#pragma once

#include <QObject>
#include <QPointer>

#include <memory>

class QLocalServer;
class QLockFile;
class QWidget;

namespace pelmora::app {

// Keeps one copy of the program per user. The first copy holds a lock file and listens on a
// user-only local socket; a later copy finds the lock taken, tells the first copy through the
// socket and ends. The lock file survives a crash only as a stale file, which QLockFile
// recognises by the dead process id, so a crashed copy never blocks the next start.
class TOnlyOpenOnce : public QObject {
    Q_OBJECT
public:
    // `uniqueString` names the lock and the socket; empty means the application's name.
    explicit TOnlyOpenOnce(const QString& uniqueString, QObject* parent = nullptr);
    ~TOnlyOpenOnce() override;

    // True when this is the first copy (it now listens); false when another copy runs, which
    // has then been told to come forward. A lock that no listening copy answers for is taken.
    bool claim();
    // After a failed claim: what the user is to be told when the running copy could not come
    // forward (it runs on another display, or does not listen); empty otherwise.
    const QString& handOverNotice() const { return m_notice; }
    // The display this copy shows its windows on, as the hand-over compares them.
    static QString displayName();

    // A mailto: or tel: link this copy was started with, handed to the running copy by claim()
    // when there is one.
    void setLink(const QString& link) { m_link = link; }

    // The window restored from the minimized state when another copy is started.
    void setWindow(QWidget* window) { m_window = window; }
    bool isAppVisible() const { return m_isAppVisible; }
    void setIsAppVisible(bool visible) { m_isAppVisible = visible; }

    // Where the lock and socket live: the user's runtime directory.
    QString lockPath() const;
    QString socketPath() const;

signals:
    // Another copy was started and handed over to this one.
    void handedOver();
    // Another copy was started with a link, which this copy is to open.
    void linkHandedOver(const QString& link);

private:
    // True when a running copy took the message; sets the notice when it could not come forward.
    bool notifyRunningCopy();
    void acceptHandOver();

    QString m_uniqueString;
    bool m_isAppVisible = false;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer* m_server = nullptr;
    QPointer<QWidget> m_window;
    QString m_notice;
    QString m_link;
};

} // namespace pelmora::app
