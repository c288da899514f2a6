#pragma once

#include <string>

// The same work done with GMime 3, the peer the benchmarks compare against.
namespace pelmora::bench::gmime {

void init();
// Parses a message and decodes the content of every leaf part; returns the decoded bytes.
std::size_t parseAndDecode(const std::string& text);
std::size_t base64Decode(const std::string& in, std::string& out);
std::size_t base64Encode(const std::string& in, std::string& out);
std::size_t qpDecode(const std::string& in, std::string& out);
std::size_t qpEncode(const std::string& in, std::string& out);

} // namespace pelmora::bench::gmime
