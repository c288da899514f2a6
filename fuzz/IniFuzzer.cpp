// Drives the INI reader with arbitrary bytes: it must never crash, an untouched file must write
// back byte for byte, and a value set must read back exactly, whatever surrounds it.
#include "base/Error.h"
#include "settings/IniFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

using pelmora::settings::IniFile;

namespace {

void check(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    IniFile ini = IniFile::parse(bytes);
    // UTF-16 input is decoded and re-encoded, so only well-formed text comes back identical.
    const bool utf8 = ini.encoding() != IniFile::Encoding::Utf16Le && ini.encoding() != IniFile::Encoding::Utf16Be;
    if (utf8)
        check(ini.serialize() == bytes);
    (void)ini.value("Setup", "Server");
    (void)ini.integer("Setup", "RAS", 0);

    // The first line, whatever it holds, serves as a value to store.
    const std::string value(bytes.substr(0, bytes.find_first_of(std::string_view("\r\n\0", 3))));
    try {
        ini.setValue("Setup", "Password", value);
    } catch (const pelmora::Error&) {
        return 0; // refused values (line breaks) are expected
    }
    const IniFile again = IniFile::parse(ini.serialize());
    if (utf8)
        check(again.value("Setup", "Password") == value);
    return 0;
}
