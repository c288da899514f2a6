// Any text handed to the parser either becomes a message or fails with the one error a
// header block without end gives; what was read must compose and parse again without losing
// a part (a text view of an alternative group may come back as the body).
#include "mail/MailErrors.h"
#include "mail/TmsMessage.h"

#include <cstdint>
#include <cstdlib>
#include <sstream>

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
    int parts = message.Attachments.Count() + (message.Body.empty() ? 0 : 1);
    int partsBack = back.Attachments.Count() + (back.Body.empty() ? 0 : 1);
    if (partsBack < parts)
        std::abort();
    return 0;
}
