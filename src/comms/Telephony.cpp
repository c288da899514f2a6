#include "comms/Telephony.h"

#include <QDeadlineTimer>
#include <QDesktopServices>
#include <QUrl>

#include <cstdio>

namespace pelmora::comms {

namespace {

CallHandler& handler()
{
    static CallHandler current;
    return current;
}

// The service took each text in a buffer of 256 bytes; longer texts are cut at 255 characters
// so that a pasted paragraph never becomes a multi-kilobyte URI.
QString cut(const QString& text)
{
    return text.left(255);
}

// The last call handed to the desktop: when Pelmora itself is the desktop's handler of tel:
// links, that very request comes straight back as a link to open.
struct LastCall {
    QString uri;
    QDeadlineTimer echoWindow;
};

LastCall& lastCall()
{
    static LastCall last;
    return last;
}

constexpr int kEchoWindowMs = 10000;

} // namespace

bool isOwnCallReturning(const QString& link)
{
    LastCall& last = lastCall();
    if (last.uri.isEmpty() || last.echoWindow.hasExpired())
        return false;
    // The desktop may hand the link back decoded or in another case of the scheme.
    auto plain = [](const QString& uri) { return QUrl::fromPercentEncoding(uri.toUtf8()).toLower(); };
    if (plain(link) != plain(last.uri))
        return false;
    last.uri.clear(); // the echo comes once; a later request for the same number is the user's
    return true;
}

QString telUri(const QString& destination)
{
    return QStringLiteral("tel:") + QString::fromLatin1(QUrl::toPercentEncoding(destination, "+-()*#,;.!~'/"));
}

void setCallHandler(CallHandler callHandler)
{
    handler() = std::move(callHandler);
}

void requestMakeCall(const CallRequest& request)
{
    const CallRequest bounded { cut(request.destination), cut(request.calledParty) };
    lastCall() = { telUri(bounded.destination), QDeadlineTimer(kEchoWindowMs) };
    if (handler()) {
        handler()(bounded);
        return;
    }
    const QString uri = telUri(bounded.destination);
    std::fprintf(stderr, "pelmora: dial %s%s%s\n", qPrintable(uri), bounded.calledParty.isEmpty() ? "" : " to ",
        qPrintable(bounded.calledParty));
    // No call manager is no error: the request is made and forgotten, whatever the desktop says.
    QDesktopServices::openUrl(QUrl(uri));
}

} // namespace pelmora::comms
