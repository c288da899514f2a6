#include "exchange/Duplicates.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pelmora::exchange {
namespace {

ContactKeys contact(std::int64_t counter, std::string last, std::string first, std::string company = {},
    std::string email = {}, std::vector<std::string> phones = {})
{
    return { counter, std::move(last), std::move(first), std::move(company), std::move(email), std::move(phones) };
}

std::vector<std::pair<std::int64_t, std::int64_t>> pairsOf(const std::vector<DuplicatePair>& found)
{
    std::vector<std::pair<std::int64_t, std::int64_t>> out;
    for (const DuplicatePair& pair : found)
        out.emplace_back(pair.first, pair.second);
    return out;
}

using Pairs = std::vector<std::pair<std::int64_t, std::int64_t>>;

TEST(PhoneNumbers, SpellingsOfOneNumberAgreeAndOthersDoNot)
{
    EXPECT_EQ(normalisePhone("+1 (212) 555-1234"), "12125551234");
    EXPECT_EQ(normalisePhone("212.555.1234 x 42"), "2125551234");
    EXPECT_EQ(normalisePhone("0049 30 1234567"), "49301234567");
    EXPECT_EQ(normalisePhone("030 / 123 45 67"), "301234567");
    EXPECT_EQ(normalisePhone("555-12"), ""); // too short to say anything
    EXPECT_EQ(normalisePhone("ext. 1234567"), ""); // an extension alone is no number
    EXPECT_EQ(normalisePhone(""), "");

    EXPECT_TRUE(samePhone(normalisePhone("+1 212 555 1234"), normalisePhone("(212) 555-1234")));
    EXPECT_TRUE(samePhone(normalisePhone("+49 30 1234567"), normalisePhone("030 1234567")));
    EXPECT_TRUE(samePhone(normalisePhone("+44 20 7946 0958"), normalisePhone("020 7946 0958")));
    // Another area code is another number, even with the same last digits.
    EXPECT_FALSE(samePhone(normalisePhone("212 555 1234"), normalisePhone("312 555 1234")));
    EXPECT_FALSE(samePhone(normalisePhone("9 9999 212 555 1234"), normalisePhone("212 555 1234")));
    EXPECT_FALSE(samePhone("", ""));
}

TEST(Names, WordOrderCasePunctuationAndLegalFormsDoNotMatter)
{
    EXPECT_EQ(normaliseName("Smith,", "John"), normaliseName("john", "SMITH"));
    EXPECT_EQ(normaliseName("O'Brien", "Mary-Ann"), "ann brien mary o");
    EXPECT_EQ(normaliseCompany("Acme, Inc."), normaliseCompany("ACME"));
    EXPECT_EQ(normaliseCompany("The Widget Company Ltd"), "widget");
    EXPECT_EQ(normaliseCompany("Inc."), "");
    EXPECT_EQ(editDistance("jon smith", "john smith", 2), 1);
    EXPECT_EQ(editDistance("jonh", "john", 2), 1); // a transposition is one slip
    EXPECT_EQ(editDistance("abcdef", "uvwxyz", 1), 2); // stops once past the limit
    EXPECT_EQ(editDistance("", "abc", 5), 3);
}

TEST(FindDuplicates, EachReasonFindsItsPairsWithTheEvidence)
{
    const std::vector<ContactKeys> contacts = {
        contact(2, "Quill", "Pat", "Alpha", "Pat@Example.ORG"),
        contact(3, "Unrelated", "Person", "Beta", "other@example.org; pat@example.org"),
        contact(4, "Lark", "Sam", "", "", { "+1 (212) 555-1234" }),
        contact(5, "Wren", "Alex", "", "", { "", "212.555.1234" }),
        contact(6, "Smith", "Jonathan", "Widget Co.", ""),
        contact(7, "Smith", "Johnathan", "WIDGET", ""),
        contact(8, "Smith", "Jonathan", "Gadget", ""), // another company: another person
        contact(9, "Ng", "Al", "", ""),
        contact(10, "Ng", "Al", "", ""), // same name, neither with a company: still a pair
        contact(11, "Ng", "Ed", "", ""),
    };
    const auto found = findDuplicates(contacts);
    EXPECT_EQ(pairsOf(found), (Pairs { { 2, 3 }, { 4, 5 }, { 6, 7 }, { 9, 10 } }));
    ASSERT_EQ(found.size(), 4u);
    ASSERT_EQ(found[0].reasons.size(), 1u);
    EXPECT_EQ(found[0].reasons[0].kind, DuplicateReason::Kind::Email);
    EXPECT_EQ(found[0].reasons[0].detail, "pat@example.org");
    EXPECT_EQ(found[1].reasons[0].kind, DuplicateReason::Kind::Phone);
    EXPECT_EQ(found[1].reasons[0].detail, "12125551234");
    EXPECT_EQ(found[2].reasons[0].kind, DuplicateReason::Kind::Name);
    EXPECT_EQ(reasonText(found[2].reasons[0]).rfind("Similar name at the same company: ", 0), 0u);
}

TEST(FindDuplicates, ReasonsOfOnePairAreGatheredOnce)
{
    const std::vector<ContactKeys> contacts = {
        contact(20, "Quill", "Pat", "Alpha", "pat@example.org", { "212 555 1234", "+1 212 555 1234" }),
        contact(21, "Quill", "Patt", "Alpha Inc", "PAT@example.org", { "(212) 555-1234" }),
    };
    const auto found = findDuplicates(contacts);
    ASSERT_EQ(found.size(), 1u);
    ASSERT_EQ(found[0].reasons.size(), 3u);
    EXPECT_EQ(found[0].reasons[0].kind, DuplicateReason::Kind::Email);
    EXPECT_EQ(found[0].reasons[1].kind, DuplicateReason::Kind::Phone);
    EXPECT_EQ(found[0].reasons[2].kind, DuplicateReason::Kind::Name);
}

TEST(FindDuplicates, ShortNamesMatchOnlyExactlyAndBlanksNeverMatch)
{
    const std::vector<ContactKeys> contacts = {
        contact(30, "Li", "Bo", "Acme"),
        contact(31, "Li", "Jo", "Acme"), // one letter apart, but too short to be a slip
        contact(32, "", "", "Acme", " ", { "", "12" }),
        contact(33, "", "", "Acme", "not an address", { "x" }),
    };
    EXPECT_TRUE(findDuplicates(contacts).empty());
}

TEST(FindDuplicates, AnAddressSharedByManyPairsEachWithTheFirstOnly)
{
    std::vector<ContactKeys> contacts;
    for (int i = 0; i < 40; ++i)
        contacts.push_back(contact(100 + i, "Person" + std::to_string(i), "", "", "info@example.org"));
    const auto found = findDuplicates(contacts);
    ASSERT_EQ(found.size(), 39u);
    for (const DuplicatePair& pair : found)
        EXPECT_EQ(pair.first, 100);
    // A few share it: every pair among them.
    contacts.resize(4);
    EXPECT_EQ(findDuplicates(contacts).size(), 6u);
}

} // namespace
} // namespace pelmora::exchange
