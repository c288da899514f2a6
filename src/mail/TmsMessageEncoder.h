#pragma once

#include "mail/TmsMessage.h"

#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace pelmora::mail {

// Writes a TmsMessage as Internet message text, every line followed by CR LF. The body is not
// changed: dot-stuffing belongs to the SMTP transport.
class TmsMessageEncoder {
public:
    TmsMessageEncoder(const TmsMessage& message, std::ostream& out);
    void Write();

private:
    void writeLine(std::string_view line);
    void writeHeaderBlock();
    void writeExtraHeaders();
    void writeTextPartHeader();
    void writeBodyLines();
    void writeUULayout();
    void writeMultipart(bool alternativeMode);
    void writeSingleAttachment();
    void writeAttachmentHead(const TmsAttItem& item, bool withName);
    void writeAttachmentData(const TmsAttItem& item);
    void writeDelimiter(const std::string& boundary);
    void writeChunked(std::string_view data, std::size_t chunkSize, std::string (*encode)(std::string_view));

    const TmsMessage& m_message;
    std::ostream& m_out;
    bool m_longLines = false;
    // The charset the body is written in, and its text in that charset.
    TCharSet m_bodyCharSet = csUSASCII;
    std::string m_bodyText;
};

// Eight random digits from 0 to 8: a multipart boundary that no base64 or quoted-printable
// line can equal.
std::string makeBoundary();

} // namespace pelmora::mail
