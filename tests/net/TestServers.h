#pragma once

#include "TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <memory>
#include <string>

namespace pelmora::test {

// The real servers of scripts/servers (dovecot, the aiosmtpd store, nginx) for one test suite:
// started on loopback and free ports, stopped when the object goes, and by the scripts' guard
// if the test process dies first. `available()` is false (and the tests skip) when the
// servers cannot start on this machine.
class TestServers {
public:
    explicit TestServers(const std::string& kinds); // "pop3 smtp http", or a part of it
    ~TestServers();
    TestServers(const TestServers&) = delete;
    TestServers& operator=(const TestServers&) = delete;

    bool available() const { return !m_info.is_null(); }
    const nlohmann::json& info() const { return m_info; }
    std::string server(const std::string& kind, const std::string& port = "port") const;
    std::filesystem::path caFile() const { return m_info.value("ca", ""); }
    std::string user() const { return m_info.value("user", ""); }
    std::string password() const { return m_info.value("password", ""); }

    // Puts a message into the POP3 mailbox (bytes as given; the server keeps LF line ends).
    void deliver(const std::string& name, const std::string& text) const;
    std::filesystem::path maildir() const { return m_info["pop3"]["maildir"].get<std::string>(); }
    std::filesystem::path smtpSpool() const { return m_info["smtp"]["spool"].get<std::string>(); }
    std::filesystem::path webRoot() const { return m_info["http"]["root"].get<std::string>(); }

private:
    TempDir m_dir;
    nlohmann::json m_info;
};

// A test suite that shares one set of servers: a suite starts them in its SetUpTestSuite with
// startServers(); its tests skip when they could not be started.
class ServerSuite : public ::testing::Test {
protected:
    static void startServers(const std::string& kinds) { s_servers = std::make_unique<TestServers>(kinds); }
    static void TearDownTestSuite() { s_servers.reset(); }
    void SetUp() override
    {
        if (!s_servers || !s_servers->available())
            PELMORA_SKIP_OR_FAIL("the test servers could not be started here");
    }
    static TestServers& servers() { return *s_servers; }

private:
    static std::unique_ptr<TestServers> s_servers;
};

// Makes SSL_CERT_FILE name `file` while it lives (empty: unset), restoring the old value.
class TrustedStore {
public:
    explicit TrustedStore(const std::filesystem::path& file);
    ~TrustedStore();
    TrustedStore(const TrustedStore&) = delete;
    TrustedStore& operator=(const TrustedStore&) = delete;

private:
    std::string m_old;
    bool m_hadOld = false;
};

} // namespace pelmora::test
