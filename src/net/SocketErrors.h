#pragma once

#include "base/Error.h"

#include <string>

namespace pelmora::net {

// Any failure of the connection or of a server's reply; the message is the text the user sees.
class ESocketError : public Error {
public:
    using Error::Error;
};

class ECanceledError : public Error {
public:
    ECanceledError();
};

class ETimedOutError : public Error {
public:
    ETimedOutError();
};

// Keys of the component's own messages; the socket errors use the WinSock numbers as keys.
enum MessageKey : int {
    msgTimedOut = 57000,
    msgCanceled = 57001,
    msgServerRequired = 57002,
    msgInvalidWinsockVersion = 57003,
    msgErrorResolvingHost = 57004,
    msgServiceNameRequired = 57005,
    msgProxyPortRequired = 57006,
    msgInvalidUrl = 57007,
    msgSenderRequired = 57100,
    msgRecipientRequired = 57101,
    msgMailMessageRequired = 57102,
    msgUserNameRequired = 57103,
    msgPasswordRequired = 57104,
    msgMultipartPreamble = 57106,
    msgUnableToRetrieveHeaders = 57107,
    msgMissingContentType = 57108,
    msgNoClosingBoundary = 57109,
    msgNoBoundary = 57110,
    msgAttachmentDecoding = 57111,
};

// The text of a message key: the table's entry, or "Error #" and the number when it has none.
std::string messageText(int key);

// The WinSock number that users and stored transcripts know for a POSIX errno value; errno
// values without a counterpart keep their own number (and so read "Error #" and that number).
int winsockCodeFromErrno(int error);

// The WinSock number of a getaddrinfo() failure (EAI_* value; EAI_SYSTEM looks at `error`).
int winsockCodeFromResolver(int eaiCode, int error);

} // namespace pelmora::net
