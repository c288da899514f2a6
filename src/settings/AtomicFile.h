#pragma once

#include <filesystem>
#include <string_view>

#include <sys/types.h>

namespace pelmora::settings {

// Replaces a file's whole content: writes it under a temporary name in the same directory,
// flushes it to disk, gives it `mode` and renames it over the old file, so readers see either
// the old file or the new one, never a part. A symbolic link is followed: its target is replaced
// and the link stays. Throws pelmora::Error naming the file; the temporary file is removed then.
void writeFileAtomically(const std::filesystem::path& path, std::string_view bytes, mode_t mode);

} // namespace pelmora::settings
