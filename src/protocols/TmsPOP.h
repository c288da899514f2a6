#pragma once

#include "protocols/TmsCustomPOP.h"
#include "protocols/TmsMessageList.h"

namespace pelmora::protocols {

// Replaces the message by an explanation of `error` with `text`, the message as received,
// attached whole as "original.eml": what cannot be read is still never lost.
void keepMessageWhole(mail::TmsMessage& message, const std::string& error, std::string text);

// The POP3 client the application uses: every message is parsed and kept in Messages, which
// the caller empties before a new retrieval.
class TmsPOP : public TmsCustomPOP {
public:
    using TmsCustomPOP::TmsCustomPOP;

    TmsMessageList Messages;

protected:
    // A text the parser cannot read is kept whole as "original.eml" under an explanation, so
    // that deleting it on the server never loses it; only when even that fails does the error
    // go on, and the message then stays on the server.
    void MessageReceived(int index, std::istream& text) override;
};

} // namespace pelmora::protocols
