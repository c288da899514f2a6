#include "cli/Command.h"

#include "base/Error.h"
#include "net/SocketErrors.h"
#include "net/TagRas.h"

#include <nlohmann/json.hpp>

#include <cstdlib>

namespace pelmora::cli {

namespace {

// The daemon and its phone book can be pointed elsewhere, so a machine without dial-up (or a
// test) can try the commands against a stand-in.
std::unique_ptr<net::RasBackend> backend()
{
    const char* peers = std::getenv("PELMORA_PPP_PEERS");
    const char* pppd = std::getenv("PELMORA_PPPD");
    if (peers && *peers && pppd && *pppd)
        return net::makePppdRasBackend(peers, pppd);
    return net::makeDefaultRasBackend();
}

int list(std::vector<std::string> words)
{
    Args args(std::move(words), {});
    args.expectEnd();
    net::TagRas ras(backend());
    printJson(ras.Entries());
    return 0;
}

int test(std::vector<std::string> words)
{
    Args args(std::move(words), { "timeout" });
    std::string entry = args.next("ENTRY");
    args.expectEnd();
    int timeout = args.seconds("timeout", 120);
    net::TagRas ras(backend());
    if (auto refused = ras.setService(entry))
        throw Error(*refused);
    ras.TimeOut = timeout;
    nlohmann::json result = { { "entry", entry }, { "status", nlohmann::json::array() } };
    ras.OnStatusChange = [&](net::TagRas&, const std::string& text) { result["status"].push_back(text); };
    try {
        ras.Connect();
        result["connected"] = true;
        // False when a link of the entry was up already: it was used, and is left up.
        result["dialed"] = ras.DialedByMe();
    } catch (const Error& error) {
        result["connected"] = false;
        result["error"] = error.what();
    }
    ras.HangUp();
    printJson(result);
    return result["connected"].get<bool>() ? 0 : 1;
}

int runDialup(Context&, std::vector<std::string> words)
{
    if (words.empty())
        throw UsageError("Unknown dialup command (use list or test)");
    std::string command = words.front();
    words.erase(words.begin());
    if (command == "list")
        return list(std::move(words));
    if (command == "test")
        return test(std::move(words));
    throw UsageError("Unknown dialup command \"" + command + "\" (use list or test)");
}

} // namespace

const CommandGroup dialupGroup = {
    "dialup",
    "  pelmora dialup list                  the dial-up entries (JSON)\n"
    "  pelmora dialup test ENTRY [--timeout SEC]\n"
    "                                       dial ENTRY (or use its link if one is up), report the\n"
    "                                       status texts, hang up again what was dialed\n",
    runDialup,
};

} // namespace pelmora::cli
