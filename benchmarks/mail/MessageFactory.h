#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace pelmora::bench {

// Realistic messages for the benchmarks: a header block as servers leave it, a text body, an
// HTML alternative and base64 attachments of mixed sizes, all from a fixed seed.
std::vector<std::string> makeMessages(std::size_t count, unsigned seed);

// Writes one message with a single base64 attachment of about `attachmentBytes` decoded bytes,
// line by line, so writing it needs no memory of that size.
void writeLargeMessage(std::ostream& out, std::size_t attachmentBytes);

// Text of `size` bytes: words, punctuation, some Latin-1 letters, lines of about 70.
std::string makeText(std::size_t size, unsigned seed);
std::string makeBinary(std::size_t size, unsigned seed);

} // namespace pelmora::bench
