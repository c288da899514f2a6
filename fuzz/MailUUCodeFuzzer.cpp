// Decoding fails only with its own error; every chunk of up to 45 bytes round-trips.
#include "mail/MailErrors.h"
#include "mail/UUCode.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace pelmora::mail;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    try {
        UUDecodeLine(input);
    } catch (const EDecodeError&) {
    }
    IsUUBeginLine(input);
    UUBeginFileName(input);
    for (std::size_t pos = 0; pos < size; pos += 45) {
        std::string_view chunk = input.substr(pos, 45);
        if (UUDecodeLine(UUEncodeLine(chunk)) != chunk)
            std::abort();
    }
    return 0;
}
