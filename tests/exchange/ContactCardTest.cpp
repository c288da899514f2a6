#include "exchange/ContactCard.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace pelmora::exchange;

namespace {

ContactCard readOne(const std::string& text)
{
    const VCardParse parse = parseVCards(text);
    if (parse.cards.size() != 1)
        throw std::runtime_error("expected one card");
    return contactFromVCard(parse.cards[0]);
}

bool hasLine(const ContactCard& card, const std::string& line)
{
    return std::find(card.unmapped.begin(), card.unmapped.end(), line) != card.unmapped.end();
}

} // namespace

TEST(ContactCard, MapsTheCommonProperties)
{
    const ContactCard card = readOne("BEGIN:VCARD\r\nVERSION:3.0\r\nN:Doe;John;Q.;Mr.;\r\nFN:John Doe\r\n"
                                     "ORG:Acme\\, Inc.;Sales\r\nTITLE:Manager\r\nTEL;TYPE=WORK,VOICE:111\r\n"
                                     "TEL;TYPE=HOME:222\r\nTEL;TYPE=CELL:333\r\nTEL;TYPE=FAX:444\r\nTEL:555\r\n"
                                     "EMAIL;TYPE=INTERNET:a@example.com\r\nEMAIL;TYPE=INTERNET,PREF:b@example.com\r\n"
                                     "ADR;TYPE=WORK:;Suite 5;1 Main St;Springfield;IL;62701;USA\r\n"
                                     "URL:http://example.com/\r\nBDAY:1970-01-02\r\nNOTE:Met at the fair\r\n"
                                     "CATEGORIES:Friends,Work,Golf,Chess\r\nUID:abc-1\r\nEND:VCARD\r\n");
    const std::map<std::string, std::string> expected = { { "LName", "Doe" }, { "FName", "John" },
        { "Company", "Acme, Inc." }, { "Department", "Sales" }, { "JobTitle", "Manager" }, { "Phone1", "111" },
        { "Phone2", "222" }, { "Cellular", "333" }, { "Fax", "444" }, { "EMail", "b@example.com" },
        { "Address1", "1 Main St" }, { "Address2", "Suite 5" }, { "City", "Springfield" }, { "State", "IL" },
        { "Zip", "62701" }, { "Country", "USA" }, { "URL", "http://example.com/" }, { "Comments", "Met at the fair" },
        { "CategoryA", "Friends" }, { "CategoryB", "Work" }, { "CategoryC", "Golf" } };
    EXPECT_EQ(card.fields, expected);
    EXPECT_EQ(card.uid, "abc-1");
    EXPECT_TRUE(hasLine(card, "N: Doe;John;Q.;Mr.;"));
    EXPECT_TRUE(hasLine(card, "TEL: 555"));
    EXPECT_TRUE(hasLine(card, "EMAIL;TYPE=INTERNET: a@example.com"));
    EXPECT_TRUE(hasLine(card, "BDAY: 1970-01-02"));
    EXPECT_TRUE(hasLine(card, "CATEGORIES: Chess"));
}

TEST(ContactCard, TooLongValuesGoWholeToTheNotes)
{
    const std::string longName(30, 'x');
    const ContactCard card = readOne(
        "BEGIN:VCARD\r\nVERSION:4.0\r\nN:" + longName + ";Ann\r\nTEL:+1 (555) 123-4567 ext. 890\r\nEND:VCARD\r\n");
    EXPECT_EQ(card.fields.count("LName"), 0u);
    EXPECT_EQ(card.fields.at("FName"), "Ann");
    EXPECT_TRUE(hasLine(card, "LName: " + longName));
    EXPECT_TRUE(hasLine(card, "Phone1: +1 (555) 123-4567 ext. 890"));
    // ... and come back into their fields on the way out.
    const ContactCard back = contactFromVCard(
        parseVCards(formatVCard(vcardFromContact(card, VCardVersion::v4), VCardVersion::v4)).cards.at(0));
    EXPECT_EQ(back.fields, card.fields);
    EXPECT_EQ(back.unmapped, card.unmapped);
}

TEST(ContactCard, OnlyADisplayNameIsSplitIntoNames)
{
    const ContactCard card = readOne("BEGIN:VCARD\r\nVERSION:3.0\r\nFN:Mary Ann Smith\r\nEND:VCARD\r\n");
    EXPECT_EQ(card.fields.at("LName"), "Smith");
    EXPECT_EQ(card.fields.at("FName"), "Mary Ann");
    EXPECT_TRUE(card.unmapped.empty());
}

TEST(ContactCard, ExportReadsBackWithNothingLost)
{
    ContactCard contact;
    contact.fields = { { "LName", "O'Brien; Jr" }, { "FName", "Se\xC3\xA1n" }, { "Company", "A,B" },
        { "EMail", "s@example.ie" }, { "Phone2", "222" }, { "Fax", "444" }, { "Address1", "1 Quay" },
        { "City", "Cork" }, { "Comments", "two\nlines" }, { "CategoryA", "Work" }, { "User3", "blue" },
        { "Date1", "2020-02-29" }, { "Num2", "3.5" }, { "Mark", "1" } };
    contact.unmapped = { "BDAY: 1980-05-06", "item1.X-ABLABEL: Other", "N: O'Brien\\; Jr;Se\xC3\xA1n;Patrick;;" };
    contact.uid = "urn:uuid:1234";
    for (VCardVersion version : { VCardVersion::v3, VCardVersion::v4 }) {
        const std::string text = formatVCard(vcardFromContact(contact, version), version);
        const ContactCard back = contactFromVCard(parseVCards(text).cards.at(0));
        EXPECT_EQ(back.fields, contact.fields) << text;
        EXPECT_EQ(back.uid, contact.uid);
        for (const std::string& line : contact.unmapped)
            EXPECT_TRUE(hasLine(back, line)) << line << "\n" << text;
    }
}
