#pragma once

#include "mail/OwningList.h"
#include "mail/ShortText.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

namespace pelmora::mail {

// Transfer encoding of an attachment; the ordinals are stored with attachment lists.
enum TAttEncoding : std::uint8_t { aeSevenBit = 0, aeBase64 = 1, aeQuotedPrintable = 2 };

// The text written after "Content-Transfer-Encoding: " for an attachment.
const char* attEncodingName(TAttEncoding encoding);

// The part of a path after the last "\", "/" or ":": the only part of a file name that is
// ever written into a message or used to name a saved attachment.
std::string bareFileName(std::string_view path);

// One attachment: its content (bytes, in memory), its file name, MIME type and the transfer
// encoding used when it is written.
class TmsAttItem {
public:
    // Stores the name and, when it is not empty, derives ContentType and Encoding from its
    // extension (text types: quoted-printable, message/rfc822: 7bit, else base64).
    void SetFileName(std::string_view fileName);
    void Assign(const TmsAttItem& other) { *this = other; }

    std::string Stream; // the content
    ShortText FileName;
    ShortText ContentType { "application/octet-stream" };
    TAttEncoding Encoding = aeBase64;
};

// An ordered list of attachments that owns its items.
class TmsAttList : public OwningList<TmsAttItem> {
public:
    // Loads the whole file; a file that cannot be read raises pelmora::Error and nothing is
    // appended.
    TmsAttItem& AddFile(const std::filesystem::path& fileName);

    // The stored form: triples (FileName, ContentType, Encoding); content is not stored.
    std::vector<std::tuple<std::string, std::string, int>> storedItems() const;
};

} // namespace pelmora::mail
