#include "TestServers.h"

#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace pelmora::test {

namespace {

std::string script()
{
    return std::string(PELMORA_SOURCE_DIR) + "/scripts/servers/servers.py";
}

} // namespace

std::unique_ptr<TestServers> ServerSuite::s_servers;

TestServers::TestServers(const std::string& kinds)
{
    auto dir = m_dir.path() / "servers";
    std::string command = "/usr/bin/python3 '" + script() + "' start --dir '" + dir.string() + "' --parent " +
                          std::to_string(::getpid()) + " " + kinds + " >/dev/null";
    if (std::system(command.c_str()) != 0)
        return;
    std::ifstream in(dir / "servers.json");
    if (in)
        m_info = nlohmann::json::parse(in, nullptr, false);
    if (m_info.is_discarded())
        m_info = nullptr;
}

TestServers::~TestServers()
{
    std::string command =
        "/usr/bin/python3 '" + script() + "' stop --dir '" + (m_dir.path() / "servers").string() + "' >/dev/null 2>&1";
    [[maybe_unused]] int ignored = std::system(command.c_str());
}

std::string TestServers::server(const std::string& kind, const std::string& port) const
{
    return "127.0.0.1:" + std::to_string(m_info[kind][port].get<int>());
}

void TestServers::deliver(const std::string& name, const std::string& text) const
{
    // Written aside and moved in, as a delivery agent does, so the server never sees half a file.
    writeFile(maildir() / "tmp" / name, text);
    std::filesystem::rename(maildir() / "tmp" / name, maildir() / "new" / name);
}

TrustedStore::TrustedStore(const std::filesystem::path& file)
{
    if (const char* old = std::getenv("SSL_CERT_FILE")) {
        m_old = old;
        m_hadOld = true;
    }
    if (file.empty())
        ::unsetenv("SSL_CERT_FILE");
    else
        ::setenv("SSL_CERT_FILE", file.c_str(), 1);
}

TrustedStore::~TrustedStore()
{
    if (m_hadOld)
        ::setenv("SSL_CERT_FILE", m_old.c_str(), 1);
    else
        ::unsetenv("SSL_CERT_FILE");
}

} // namespace pelmora::test
