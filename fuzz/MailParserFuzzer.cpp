// Any text handed to the parser either becomes a message or fails with the one error a
// header block without end gives; what was read must compose and parse again without losing
// a part (a text view of an alternative group may come back as the body, and an empty view,
// which holds nothing, may come back as an empty body). An empty multipart container holds
// nothing either: written out without parts, it may come back as an empty view.
#include "mail/MailErrors.h"
#include "mail/TmsMessage.h"

#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <strings.h>

namespace {

int partsHoldingSomething(const pelmora::mail::TmsMessage& message)
{
    int parts = message.Body.empty() ? 0 : 1;
    for (int i = 0; i < message.Attachments.Count(); ++i) {
        const pelmora::mail::TmsAttItem& item = message.Attachments.Items(i);
        const bool emptyContainer
            = item.Stream.empty() && strncasecmp(item.ContentType.str().c_str(), "multipart/", 10) == 0;
        if (!item.Stream.empty() || (!pelmora::mail::isAlternativeAttachment(item) && !emptyContainer))
            ++parts;
    }
    return parts;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace pelmora::mail;
    TmsMessage message;
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    try {
        message.LoadFromStream(in);
    } catch (const EMessageParserError&) {
        return 0;
    }
    std::ostringstream out;
    message.SaveToStream(out);
    TmsMessage back;
    std::istringstream again(out.str());
    back.LoadFromStream(again);
    if (partsHoldingSomething(back) < partsHoldingSomething(message))
        std::abort();
    return 0;
}
