#pragma once

#include "base/Error.h"

namespace pelmora::mail {

// Raised by TmsMessage::Validate when a message cannot be sent as it stands.
class EMessageError : public Error {
public:
    using Error::Error;
};

// Raised by the parser when the structure of a message cannot be read. Inside the body of a
// message the parser turns it into a recovered message; only a header block that never ends
// reaches the caller.
class EMessageParserError : public Error {
public:
    using Error::Error;
};

// Raised by the decoders (base64, uuencode) for data outside their alphabet.
class EDecodeError : public Error {
public:
    using Error::Error;
};

// The texts of the mail messages, shared with the protocol clients.
namespace msg {
inline constexpr const char* SenderRequired = "The address of sender is required";                    // 57100
inline constexpr const char* RecipientRequired = "At least one Recipient, CC or BCC must be entered"; // 57101
inline constexpr const char* MultipartPreamble = "This is a multipart message in MIME format";        // 57106
inline constexpr const char* NoHeaders = "Unable to retrieve headers";                                // 57107
inline constexpr const char* NoContentType = "Missing required field: Content-Type";                  // 57108
inline constexpr const char* NoClosingBoundary = "Cannot find closing boundary";                      // 57109
inline constexpr const char* NoBoundary = "Cannot find boundary";                                     // 57110
inline constexpr const char* BadAttachment = "Error decoding the attachment";                         // 57111
inline constexpr const char* InvalidCharacter = "Invalid Character";
} // namespace msg

} // namespace pelmora::mail
