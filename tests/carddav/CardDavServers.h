#pragma once

#include "carddav/Http.h"
#include "TestServers.h"

#include <memory>
#include <string>

namespace pelmora::test {

// One address-book server of scripts/servers, plain or over TLS.
struct CardDavServer {
    std::string name; // "radicale" or "xandikos"
    bool tls = false;
};

inline std::string serverUrl(
    const TestServers& servers, const CardDavServer& server, const std::string& host = "127.0.0.1")
{
    const std::string port = server.name + (server.tls ? "_tls_port" : "_port");
    return std::string(server.tls ? "https://" : "http://") + host + ":"
        + std::to_string(servers.info()["carddav"][port].get<int>()) + "/";
}

inline carddav::Connection connectionTo(const TestServers& servers, bool trustCa = true)
{
    carddav::Connection c;
    c.user = servers.user();
    c.password = servers.password();
    if (trustCa)
        c.caFile = servers.caFile().string();
    c.timeoutSeconds = 20;
    c.connectTimeoutSeconds = 5;
    return c;
}

// A suite over the address-book servers, started once for all its tests; they skip (fail
// under CI) when the servers cannot start here.
class CardDavSuite : public ::testing::TestWithParam<CardDavServer> {
protected:
    static void SetUpTestSuite() { servers_() = std::make_unique<TestServers>("carddav"); }
    static void TearDownTestSuite() { servers_().reset(); }
    void SetUp() override
    {
        if (!servers_()->available())
            PELMORA_SKIP_OR_FAIL("the address-book servers could not be started here");
    }
    static TestServers& servers() { return *servers_(); }

private:
    static std::unique_ptr<TestServers>& servers_()
    {
        static std::unique_ptr<TestServers> instance;
        return instance;
    }
};

inline std::string printName(const ::testing::TestParamInfo<CardDavServer>& info)
{
    return info.param.name + (info.param.tls ? "Tls" : "Plain");
}

} // namespace pelmora::test
