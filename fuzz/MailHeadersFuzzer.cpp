// The header helpers read any text; what the composer makes of a value stays on one line.
#include "mail/HeaderWords.h"
#include "mail/TmsHeaders.h"
#include "mail/TmsMailAddress.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace pelmora::mail;
    std::string input(reinterpret_cast<const char*>(data), size);
    TmsHeaders headers;
    std::size_t start = 0;
    while (start <= input.size()) {
        std::size_t end = input.find('\n', start);
        headers.push_back(input.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    HeaderValue(headers, "Subject");
    std::vector<std::string> pieces;
    HeaderAddresses(headers, "To", pieces);
    TmsAddressList list;
    for (const std::string& piece : pieces)
        ParseAddress(piece, list.Add("", ""));
    std::string written = WriteAddressHeader("To", list);
    // Only the composer's own line ends may appear, each followed by a continuation.
    for (std::size_t i = written.find('\n'); i != std::string::npos && i + 1 < written.size(); i = written.find('\n', i + 1)) {
        if (written[i + 1] != ' ' && written[i + 1] != '\t')
            std::abort();
    }
    parseHeaderParams(input);
    std::string decoded = DecodeHeaderWords(input);
    std::string encoded = encodeHeaderText(decoded);
    if (DecodeHeaderWords(encoded).size() != decoded.size() && decoded.find_first_of("\r\n") == std::string::npos &&
        decoded.find("=?") == std::string::npos)
        std::abort();
    DeleteHeader(headers, "Subject");
    return 0;
}
