#include "exchange/ContactCard.h"

#include "data/Schema.h"
#include "exchange/TextCodec.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace pelmora::exchange {

namespace {

// The columns the standard properties carry; every other column with a value travels as
// X-PELMORA-<column>.
const std::set<std::string> kStandardColumns = { "LName", "FName", "Company", "Department", "JobTitle", "EMail",
    "Phone1", "Phone2", "Cellular", "Fax", "Address1", "Address2", "City", "State", "Zip", "Country", "URL", "Comments",
    "CategoryA", "CategoryB", "CategoryC", "Counter" };

VCardProperty property(std::string name, std::string value, std::vector<VCardParam> params = {})
{
    return { {}, std::move(name), std::move(params), std::move(value) };
}

// Parses one unmapped line back into a property through the card reader, so both agree on
// what a line means.
std::optional<VCardProperty> parseUnmapped(const std::string& line)
{
    const std::optional<UnmappedLine> split = splitUnmapped(line);
    if (!split)
        return std::nullopt;
    const VCardParse parse
        = parseVCards("BEGIN:VCARD\r\nVERSION:4.0\r\n" + split->property + ':' + split->value + "\r\nEND:VCARD\r\n");
    if (parse.cards.size() != 1 || parse.cards[0].properties.size() != 2)
        return std::nullopt;
    return parse.cards[0].properties[1];
}

bool isPropertyLine(const std::optional<UnmappedLine>& split)
{
    if (!split)
        return false;
    std::string name = split->property.substr(0, split->property.find(';'));
    name = name.substr(name.rfind('.') == std::string::npos ? 0 : name.rfind('.') + 1);
    return !name.empty() && std::none_of(name.begin(), name.end(), [](char c) { return c >= 'a' && c <= 'z'; });
}

// Binary data (a photo, a key) that is not whole base64 would make the card unreadable for
// others: padding a writer left out is added, anything else travels as text.
bool repairBase64(VCardProperty& p)
{
    const VCardParam* encoding = p.param("ENCODING");
    if (!encoding || encoding->values.empty()
        || !(equalsNoCase(encoding->values[0], "b") || equalsNoCase(encoding->values[0], "BASE64")))
        return true;
    std::string data;
    for (char c : p.value) {
        if (c == ' ' || c == '\t')
            continue;
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '+' && c != '/' && c != '=')
            return false;
        data += c;
    }
    const std::size_t firstPad = data.find('=');
    if (firstPad != std::string::npos && data.find_first_not_of('=', firstPad) != std::string::npos)
        return false;
    while (!data.empty() && data.back() == '=')
        data.pop_back();
    if (data.size() % 4 == 1)
        return false;
    while (data.size() % 4)
        data += '=';
    p.value = std::move(data);
    return true;
}

// A version 2.1 card says ENCODING=BASE64 where version 3.0 says ENCODING=b; readers of 3.0
// (servers among them) take BASE64 in as binary and then cannot write the card out again.
void version3Encoding(VCardProperty& p)
{
    for (VCardParam& param : p.params) {
        if (equalsNoCase(param.name, "ENCODING") && param.values.size() == 1 && equalsNoCase(param.values[0], "BASE64"))
            param.values[0] = "b";
    }
}

// The properties the fields fill come first among their kind when read again, ahead of the
// preferred ones a card brought beside them.
void addPreference(std::vector<VCardParam>& params, VCardVersion version)
{
    if (version == VCardVersion::v4) {
        params.push_back({ "PREF", { "1" } });
        return;
    }
    for (VCardParam& param : params)
        if (param.name == "TYPE") {
            param.values.push_back("pref");
            return;
        }
    params.push_back({ "TYPE", { "pref" } });
}

class CardWriter {
public:
    CardWriter(const ContactCard& contact, VCardVersion version)
        : m_contact(contact)
        , m_fields(contact.fields)
        , m_version(version)
    {
    }
    VCard write();

private:
    std::string field(const std::string& column) const
    {
        auto it = m_fields.find(column);
        return it == m_fields.end() ? std::string() : it->second;
    }
    void sortUnmapped();
    void addNames();
    void addPhones();
    void addRest();

    const ContactCard& m_contact;
    std::map<std::string, std::string> m_fields;
    VCardVersion m_version;
    std::optional<VCardProperty> m_n, m_fn, m_org; // the parts of these the columns do not hold
    std::vector<VCardProperty> m_extra;
    VCard m_card;
};

void CardWriter::sortUnmapped()
{
    const data::TableDef& table = data::tableDef("Contacts");
    for (const std::string& line : m_contact.unmapped) {
        const std::optional<UnmappedLine> split = splitUnmapped(line);
        const data::FieldDef* column = split ? table.field(split->property) : nullptr;
        if (column && column->name == split->property && !m_fields.count(column->name)) {
            // A value too long for its column: it fills the field again.
            m_fields[column->name] = unescapeText(split->value);
            continue;
        }
        // Lines a card brought name their property in capitals; others (a CSV column's header)
        // travel whole, so that they come back as they were.
        std::optional<VCardProperty> p = isPropertyLine(split) ? parseUnmapped(line) : std::nullopt;
        if (p && p->name == "PROFILE")
            continue; // the card's own kind, written by the card itself; readers take no second one
        if (p && !repairBase64(*p))
            p.reset();
        if (p && m_version == VCardVersion::v3)
            version3Encoding(*p);
        if (!p) {
            m_extra.push_back(property("X-PELMORA-UNMAPPED", escapeText(line)));
            continue;
        }
        std::optional<VCardProperty>* slot = p->name == "N" ? &m_n
            : p->name == "FN"                               ? &m_fn
            : p->name == "ORG"                              ? &m_org
                                                            : nullptr;
        // The extra parts of the name and organization the fields hold; another N or ORG (an
        // alternative spelling) stays a property of its own.
        const std::vector<std::string> parts = splitComponents(p->value);
        const bool extras = std::any_of(parts.begin() + std::min<std::size_t>(2, parts.size()), parts.end(),
            [](const std::string& part) { return !part.empty(); });
        if (p->name == "N"
            && (!extras || parts[0] != field("LName") || (parts.size() > 1 ? parts[1] : "") != field("FName")))
            slot = nullptr;
        if (p->name == "ORG" && (!extras || parts[0] != field("Company")))
            slot = nullptr;
        if (slot && !*slot && p->group.empty())
            *slot = std::move(p);
        else if (p->name == "N" && m_version == VCardVersion::v3)
            // Version 3.0 allows one N; a second spelling of the name travels as our own line,
            // which our reader turns back into the N it was.
            m_extra.push_back(property("X-PELMORA-UNMAPPED", escapeText(line)));
        else
            m_extra.push_back(std::move(*p));
    }
}

void CardWriter::addNames()
{
    const std::string family = field("LName");
    const std::string given = field("FName");
    std::string fn = given.empty() ? family : family.empty() ? given : given + ' ' + family;
    if (m_fn)
        fn = unescapeText(m_fn->value);
    if (fn.empty())
        fn = !field("Company").empty() ? field("Company") : field("EMail");
    m_card.properties.push_back(property("FN", escapeText(fn), m_fn ? m_fn->params : std::vector<VCardParam> {}));

    std::vector<std::string> n = { escapeText(family), escapeText(given), "", "", "" };
    std::vector<VCardParam> nParams;
    if (m_n) {
        const std::vector<std::string> old = splitRawComponents(m_n->value);
        n.resize(std::max(n.size(), old.size()));
        for (std::size_t i = 2; i < old.size(); ++i)
            n[i] = old[i];
        nParams = m_n->params;
    }
    std::string value;
    for (std::size_t i = 0; i < n.size(); ++i)
        value += (i ? ";" : "") + n[i];
    m_card.properties.push_back(property("N", value, nParams));

    std::vector<std::string> org = { escapeText(field("Company")), escapeText(field("Department")) };
    if (m_org) {
        const std::vector<std::string> old = splitRawComponents(m_org->value);
        org.insert(org.end(), old.begin() + std::min<std::size_t>(2, old.size()), old.end());
    }
    while (org.size() > 1 && org.back().empty())
        org.pop_back();
    if (org.size() > 1 || !org[0].empty()) {
        std::string orgValue;
        for (std::size_t i = 0; i < org.size(); ++i)
            orgValue += (i ? ";" : "") + org[i];
        m_card.properties.push_back(property("ORG", orgValue, m_org ? m_org->params : std::vector<VCardParam> {}));
    }
}

void CardWriter::addPhones()
{
    static const std::pair<const char*, std::vector<std::string>> kPhones[] = { { "Phone1", { "work", "voice" } },
        { "Phone2", { "home", "voice" } }, { "Cellular", { "cell" } }, { "Fax", { "fax" } } };
    for (const auto& [column, types] : kPhones) {
        if (field(column).empty())
            continue;
        std::vector<VCardParam> params;
        if (m_version == VCardVersion::v4)
            params.push_back({ "VALUE", { "text" } }); // free text; the default in 4.0 is a tel: URI
        params.push_back({ "TYPE", types });
        addPreference(params, m_version);
        m_card.properties.push_back(property("TEL", escapeText(field(column)), params));
    }
}

void CardWriter::addRest()
{
    if (!field("JobTitle").empty())
        m_card.properties.push_back(property("TITLE", escapeText(field("JobTitle"))));
    if (!field("EMail").empty()) {
        std::vector<VCardParam> params;
        if (m_version == VCardVersion::v3)
            params.push_back({ "TYPE", { "internet" } });
        addPreference(params, m_version);
        m_card.properties.push_back(property("EMAIL", escapeText(field("EMail")), params));
    }
    const std::vector<std::string> adr
        = { "", field("Address2"), field("Address1"), field("City"), field("State"), field("Zip"), field("Country") };
    if (std::any_of(adr.begin(), adr.end(), [](const std::string& s) { return !s.empty(); })) {
        std::string value;
        for (std::size_t i = 0; i < adr.size(); ++i)
            value += (i ? ";" : "") + escapeText(adr[i]);
        std::vector<VCardParam> params;
        addPreference(params, m_version);
        m_card.properties.push_back(property("ADR", value, params));
    }
    if (!field("URL").empty()) {
        std::vector<VCardParam> params;
        addPreference(params, m_version);
        m_card.properties.push_back(property("URL", field("URL"), params));
    }
    std::string categories;
    for (const char* column : { "CategoryA", "CategoryB", "CategoryC" })
        if (!field(column).empty())
            categories += (categories.empty() ? "" : ",") + escapeText(field(column));
    if (!categories.empty())
        m_card.properties.push_back(property("CATEGORIES", categories));
    if (!field("Comments").empty())
        m_card.properties.push_back(property("NOTE", escapeText(field("Comments"))));
    for (const auto& [column, value] : m_fields)
        if (!kStandardColumns.count(column) && !value.empty())
            m_card.properties.push_back(property(asciiUpper("X-PELMORA-" + column), escapeText(value)));
    if (!m_contact.uid.empty())
        m_card.properties.push_back(property("UID", m_contact.uid));
}

VCard CardWriter::write()
{
    sortUnmapped();
    addNames();
    addPhones();
    addRest();
    for (VCardProperty& p : m_extra)
        m_card.properties.push_back(std::move(p));
    return std::move(m_card);
}

} // namespace

VCard vcardFromContact(const ContactCard& contact, VCardVersion version)
{
    return CardWriter(contact, version).write();
}

} // namespace pelmora::exchange
