#include "protocols/TmsPOP.h"

#include "base/Error.h"

#include <iterator>

namespace pelmora::protocols {

namespace {

void keepWhole(mail::TmsMessage& message, const std::string& error, std::istream& text)
{
    message.Body = {"The following error has been occured while processing the message:", error,
                    "The original message will be stored as an attachment"};
    auto item = std::make_unique<mail::TmsAttItem>();
    item->SetFileName("original.eml");
    item->Encoding = mail::aeSevenBit;
    item->ContentType = "message/rfc822";
    text.clear();
    text.seekg(0);
    item->Stream.assign(std::istreambuf_iterator<char>(text), std::istreambuf_iterator<char>());
    if (!text.eof() && text.fail())
        throw Error("Cannot read the message back from its spool file");
    message.Attachments.AddItem(std::move(item));
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
