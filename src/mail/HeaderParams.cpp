#include "mail/TmsHeaders.h"

#include "mail/Charset.h"
#include "mail/HeaderWords.h"
#include "mail/TextUtil.h"

#include <cctype>
#include <cstdlib>

namespace pelmora::mail {

namespace {

using text::lower;
using text::trim;

// Cuts at ";" outside double quotes.
std::vector<std::string_view> splitParams(std::string_view value)
{
    std::vector<std::string_view> pieces;
    bool quoted = false;
    std::size_t start = 0;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (quoted && value[i] == '\\' && i + 1 < value.size() && value[i + 1] == '"')
            ++i;
        else if (value[i] == '"')
            quoted = !quoted;
        else if (value[i] == ';' && !quoted) {
            pieces.push_back(value.substr(start, i - start));
            start = i + 1;
        }
    }
    pieces.push_back(value.substr(start));
    return pieces;
}

std::string unquoteValue(std::string_view value)
{
    value = trim(value);
    if (value.empty() || value.front() != '"')
        return std::string(value);
    std::string out;
    for (std::size_t i = 1; i < value.size() && value[i] != '"'; ++i) {
        // Only \" and \\ are taken as quoted pairs: Windows paths in file names keep their
        // backslashes, so the bare name can still be found after the last one.
        if (value[i] == '\\' && i + 1 < value.size() && (value[i + 1] == '"' || value[i + 1] == '\\'))
            ++i;
        out += value[i];
    }
    return out;
}

std::string percentDecode(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::strtol(std::string(text.substr(i + 1, 2)).c_str(), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

struct Segment {
    bool extended = false;
    std::string raw;
};

// Joins the RFC 2231 segments of one parameter (name*0*=utf-8''a%20b; name*1=c) into text.
std::string joinSegments(const std::map<int, Segment>& segments)
{
    std::string charset;
    std::string bytes;
    bool first = true;
    for (const auto& [index, segment] : segments) {
        std::string_view raw = segment.raw;
        if (segment.extended && first) {
            std::size_t quote1 = raw.find('\'');
            std::size_t quote2 = quote1 == std::string_view::npos ? quote1 : raw.find('\'', quote1 + 1);
            if (quote2 != std::string_view::npos) {
                charset = std::string(raw.substr(0, quote1));
                raw = raw.substr(quote2 + 1);
            }
        }
        bytes += segment.extended ? percentDecode(raw) : std::string(raw);
        first = false;
    }
    return toUtf8(bytes, charset);
}

} // namespace

std::string HeaderParams::param(const std::string& name) const
{
    auto found = params.find(name);
    return found == params.end() ? std::string() : found->second;
}

std::string HeaderParams::text(const std::string& name) const
{
    auto found = decoded.find(name);
    return found == decoded.end() ? std::string() : found->second;
}

HeaderParams parseHeaderParams(std::string_view value)
{
    HeaderParams result;
    std::vector<std::string_view> pieces = splitParams(value);
    result.value = lower(trim(pieces.front()));
    std::map<std::string, std::map<int, Segment>> extended;
    for (std::size_t i = 1; i < pieces.size(); ++i) {
        std::size_t equals = pieces[i].find('=');
        if (equals == std::string_view::npos)
            continue;
        std::string name = lower(trim(pieces[i].substr(0, equals)));
        std::string paramValue = unquoteValue(pieces[i].substr(equals + 1));
        std::size_t star = name.find('*');
        if (star == std::string::npos) {
            result.params.emplace(name, paramValue);
            result.decoded.emplace(name, DecodeHeaderWords(paramValue));
            continue;
        }
        std::string base = name.substr(0, star);
        std::string_view suffix = std::string_view(name).substr(star + 1);
        Segment segment{!suffix.empty() ? suffix.back() == '*' : true, paramValue};
        if (!suffix.empty() && suffix.back() == '*')
            suffix.remove_suffix(1);
        int index = suffix.empty() ? 0 : std::atoi(std::string(suffix).c_str());
        if (index >= 0 && index < 1000)
            extended[base].emplace(index, segment);
    }
    // An RFC 2231 value wins over a plain one of the same name, which old readers get.
    for (const auto& [name, segments] : extended) {
        result.decoded[name] = joinSegments(segments);
        result.params.emplace(name, result.decoded[name]);
    }
    return result;
}

} // namespace pelmora::mail
