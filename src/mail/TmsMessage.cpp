#include "mail/TmsMessage.h"

#include "base/Error.h"
#include "mail/MailErrors.h"
#include "mail/TLineStream.h"
#include "mail/TmsMessageDecoder.h"
#include "mail/TmsMessageEncoder.h"

#include <cctype>
#include <fstream>

namespace pelmora::mail {

namespace {

bool isAlternativeName(const std::string& fileName)
{
    std::string bare = bareFileName(fileName);
    if (bare.size() < 5)
        return false;
    for (std::size_t i = 0; i < 5; ++i) {
        if (std::tolower(static_cast<unsigned char>(bare[i])) != "_alt."[i])
            return false;
    }
    return true;
}

bool anyAddress(const TmsAddressList& list)
{
    for (int i = 0; i < list.Count(); ++i) {
        if (!list.Items(i).Address.empty())
            return true;
    }
    return false;
}

} // namespace

bool isAlternativeAttachment(const TmsAttItem& item)
{
    return isAlternativeName(item.FileName.str());
}

const char* charSetName(TCharSet charSet)
{
    switch (charSet) {
    case csUSASCII:
        return "US-ASCII";
    case csISO8859:
        return "ISO-8859-1";
    case csUTF8:
        return "UTF-8";
    }
    return "US-ASCII";
}

std::string TmsMessage::ContentType() const
{
    if (Encoding == meUU)
        return {};
    int count = Attachments.Count();
    bool allAlternative = count > 0;
    for (int i = 0; i < count; ++i)
        allAlternative = allAlternative && isAlternativeAttachment(Attachments.Items(i));
    if (allAlternative)
        return "multipart/alternative";
    if (!Body.empty())
        return count == 0 ? "text/plain" : "multipart/mixed";
    if (count == 1)
        return Attachments.Items(0).ContentType.str();
    return count == 0 ? "text/plain" : "multipart/mixed";
}

void TmsMessage::Validate() const
{
    if (Sender.Address.empty())
        throw EMessageError(msg::SenderRequired);
    if (!anyAddress(Recipients) && !anyAddress(CC) && !anyAddress(BCC))
        throw EMessageError(msg::RecipientRequired);
}

void TmsMessage::Clear()
{
    CC.Clear();
    BCC.Clear();
    Body.clear();
    Attachments.Clear();
    Recipients.Clear();
    Sender.Name = "";
    Sender.Address = "";
    Headers.clear();
}

void TmsMessage::SaveToStream(std::ostream& stream)
{
    TmsMessageEncoder(*this, stream).Write();
}

void TmsMessage::LoadFromStream(std::istream& stream)
{
    TLineStream input(stream);
    TmsMessageDecoder(input, *this).Parse();
}

void TmsMessage::LoadFromFile(const std::filesystem::path& fileName)
{
    Clear();
    std::ifstream in(fileName, std::ios::binary);
    if (!in)
        throw Error("Cannot open file \"" + fileName.string() + "\"");
    LoadFromStream(in);
}

void TmsMessage::SaveAttachment(int index, const std::filesystem::path& directory) const
{
    const TmsAttItem& item = Attachments.Items(index);
    // Names come from received mail: only the bare name is used, so no name can reach
    // outside the directory.
    std::string name = bareFileName(item.FileName.str());
    if (name.empty() || name == "." || name == "..")
        throw Error("Invalid attachment file name \"" + item.FileName.str() + "\"");
    std::filesystem::path target = directory / name;
    std::filesystem::path partial = target;
    partial += ".part";
    {
        std::ofstream out(partial, std::ios::binary | std::ios::trunc);
        out.write(item.Stream.data(), static_cast<std::streamsize>(item.Stream.size()));
        if (!out)
            throw Error("Cannot write file \"" + target.string() + "\"");
    }
    std::filesystem::rename(partial, target);
}

} // namespace pelmora::mail
