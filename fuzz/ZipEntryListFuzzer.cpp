// The entry-list reader runs on any file the user names as a back-up; it must end with a list
// or a reading error, never crash, read out of bounds or loop.
#include "archive/ArchiveError.h"
#include "archive/ZipEntryList.h"

#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::string bytes(reinterpret_cast<const char*>(data), size);
    std::istringstream in(bytes);
    try {
        auto entries = pelmora::archive::readZipEntryList(in, bytes.size());
        for (const auto& entry : entries) {
            if (entry.offset >= bytes.size())
                __builtin_trap();
        }
    } catch (const pelmora::archive::ZipReadError&) {
    }
    return 0;
}
