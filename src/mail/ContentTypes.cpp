#include "mail/ContentTypes.h"

#include "mail/TextUtil.h"

#include <cctype>
#include <fstream>
#include <sstream>
#include <unordered_map>

namespace pelmora::mail {

namespace {

using text::lower;

using TypeTable = std::unordered_map<std::string, std::string>;

// The types every system should know, for machines without /etc/mime.types.
const char* const Fallback[][2] = {
    {"txt", "text/plain"}, {"text", "text/plain"}, {"log", "text/plain"}, {"htm", "text/html"},
    {"html", "text/html"}, {"rtf", "text/rtf"}, {"csv", "text/csv"}, {"css", "text/css"},
    {"ics", "text/calendar"}, {"vcf", "text/vcard"}, {"xml", "application/xml"}, {"eml", "message/rfc822"},
    {"json", "application/json"}, {"js", "application/javascript"}, {"pdf", "application/pdf"},
    {"zip", "application/zip"}, {"gz", "application/gzip"}, {"tar", "application/x-tar"},
    {"7z", "application/x-7z-compressed"}, {"rar", "application/vnd.rar"}, {"doc", "application/msword"},
    {"docx", "application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
    {"xls", "application/vnd.ms-excel"},
    {"xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
    {"ppt", "application/vnd.ms-powerpoint"},
    {"pptx", "application/vnd.openxmlformats-officedocument.presentationml.presentation"},
    {"odt", "application/vnd.oasis.opendocument.text"}, {"ods", "application/vnd.oasis.opendocument.spreadsheet"},
    {"jpg", "image/jpeg"}, {"jpeg", "image/jpeg"}, {"png", "image/png"}, {"gif", "image/gif"},
    {"bmp", "image/bmp"}, {"tif", "image/tiff"}, {"tiff", "image/tiff"}, {"svg", "image/svg+xml"},
    {"ico", "image/vnd.microsoft.icon"}, {"webp", "image/webp"}, {"mp3", "audio/mpeg"}, {"wav", "audio/x-wav"},
    {"ogg", "audio/ogg"}, {"mp4", "video/mp4"}, {"avi", "video/x-msvideo"}, {"mov", "video/quicktime"},
    {"mpg", "video/mpeg"}, {"mpeg", "video/mpeg"}, {"exe", "application/octet-stream"},
    {"bin", "application/octet-stream"}};

void readSystemTable(TypeTable& table)
{
    std::ifstream in("/etc/mime.types");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream words(line);
        std::string type, extension;
        words >> type;
        while (words >> extension)
            table.emplace(lower(extension), lower(type));
    }
}

const TypeTable& types()
{
    static const TypeTable table = [] {
        TypeTable result;
        readSystemTable(result);
        // The built-in entries fill gaps only; the system's table wins where it speaks.
        for (const auto& entry : Fallback)
            result.emplace(entry[0], entry[1]);
        return result;
    }();
    return table;
}

} // namespace

std::string contentTypeForExtension(std::string_view extension)
{
    if (!extension.empty() && extension.front() == '.')
        extension.remove_prefix(1);
    if (extension.empty())
        return "application/octet-stream";
    auto found = types().find(lower(extension));
    return found == types().end() || found->second.empty() ? "application/octet-stream" : found->second;
}

} // namespace pelmora::mail
