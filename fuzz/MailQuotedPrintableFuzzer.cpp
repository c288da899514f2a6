// Decoding accepts any text; encoding then decoding keeps bytes that do not end in a line end.
#include "mail/TQuotedPrintable.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace pelmora::mail;
    std::string input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> lines{input};
    std::string decoded;
    TQuotedPrintable(decoded, lines).Decode();
    QDecodeWord(input);

    // Bare CR and LF become CR LF on the way, which is the canonical form of text; the
    // round trip is checked on text without them.
    std::string text;
    for (char c : input) {
        if (c != '\r' && c != '\n')
            text += c;
    }
    std::vector<std::string> encoded;
    TQuotedPrintable(text, encoded).Encode();
    for (const std::string& line : encoded) {
        for (char c : line) {
            if (static_cast<unsigned char>(c) >= 128 || c == '\r' || c == '\n')
                std::abort();
        }
    }
    std::string back;
    TQuotedPrintable(back, encoded).Decode();
    // The last line gets its line end, unless it ends in Ctrl-Z (an old DOS end mark).
    bool ctrlZ = !text.empty() && text.back() == '\x1A';
    if (text.empty() ? !back.empty() : back != text + "\r\n" && !(ctrlZ && back == text))
        std::abort();
    return 0;
}
