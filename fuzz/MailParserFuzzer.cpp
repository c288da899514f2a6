// Any text handed to the parser either becomes a message or fails with the one error a
// header block without end gives; what was read must compose and parse again without losing
// a part (a text view of an alternative group may come back as the body, and an empty view,
// which holds nothing, may come back as an empty body).
#include "mail/MailErrors.h"
#include "mail/TmsMessage.h"

#include <cstdint>
#include <cstdlib>
#include <sstream>

namespace {

int partsHoldingSomething(const pelmora::mail::TmsMessage& message)
{
    int parts = message.Body.empty() ? 0 : 1;
    for (int i = 0; i < message.Attachments.Count(); ++i) {
        const pelmora::mail::TmsAttItem& item = message.Attachments.Items(i);
        if (!item.Stream.empty() || !pelmora::mail::isAlternativeAttachment(item))
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
