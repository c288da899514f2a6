// Feeds arbitrary server replies to the SMTP client: multi-line replies, bare codes, refusals
// at every step.
#include "NetFuzzPeer.h"

#include "protocols/SpoolFile.h"
#include "protocols/TmsSMTP.h"

#include <fstream>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static pelmora::fuzz::NetFuzzPeer peer;
    static pelmora::protocols::SpoolFile spool;
    static bool written = [] {
        std::ofstream(spool.path(), std::ios::binary) << "Subject: fuzz\r\n\r\n.dot\r\nend\r\n";
        return true;
    }();
    (void)written;
    peer.serve(std::string(reinterpret_cast<const char*>(data), size));
    pelmora::protocols::TmsSMTP smtp;
    smtp.Server = peer.server();
    smtp.Security = pelmora::protocols::MailSecurity::Plain;
    smtp.TimeOut = 2;
    try {
        smtp.SendSpool({"me@here.test", {"to@there.test"}}, spool.path());
    } catch (const std::exception&) {
    }
    peer.join();
    return 0;
}
