// Feeds arbitrary replies to the HTTP fetch: status lines, headers, lengths, chunks and
// redirects. A redirect may name any host, so every connection is held to the loopback peer.
#include "NetFuzzPeer.h"

#include "base/Error.h"
#include "net/TagHTTP.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static pelmora::fuzz::NetFuzzPeer peer;
    peer.serve(std::string(reinterpret_cast<const char*>(data), size));
    pelmora::net::TagHTTP http;
    http.TimeOut = 2;
    http.OnOpen = [](pelmora::net::TagSocket& socket) {
        if (socket.Server != peer.server() || socket.UseTls)
            throw pelmora::Error("only the loopback peer may be reached");
    };
    try {
        http.setURL("http://" + peer.server() + "/page.htm");
        http.Get();
    } catch (const std::exception&) {
    }
    peer.join();
    return 0;
}
