#pragma once

#include "mail/ShortText.h"
#include "mail/TmsAttItem.h"
#include "mail/TmsHeaders.h"
#include "mail/TmsMailAddress.h"

#include <filesystem>
#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace pelmora::mail {

enum TMsgEncoding { meMIME, meUU };
// The charset declared for the text body. The body itself is always held as UTF-8; when the
// chosen charset cannot hold it, the composer declares utf-8 instead.
enum TCharSet { csUSASCII, csISO8859, csUTF8 };
enum TPriority { ptLow, ptNormal, ptHigh };

// A mail message: sender, recipients, subject, body lines (UTF-8), extra header lines and
// attachments. SaveToStream writes it as Internet message text; LoadFromStream reads one.
class TmsMessage {
public:
    TmsAttList Attachments;
    TMsgEncoding Encoding = meMIME;
    TmsMailAddress Sender;
    TmsAddressList Recipients; // "To"
    bool ReturnReceipt = false;
    TPriority Priority = ptNormal;
    ShortText Subject;
    TmsAddressList CC;
    TmsAddressList BCC; // never written into the text; only for the SMTP envelope
    TmsHeaders Headers; // extra header lines, written as they are
    TCharSet CharSet = csUSASCII;
    std::vector<std::string> Body;

    // Derived from the encoding, the body and the attachments on every read.
    std::string ContentType() const;

    void Assign(const TmsMessage& other) { *this = other; }

    // Raises EMessageError when there is no sender address or no recipient address at all.
    void Validate() const;
    // Empties the addresses, body, attachments and extra headers.
    void Clear();

    // Writes the message text (lines ending in CR LF) at the stream's current position.
    void SaveToStream(std::ostream& stream);
    // Parses message text from the stream's current position into this message, without
    // clearing it first. The stream must stay seekable (a file or a string stream): a message
    // whose structure cannot be read is kept whole as an attachment "original.eml". Raises
    // EMessageParserError only when the main header block does not end.
    void LoadFromStream(std::istream& stream);
    // Clears the message and parses the file.
    void LoadFromFile(const std::filesystem::path& fileName);
    // Writes attachment `index` into `directory` under its bare file name, replacing a file of
    // that name; names that would leave the directory are refused.
    void SaveAttachment(int index, const std::filesystem::path& directory) const;
};

const char* charSetName(TCharSet charSet); // "US-ASCII", "ISO-8859-1", "UTF-8"

// True when the attachment's bare file name begins with "_alt." (any case): an alternative
// view of the body (such as its HTML form) rather than a file of its own.
bool isAlternativeAttachment(const TmsAttItem& item);

} // namespace pelmora::mail
