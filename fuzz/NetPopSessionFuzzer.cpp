// Feeds arbitrary server replies to the POP3 client: greeting, status lines, message texts
// with their terminators and stuffing, cut anywhere.
#include "NetFuzzPeer.h"

#include "protocols/TmsCustomPOP.h"

#include <iterator>

namespace {

class DiscardingPOP : public pelmora::protocols::TmsCustomPOP {
protected:
    // Reads the text back, so that a spool that was not finished properly shows up.
    void MessageReceived(int, std::istream& text) override
    {
        std::string whole{std::istreambuf_iterator<char>(text), std::istreambuf_iterator<char>()};
        if (text.bad())
            __builtin_trap();
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static pelmora::fuzz::NetFuzzPeer peer;
    peer.serve(std::string(reinterpret_cast<const char*>(data), size));
    DiscardingPOP pop;
    pop.Server = peer.server();
    pop.UserName = "user";
    pop.Password = "password";
    pop.TimeOut = 2;
    try {
        pop.Retrieve(size % 2 == 0);
    } catch (const std::exception&) {
        // Every fault of the server must end as an error, never as a crash or a hang.
    }
    peer.join();
    return 0;
}
