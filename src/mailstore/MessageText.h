#pragma once

#include <filesystem>
#include <string>

namespace pelmora::data {
class DateFormat;
}

namespace pelmora::mailstore {

struct StoredMessage;

// The text a message is saved and printed as: Subject, Date, From/To, Email and Content lines,
// then the body, every line ending in CR LF.
std::string messageText(const StoredMessage& message, const data::DateFormat& dateFormat);

// Writes that text straight to `file`. An existing file is replaced only with `overwrite`
// (pelmora::Error otherwise); the text is written to a temporary file beside it and renamed
// over it, so a failure never leaves half a file.
void saveMessageText(const StoredMessage& message, const data::DateFormat& dateFormat,
    const std::filesystem::path& file, bool overwrite);

} // namespace pelmora::mailstore
