#pragma once

#include <string>
#include <string_view>

namespace pelmora::mail {

// Encodes up to 191 bytes as one base64 text with "=" padding; the composer gives 57 bytes
// at a time, which makes lines of 76 characters.
std::string Base64EncodeChunk(std::string_view bytes);

// Encodes any amount of bytes as lines of 76 characters, each followed by CR LF.
std::string base64EncodeLines(std::string_view bytes);

// Decodes one line of base64. White space inside is skipped; any other character outside the
// alphabet raises EDecodeError "Invalid Character".
std::string Base64DecodeLine(std::string_view text);

// Decodes base64 that arrives in pieces (lines of any length), appending to `out`. Quads may
// span pieces; white space is skipped; data after the padding is ignored.
class Base64Decoder {
public:
    enum Strictness { RefuseInvalid, SkipInvalid };
    explicit Base64Decoder(std::string& out, Strictness strictness = RefuseInvalid)
        : m_out(out)
        , m_skipInvalid(strictness == SkipInvalid)
    {
    }
    // A character outside the alphabet raises EDecodeError "Invalid Character", or is passed
    // over with SkipInvalid.
    void feed(std::string_view text);
    // Writes the bytes of a last, unpadded group.
    void finish();

private:
    std::string& m_out;
    unsigned m_bits = 0;
    int m_count = 0;
    bool m_skipInvalid = false;
};

} // namespace pelmora::mail
