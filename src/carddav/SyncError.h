#pragma once

#include "base/Error.h"

#include <string>

namespace pelmora::carddav {

// A sync that could not go on: the message is for the user. `fingerprint` is set when the
// server showed a certificate nobody vouches for, so the caller can offer to trust it.
class SyncError : public Error {
public:
    explicit SyncError(const std::string& message, std::string fingerprint = {})
        : Error(message)
        , m_fingerprint(std::move(fingerprint))
    {
    }
    const std::string& fingerprint() const { return m_fingerprint; }

private:
    std::string m_fingerprint;
};

// The server refused one card with an HTTP status: the connection is fine and the other cards
// go on; only this one waits for the next sync.
class CardRefused : public SyncError {
public:
    using SyncError::SyncError;
};

} // namespace pelmora::carddav
