#pragma once

#include <string>

namespace pelmora::net {

// Sees every line a client writes and reads, for a transcript or for debugging. Secrets never
// reach it: a line carrying a password is handed over with the secret replaced by asterisks.
class ProtocolTracer {
public:
    virtual ~ProtocolTracer() = default;
    virtual void lineSent(const std::string& line) = 0;
    virtual void lineReceived(const std::string& line) = 0;
    // A remark of the client's own, such as where the message body was left out.
    virtual void note(const std::string& text) = 0;
};

} // namespace pelmora::net
