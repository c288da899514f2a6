#include "mail/TmsAttItem.h"

#include "base/Error.h"
#include "mail/ContentTypes.h"
#include "mail/TextUtil.h"

#include <cctype>
#include <fstream>
#include <sstream>

namespace pelmora::mail {

const char* attEncodingName(TAttEncoding encoding)
{
    switch (encoding) {
    case aeSevenBit:
        return "7bit";
    case aeBase64:
        return "Base64";
    case aeQuotedPrintable:
        return "Quoted-Printable";
    }
    return "Base64";
}

std::string bareFileName(std::string_view path)
{
    std::size_t cut = path.find_last_of("\\/:");
    return std::string(cut == std::string_view::npos ? path : path.substr(cut + 1));
}

void TmsAttItem::SetFileName(std::string_view fileName)
{
    FileName = fileName;
    if (FileName.empty())
        return;
    std::string bare = bareFileName(FileName.str());
    std::size_t dot = bare.rfind('.');
    ContentType
        = contentTypeForExtension(dot == std::string::npos ? std::string_view() : std::string_view(bare).substr(dot));
    std::string type = text::upper(ContentType.str());
    if (type == "TEXT/PLAIN" || type == "TEXT/RTF" || type == "TEXT/HTML")
        Encoding = aeQuotedPrintable;
    else if (type == "MESSAGE/RFC822")
        Encoding = aeSevenBit;
    else
        Encoding = aeBase64;
}

TmsAttItem& TmsAttList::AddFile(const std::filesystem::path& fileName)
{
    std::ifstream in(fileName, std::ios::binary);
    if (!in)
        throw Error("Cannot open file \"" + fileName.string() + "\"");
    std::ostringstream content;
    content << in.rdbuf();
    if (in.bad())
        throw Error("Cannot read file \"" + fileName.string() + "\"");
    auto item = std::make_unique<TmsAttItem>();
    item->SetFileName(fileName.string());
    item->Stream = std::move(content).str();
    return AddItem(std::move(item));
}

std::vector<std::tuple<std::string, std::string, int>> TmsAttList::storedItems() const
{
    std::vector<std::tuple<std::string, std::string, int>> out;
    for (const auto& item : items())
        out.emplace_back(item->FileName.str(), item->ContentType.str(), static_cast<int>(item->Encoding));
    return out;
}

} // namespace pelmora::mail
