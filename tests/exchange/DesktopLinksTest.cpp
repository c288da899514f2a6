#include "exchange/DesktopLinks.h"

#include <gtest/gtest.h>

namespace pelmora::exchange {
namespace {

using Strings = std::vector<std::string>;

TEST(MailtoLinks, ReadEveryFieldPercentDecoded)
{
    const auto link
        = parseMailto("MAILTO:a%40example.org,%20b@example.org?To=c@example.org&cc=d@example.org,e@example.org"
                      "&bcc=f@example.org&subject=Caf%C3%A9%20%26%20cake&body=line%201%0D%0Aline+2"
                      "&X-Other=ignored&In-Reply-To=%3Cid%3E#fragment");
    ASSERT_TRUE(link);
    EXPECT_EQ(link->to, (Strings { "a@example.org", "b@example.org", "c@example.org" }));
    EXPECT_EQ(link->cc, (Strings { "d@example.org", "e@example.org" }));
    EXPECT_EQ(link->bcc, (Strings { "f@example.org" }));
    EXPECT_EQ(link->subject, "Café & cake");
    EXPECT_EQ(link->body, "line 1\nline+2"); // "+" is a plus in a mailto: link, not a space
}

TEST(MailtoLinks, EdgeFormsAndBrokenLinks)
{
    const auto bare = parseMailto("mailto:");
    ASSERT_TRUE(bare);
    EXPECT_TRUE(bare->to.empty());
    const auto onlySubject = parseMailto("mailto:?subject=hi&body=");
    ASSERT_TRUE(onlySubject);
    EXPECT_EQ(onlySubject->subject, "hi");
    EXPECT_EQ(onlySubject->body, "");
    // An address with a %-escaped "?" or "&" stays whole.
    EXPECT_EQ(parseMailto("mailto:odd%3Fname%26x@example.org")->to, (Strings { "odd?name&x@example.org" }));

    EXPECT_FALSE(parseMailto("http://example.org"));
    EXPECT_FALSE(parseMailto("mailto:a@example.org?subject=%ZZ"));
    EXPECT_FALSE(parseMailto("mailto:a@example.org?subject=100%"));
    EXPECT_FALSE(parseMailto("mailto:a@example.org?subject=%4"));
    // A line break may not smuggle a header into the message.
    EXPECT_FALSE(parseMailto("mailto:a@example.org?subject=hi%0D%0ABcc:%20x@evil.example"));
    EXPECT_FALSE(parseMailto("mailto:a@example.org%0ABcc:x@evil.example"));
}

TEST(TelLinks, NumberExtensionAndRefusals)
{
    const auto link = parseTel("tel:+1-201-555-0123;ext=42;phone-context=example.org");
    ASSERT_TRUE(link);
    EXPECT_EQ(link->number, "+1-201-555-0123");
    EXPECT_EQ(link->extension, "42");
    EXPECT_EQ(parseTel("TEL:%2B44%2020%207946%200958")->number, "+44 20 7946 0958");
    EXPECT_FALSE(parseTel("tel:"));
    EXPECT_FALSE(parseTel("tel:;ext=1"));
    EXPECT_FALSE(parseTel("tel:555-0123&rm -rf")); // dialing gets digits and separators only
    EXPECT_FALSE(parseTel("tel:555%0D%0AATH"));
    EXPECT_FALSE(parseTel("mailto:x@example.org"));

    EXPECT_TRUE(isDesktopLink("Tel:123"));
    EXPECT_TRUE(isDesktopLink("mailto:a@b"));
    EXPECT_FALSE(isDesktopLink("table"));
    EXPECT_FALSE(isDesktopLink("mail"));
}

} // namespace
} // namespace pelmora::exchange
