#pragma once

#include "mail/TmsMessage.h"

#include <nlohmann/json.hpp>

#include <filesystem>

namespace pelmora::mail {

// A message as JSON: sender, recipients, cc, subject, priority, return_receipt, charset,
// encoding, content_type, body (lines joined with "\n"), headers and attachments (file_name,
// content_type, encoding, size, sha256).
nlohmann::json messageToJson(const TmsMessage& message);

// Fills a message from JSON of the same keys, plus bcc, with attachments given as paths
// (relative ones are looked up in the working directory, then in `baseDir`) or as objects
// {"path", "file_name", "content_type"}. Raises pelmora::Error for values of the wrong kind.
void messageFromJson(const nlohmann::json& json, const std::filesystem::path& baseDir, TmsMessage& message);

} // namespace pelmora::mail
