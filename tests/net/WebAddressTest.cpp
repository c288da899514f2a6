#include "net/WebAddress.h"

#include <gtest/gtest.h>

namespace pelmora::net {
namespace {

TEST(WebAddressTest, WebAndFtpAddressesOpenAndBareOnesBecomeHttp)
{
    const std::pair<const char*, const char*> opened[] = {
        { "http://example.com/a?b=c", "http://example.com/a?b=c" },
        { "HTTPS://Example.com", "HTTPS://Example.com" },
        { "ftp://files.example.com/pub", "ftp://files.example.com/pub" },
        { "  www.example.com/x  ", "http://www.example.com/x" },
        { "example.com", "http://example.com" },
        { "localhost:8080/page", "http://localhost:8080/page" },
        { "intranet:80", "http://intranet:80" },
        { "www.example.com:8080", "http://www.example.com:8080" },
        { "example.com/a:b", "http://example.com/a:b" },
        { "x.desktop", "http://x.desktop" },
    };
    for (const auto& [text, address] : opened) {
        const auto result = browsableAddress(text);
        ASSERT_TRUE(result) << text;
        EXPECT_EQ(*result, address) << text;
    }
}

TEST(WebAddressTest, AddressesThatCouldOpenFilesOrRunProgramsAreRefused)
{
    const char* refused[] = { "file:///etc/passwd", "FILE:/home/u/evil.desktop", "/home/u/app.desktop", "~/bin/run.sh",
        "\\\\server\\share", "javascript:alert(1)", "mailto:a@example.com", "smb://host/share", "ssh://host",
        "C:\\Windows\\calc.exe", "data:text/html,x", "vbscript:x", "", "   ", "ht tp://x" };
    for (const char* text : refused)
        EXPECT_FALSE(browsableAddress(text)) << text;
}

} // namespace
} // namespace pelmora::net
