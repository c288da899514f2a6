#include "mail/DataCodecs.h"

#include "base/Error.h"
#include "mail/Base64.h"
#include "mail/TQuotedPrintable.h"
#include "mail/TextUtil.h"
#include "mail/UUCode.h"

#include <vector>

namespace pelmora::mail {

namespace {

std::string joinLines(const std::vector<std::string>& lines)
{
    std::string out;
    for (const std::string& line : lines) {
        out += line;
        out += '\n';
    }
    return out;
}

[[noreturn]] void unknownCodec(std::string_view codec)
{
    throw UsageError("Unknown codec \"" + std::string(codec) + "\" (base64, qp or uu)");
}

} // namespace

std::string encodeData(std::string_view codec, std::string_view data)
{
    std::vector<std::string> lines;
    if (codec == "base64") {
        for (std::size_t i = 0; i < data.size(); i += 57)
            lines.push_back(Base64EncodeChunk(data.substr(i, 57)));
    } else if (codec == "qp") {
        std::string plain(data);
        TQuotedPrintable(plain, lines).Encode();
    } else if (codec == "uu") {
        lines.push_back("begin 600 data");
        for (std::size_t i = 0; i < data.size(); i += 45)
            lines.push_back(UUEncodeLine(data.substr(i, 45)));
        lines.push_back("`");
        lines.push_back("end");
    } else {
        unknownCodec(codec);
    }
    return joinLines(lines);
}

std::string decodeData(std::string_view codec, std::string_view input)
{
    std::string out;
    if (codec == "base64") {
        Base64Decoder decoder(out);
        decoder.feed(input);
        decoder.finish();
    } else if (codec == "qp") {
        std::vector<std::string> lines;
        for (std::string_view line : text::splitLines(input))
            lines.emplace_back(line);
        TQuotedPrintable(out, lines).Decode();
    } else if (codec == "uu") {
        for (std::string_view line : text::splitLines(input)) {
            if (line.empty() || line == "`" || text::lower(line) == "end" || IsUUBeginLine(line))
                continue;
            out += UUDecodeLine(line);
        }
    } else {
        unknownCodec(codec);
    }
    return out;
}

} // namespace pelmora::mail
