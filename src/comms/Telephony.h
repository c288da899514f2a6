#pragma once

#include <QString>

#include <functional>

namespace pelmora::comms {

// The stand-in for the desktop's telephony service: a request to place a call. Nothing comes
// back and nothing is reported to the user; a softphone (or nothing) takes the request.
struct CallRequest {
    QString destination; // the number exactly as the user typed or stored it
    QString calledParty; // the name of the person called, may be empty
};

// The tel: URI handed to the desktop for a request. The number keeps its characters; only what
// a URI cannot carry is percent-encoded.
QString telUri(const QString& destination);

// Places the call: writes one log line on standard error and opens the tel: URI.
void requestMakeCall(const CallRequest& request);

// True when a tel: link given to the program is the call it requested itself a moment ago,
// returning because the desktop hands tel: links to Pelmora: dialing it again would request the
// same call over and over.
bool isOwnCallReturning(const QString& link);

// Tests replace the desktop hand-over to see the requests; an empty function restores it.
using CallHandler = std::function<void(const CallRequest&)>;
void setCallHandler(CallHandler handler);

} // namespace pelmora::comms
