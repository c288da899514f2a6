#pragma once

#include "mail/TLineStream.h"
#include "mail/TmsMessage.h"

#include <string>

namespace pelmora::mail {

// Turns message text into a TmsMessage: header fields into sender, recipients, subject,
// priority and receipt flag; the first text/plain part that is not an attachment into Body
// (converted to UTF-8); every other leaf part, and every uuencoded block, into an attachment.
// Multiparts are read to a depth of 20. When the structure cannot be read, the message is
// kept: an explanation goes into the body and the whole text becomes "original.eml".
class TmsMessageDecoder {
public:
    TmsMessageDecoder(TLineStream& input, TmsMessage& message)
        : m_input(input)
        , m_message(message)
    {
    }

    // Raises EMessageParserError "Unable to retrieve headers" when the main header block does
    // not end; every other fault of the text is recovered.
    void Parse();

private:
    void readFields();
    bool isMime() const;
    void parsePlain();
    // Adds the text after a uuencoded file to the body, passing over the file's "end" line when
    // one is due; true when another file begins (at `line`).
    bool keepTextUpToFile(std::string_view& line, bool endLineDue);
    void recover(const std::string& error);

    TLineStream& m_input;
    TmsMessage& m_message;
    TmsHeaders m_mainHeaders;
};

// Reads a header block (up to an empty line or the end of the text) into `headers`; raises
// EMessageParserError "Unable to retrieve headers" when the text holds no line at all.
void readHeaderBlock(TLineStream& input, TmsHeaders& headers);

// A file name from received mail made safe to keep: the bare name without directories or
// control characters.
std::string safeFileName(std::string_view name);

} // namespace pelmora::mail
