#include "exchange/ContactCard.h"

#include "TestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <sstream>

using namespace pelmora;
using namespace pelmora::exchange;

namespace {

std::filesystem::path vcardDir()
{
    const std::filesystem::path corpus = test::corpusDir();
    return corpus.empty() ? corpus : corpus / "vcard";
}

std::vector<ContactCard> readFile(const std::filesystem::path& file, VCardParse* parseOut = nullptr)
{
    VCardParse parse = parseVCards(test::readFile(file));
    std::vector<ContactCard> cards;
    for (const VCard& card : parse.cards)
        cards.push_back(contactFromVCard(card));
    if (parseOut)
        *parseOut = std::move(parse);
    return cards;
}

// Everything a contact holds, fields and notes, for "is this value somewhere" checks.
std::string everything(const ContactCard& card)
{
    std::string text;
    for (const auto& [column, value] : card.fields)
        text += value + '\n';
    for (const std::string& line : card.unmapped)
        text += line + '\n' + unescapeText(line) + '\n';
    return text;
}

std::string field(const ContactCard& card, const std::string& column)
{
    auto it = card.fields.find(column);
    return it == card.fields.end() ? std::string() : it->second;
}

std::vector<std::string> words(const std::string& text)
{
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string word; in >> word;)
        out.push_back(word);
    return out;
}

// Unmapped lines as compared after a round trip: base64 loses its blanks, and version 3.0 spells
// version 2.1's ENCODING=BASE64 as ENCODING=b.
std::vector<std::string> withoutSpaces(std::vector<std::string> lines)
{
    for (std::string& line : lines) {
        std::erase(line, ' ');
        for (const char* spelling : { ";ENCODING=b", ";ENCODING=B" }) {
            if (const auto at = line.find(spelling); at != std::string::npos)
                line.replace(at, std::string(spelling).size(), ";ENCODING=BASE64");
        }
        while (line.ends_with(';'))
            line.pop_back(); // empty trailing parts of a structured value
    }
    return lines;
}

} // namespace

// vobject is the independent reader: wherever it reads a file whole, every name, address,
// phone, e-mail and category it finds must be in our contact, in its field when it fits.
TEST(VCardCorpus, AgreesWithAnIndependentReader)
{
    if (vcardDir().empty())
        PELMORA_SKIP_OR_FAIL("the corpus is not there");
    if (!std::filesystem::exists("/usr/bin/python3")
        || test::shellOutput("/usr/bin/python3 -c 'import vobject; print(1)' 2>/dev/null") != "1\n")
        PELMORA_SKIP_OR_FAIL("python3-vobject is not installed");
    std::string command = "/usr/bin/python3 " PELMORA_EXCHANGE_TEST_DIR "/vobject_cards.py";
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(vcardDir()))
        if (entry.path().extension() == ".vcf") {
            files.push_back(entry.path());
            command += " '" + entry.path().string() + "'";
        }
    const nlohmann::json oracle = nlohmann::json::parse(test::shellOutput(command + " 2>/dev/null"));
    std::size_t filesCompared = 0;
    std::size_t cardsCompared = 0;
    for (const std::filesystem::path& file : files) {
        const nlohmann::json& theirs = oracle.at(file.string());
        const std::vector<ContactCard> ours = readFile(file);
        if (!theirs.is_array() || theirs.size() != ours.size())
            continue; // vobject gave up on the file, or on some of its cards
        ++filesCompared;
        for (std::size_t i = 0; i < ours.size(); ++i, ++cardsCompared) {
            const ContactCard& card = ours[i];
            const nlohmann::json& t = theirs[i];
            const std::string all = everything(card);
            auto expectSomewhere = [&](const std::string& value, const char* what) {
                for (const std::string& word : words(value))
                    EXPECT_NE(all.find(word), std::string::npos)
                        << file.filename() << " card " << i + 1 << " " << what << " " << value << "\n"
                        << all;
            };
            for (const char* key : { "family", "given" })
                expectSomewhere(t[key].get<std::string>(), key);
            if (!t["family"].get<std::string>().empty() && card.fields.count("LName")) {
                EXPECT_EQ(field(card, "LName"), t["family"].get<std::string>()) << file.filename();
            }
            for (const auto& email : t["email"])
                expectSomewhere(email.get<std::string>(), "email");
            if (card.fields.count("EMail")) {
                EXPECT_NE(t["email"].dump().find(field(card, "EMail")), std::string::npos) << file.filename();
            }
            for (const auto& tel : t["tel"]) {
                std::string number = tel.get<std::string>();
                if (number.rfind("tel:", 0) == 0)
                    number = number.substr(4);
                expectSomewhere(number, "tel");
            }
            for (const auto& category : t["categories"])
                expectSomewhere(category.get<std::string>(), "category");
            if (!t["org"].empty()) {
                expectSomewhere(t["org"][0].get<std::string>(), "org");
                if (card.fields.count("Company")) {
                    EXPECT_EQ(field(card, "Company"), t["org"][0].get<std::string>()) << file.filename();
                }
            }
            for (const auto& adr : t["adr"])
                for (const char* key : { "street", "city", "region", "code", "country" })
                    expectSomewhere(adr[key].get<std::string>(), key);
        }
    }
    EXPECT_GE(filesCompared, 20u);
    EXPECT_GE(cardsCompared, 1000u);
}

// Files vobject can not read at all: character sets named once per card, version 2.1
// quoted-printable runs, cut-off and nested cards.
TEST(VCardCorpus, ReadsWhatTheIndependentReaderCanNot)
{
    if (vcardDir().empty())
        PELMORA_SKIP_OR_FAIL("the corpus is not there");
    struct Case {
        const char* file;
        std::size_t card;
        const char* column;
        const char* value;
    };
    const Case cases[] = {
        { "fkvcards__Ukrainian.vcf", 0, "LName", "\xD0\x9A\xD0\xBB\xD0\xB8\xD1\x87\xD0\xBA\xD0\xBE" },
        { "fkvcards__Murks.vcf", 0, "City", "M\xC3\xB6\xC3\x9Flitz" },
        { "aospvcard__v21_complicated.vcf", 0, "Comments",
            "The following note is the example from RFC 2045.\n\nNow's the time for all folk to come to the aid of "
            "their "
            "country." },
        { "aospvcard__v21_complicated.vcf", 0, "Department", "Sales Dept.;Manager" },
        { "aospvcard__v21_invalid_comment_line.vcf", 0, "Comments",
            "This is an (sharp ->#<- sharp) example. This message must NOT be ignored." },
        { "aospvcard__v21_japanese_2.vcf", 0, "LName", "\xE5\xAE\x89\xE8\x97\xA4" },
        { "eds__vcard_7.vcf", 0, "EMail", "Frank_Dawson@Lotus.com" },
        { "roundcube__utf-16_sample.vcf", 0, "LName",
            "\xC4\xBD"
            "daMont\xC3\xA9" },
        { "aospvcard__v21_nest.vcf", 2, "LName", "nest2" },
    };
    for (const Case& c : cases) {
        const std::vector<ContactCard> cards = readFile(vcardDir() / c.file);
        ASSERT_GT(cards.size(), c.card) << c.file;
        EXPECT_EQ(field(cards[c.card], c.column), c.value) << c.file;
    }
    VCardParse cropped;
    EXPECT_TRUE(readFile(vcardDir() / "fkvcards__Cropped_2_1.vcf", &cropped).empty());
    ASSERT_FALSE(cropped.errors.empty());
    EXPECT_EQ(cropped.errors.back().card, 1u);
    VCardParse unparsable;
    readFile(vcardDir() / "khard__unparsable.vcf", &unparsable);
    EXPECT_FALSE(unparsable.errors.empty());
}

// Everything the corpus brings in goes out again as cards the independent reader reads whole,
// with every name, address and e-mail address where we keep them.
TEST(VCardCorpus, ExportOfTheCorpusReadsBackInTheIndependentReader)
{
    if (vcardDir().empty())
        PELMORA_SKIP_OR_FAIL("the corpus is not there");
    if (test::shellOutput("/usr/bin/python3 -c 'import vobject; print(1)' 2>/dev/null") != "1\n")
        PELMORA_SKIP_OR_FAIL("python3-vobject is not installed");
    std::vector<ContactCard> all;
    for (const auto& entry : std::filesystem::directory_iterator(vcardDir()))
        for (ContactCard& card : readFile(entry.path()))
            all.push_back(std::move(card));
    test::TempDir temp;
    for (VCardVersion version : { VCardVersion::v3, VCardVersion::v4 }) {
        std::string text;
        for (const ContactCard& card : all)
            text += formatVCard(vcardFromContact(card, version), version);
        const std::filesystem::path file = temp / (version == VCardVersion::v3 ? "v3.vcf" : "v4.vcf");
        test::writeFile(file, text);
        const nlohmann::json theirs = nlohmann::json::parse(
            test::shellOutput("/usr/bin/python3 " PELMORA_EXCHANGE_TEST_DIR "/vobject_cards.py '" + file.string()
                + "' 2>/dev/null"))[file.string()];
        ASSERT_TRUE(theirs.is_array()) << theirs.dump();
        ASSERT_EQ(theirs.size(), all.size());
        const std::vector<ContactCard> ours = readFile(file);
        ASSERT_EQ(ours.size(), all.size());
        for (std::size_t i = 0; i < all.size(); ++i) {
            EXPECT_EQ(ours[i].fields, all[i].fields);
            EXPECT_EQ(withoutSpaces(ours[i].unmapped), withoutSpaces(all[i].unmapped));
            const std::string stored = everything(all[i]);
            for (const char* key : { "family", "given" })
                EXPECT_NE(stored.find(theirs[i][key].get<std::string>()), std::string::npos) << theirs[i][key];
            if (version == VCardVersion::v3) { // as a server built on that reader stores it
                EXPECT_TRUE(theirs[i]["writable"].get<bool>()) << "card " << i << " of " << file;
            }
            if (all[i].fields.count("EMail")) {
                EXPECT_EQ(theirs[i]["email"][0].get<std::string>(), field(all[i], "EMail"));
            }
            if (all[i].fields.count("City")) {
                EXPECT_EQ(theirs[i]["adr"][0]["city"].get<std::string>(), field(all[i], "City"));
            }
        }
    }
}
