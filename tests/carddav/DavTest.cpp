#include "carddav/Dav.h"
#include "carddav/Http.h"
#include "carddav/SyncError.h"

#include <gtest/gtest.h>

using namespace pelmora::carddav;

// Servers choose their own prefixes, or none; the names must be read by namespace.
TEST(DavTest, ReadsMultistatusWhateverThePrefixes)
{
    const std::string prefixed = R"(<?xml version="1.0"?>
<ns0:multistatus xmlns:ns0="DAV:" xmlns:ns3="urn:ietf:params:xml:ns:carddav">
 <ns0:response><ns0:href>http://h:1/book/a%20b.vcf</ns0:href>
  <ns0:propstat><ns0:prop><ns0:getetag>"1"</ns0:getetag><ns3:address-data><![CDATA[BEGIN:VCARD
END:VCARD]]></ns3:address-data></ns0:prop><ns0:status>HTTP/1.1 200 OK</ns0:status></ns0:propstat>
  <ns0:propstat><ns0:prop><ns0:displayname/></ns0:prop><ns0:status>HTTP/1.1 404 Not Found</ns0:status></ns0:propstat>
 </ns0:response>
 <ns0:response><ns0:href>/book/gone.vcf</ns0:href><ns0:status>HTTP/1.1 404 Not Found</ns0:status></ns0:response>
 <ns0:sync-token>http://h/token/7</ns0:sync-token>
</ns0:multistatus>)";
    const Multistatus m = parseMultistatus(prefixed, "test");
    ASSERT_EQ(m.entries.size(), 2u);
    EXPECT_EQ(m.entries[0].href, "/book/a%20b.vcf");
    ASSERT_NE(m.entries[0].prop(kDav, "getetag"), nullptr);
    EXPECT_EQ(m.entries[0].prop(kDav, "getetag")->text, "\"1\"");
    EXPECT_EQ(m.entries[0].prop(kCardDav, "address-data")->text, "BEGIN:VCARD\nEND:VCARD");
    EXPECT_EQ(m.entries[0].prop(kDav, "displayname"), nullptr) << "a property the server did not find is absent";
    EXPECT_EQ(m.entries[1].status, 404);
    EXPECT_EQ(m.syncToken, "http://h/token/7");

    const std::string unprefixed = R"(<multistatus xmlns="DAV:" xmlns:CR="urn:ietf:params:xml:ns:carddav"><response>
<href>/u/</href><propstat><prop><resourcetype><collection/><CR:addressbook/></resourcetype>
<CR:addressbook-home-set><href>/u/home/</href></CR:addressbook-home-set></prop>
<status>HTTP/1.1 200 OK</status></propstat></response></multistatus>)";
    const Multistatus u = parseMultistatus(unprefixed, "test");
    ASSERT_EQ(u.entries.size(), 1u);
    EXPECT_TRUE(u.entries[0].prop(kDav, "resourcetype")->has(kCardDav, "addressbook"));
    EXPECT_FALSE(u.entries[0].prop(kDav, "resourcetype")->has(kDav, "principal"));
    EXPECT_EQ(u.entries[0].prop(kCardDav, "addressbook-home-set")->hrefs, std::vector<std::string> { "/u/home/" });
}

// A reply that cannot be read must stop the sync, never pass for an empty book.
TEST(DavTest, RefusesWhatIsNotAMultistatus)
{
    for (const char* bad : { "", "<html><body>Proxy error</body></html>", "<multistatus xmlns=\"DAV:\"><response>",
             "<d:multistatus xmlns:d=\"DAV:\"><d:response><d:propstat/></d:response></d:multistatus>",
             "<multistatus xmlns=\"urn:other\"/>" }) {
        EXPECT_THROW(parseMultistatus(bad, "test"), SyncError) << bad;
    }
}

TEST(DavTest, ResolvesReferences)
{
    EXPECT_EQ(resolveUrl("https://h:8443/dav/book/", "/dav/book/x.vcf"), "https://h:8443/dav/book/x.vcf");
    EXPECT_EQ(resolveUrl("https://h:8443/dav/book/", "x.vcf"), "https://h:8443/dav/book/x.vcf");
    EXPECT_EQ(resolveUrl("https://h:8443/dav/book", "x.vcf"), "https://h:8443/dav/x.vcf");
    EXPECT_EQ(resolveUrl("https://h:8443", "x.vcf"), "https://h:8443/x.vcf");
    EXPECT_EQ(resolveUrl("https://h/dav/", "http://other/y/"), "http://other/y/");
    EXPECT_EQ(urlOrigin("https://h:8443/dav/book/"), "https://h:8443");
    EXPECT_EQ(hrefPath("https://h:8443/dav/book/"), "/dav/book/");
    EXPECT_EQ(xmlEscaped("a<b>&\"c"), "a&lt;b&gt;&amp;&quot;c");
}
