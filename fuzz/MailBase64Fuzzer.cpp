// Decoding never fails but with its own error; encoding then decoding gives the bytes back.
#include "mail/Base64.h"
#include "mail/MailErrors.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace pelmora::mail;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    try {
        std::string out;
        Base64Decoder decoder(out);
        std::size_t half = size / 2;
        decoder.feed(input.substr(0, half));
        decoder.feed(input.substr(half));
        decoder.finish();
    } catch (const EDecodeError&) {
    }
    if (Base64DecodeLine(base64EncodeLines(input)) != input)
        std::abort();
    return 0;
}
