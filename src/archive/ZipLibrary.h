#pragma once

#include <zip.h>

#include <memory>
#include <string>

namespace pelmora::archive {

// Helpers shared by the parts of the archive component that call the zip library.

struct ZipDiscard {
    void operator()(zip_t* archive) const { zip_discard(archive); }
};
using ZipHandle = std::unique_ptr<zip_t, ZipDiscard>;

// The library's text for an error code returned by zip_open.
inline std::string zipErrorText(int code)
{
    zip_error_t error;
    zip_error_init_with_code(&error, code);
    std::string text = zip_error_strerror(&error);
    zip_error_fini(&error);
    return text;
}

} // namespace pelmora::archive
