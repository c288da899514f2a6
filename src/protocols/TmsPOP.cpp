#include "protocols/TmsPOP.h"

#include "base/Error.h"

#include <iterator>

namespace pelmora::protocols {

void keepMessageWhole(mail::TmsMessage& message, const std::string& error, std::string text)
{
    message.Body = { "The following error has been occured while processing the message:", error,
        "The original message will be stored as an attachment" };
    auto item = std::make_unique<mail::TmsAttItem>();
    item->SetFileName("original.eml");
    item->Encoding = mail::aeSevenBit;
    item->ContentType = "message/rfc822";
    item->Stream = std::move(text);
    message.Attachments.AddItem(std::move(item));
}

namespace {

void keepWhole(mail::TmsMessage& message, const std::string& error, std::istream& text)
{
    text.clear();
    text.seekg(0);
    std::string whole(std::istreambuf_iterator<char>(text), std::istreambuf_iterator<char> {});
    if (!text.eof() && text.fail())
        throw Error("Cannot read the message back from its spool file");
    keepMessageWhole(message, error, std::move(whole));
}

} // namespace

void TmsPOP::MessageReceived(int /*index*/, std::istream& text)
{
    auto message = std::make_unique<mail::TmsMessage>();
    try {
        message->LoadFromStream(text);
    } catch (const std::exception& error) {
        message = std::make_unique<mail::TmsMessage>();
        keepWhole(*message, error.what(), text);
    }
    Messages.Add(std::move(message));
}

} // namespace pelmora::protocols
