#pragma once

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
    // extension (text types: quoted-printable, message/rfc822: 7 bit, else base64).
    void SetFileName(std::string_view fileName);
    void Assign(const TmsAttItem& other) { *this = other; }

    std::string Stream; // the content
    ShortText FileName;
    ShortText ContentType{"application/octet-stream"};
    TAttEncoding Encoding = aeBase64;
};

// An ordered list of attachments that owns its items.
class TmsAttList {
public:
    int Count() const { return static_cast<int>(m_items.size()); }
    TmsAttItem& Items(int index) { return *m_items.at(static_cast<std::size_t>(index)); }
    const TmsAttItem& Items(int index) const { return *m_items.at(static_cast<std::size_t>(index)); }

    // Loads the whole file; a file that cannot be read raises pelmora::Error and nothing is
    // appended.
    TmsAttItem& AddFile(const std::filesystem::path& fileName);
    TmsAttItem& AddItem(std::unique_ptr<TmsAttItem> item);
    void Clear() { m_items.clear(); }
    void Assign(const TmsAttList& other);

    // The stored form: triples (FileName, ContentType, Encoding); content is not stored.
    std::vector<std::tuple<std::string, std::string, int>> storedItems() const;

    TmsAttList() = default;
    TmsAttList(const TmsAttList& other) { Assign(other); }
    TmsAttList& operator=(const TmsAttList& other)
    {
        Assign(other);
        return *this;
    }
    TmsAttList(TmsAttList&&) = default;
    TmsAttList& operator=(TmsAttList&&) = default;

private:
    std::vector<std::unique_ptr<TmsAttItem>> m_items;
};

} // namespace pelmora::mail
