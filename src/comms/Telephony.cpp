#include "comms/Telephony.h"

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

} // namespace

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
