// Drives the rich-text reader with arbitrary bytes: it must never crash, hang or run out of
// memory; what it reads must write out as a file it reads again, and writing that again must give
// the same bytes, so that saving a page twice never drifts.
#include "rtf/RtfDocument.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using namespace pelmora::rtf;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    Document document;
    try {
        document = parseRtf(bytes);
    } catch (const ERtfError&) {
        return 0;
    }
    const std::string once = writeRtf(document);
    Document again;
    try {
        again = parseRtf(once);
    } catch (const ERtfError&) {
        std::abort();
    }
    if (writeRtf(again) != once)
        std::abort();
    return 0;
}
