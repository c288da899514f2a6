#include "exchange/ContactCard.h"

#include "data/Schema.h"
#include "data/Value.h"
#include "exchange/TextCodec.h"

#include <algorithm>
#include <cctype>

namespace pelmora::exchange {

namespace {

const std::string kPrefix = "X-PELMORA-";

bool isPreferred(const VCardProperty& p)
{
    return p.hasType("PREF") || p.param("PREF");
}

// The properties of one name, the preferred first, otherwise in the card's order.
std::vector<const VCardProperty*> byPreference(const VCard& card, std::string_view name)
{
    std::vector<const VCardProperty*> list;
    for (const VCardProperty& p : card.properties)
        if (p.name == name)
            list.push_back(&p);
    std::stable_partition(list.begin(), list.end(), [](const VCardProperty* p) { return isPreferred(*p); });
    return list;
}

// A list value split at unescaped commas, and at semicolons, which older writers use instead.
std::vector<std::string> splitList(std::string_view raw)
{
    std::vector<std::string> items;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= raw.size(); ++i) {
        if (i + 1 < raw.size() && raw[i] == '\\') {
            ++i;
            continue;
        }
        if (i == raw.size() || raw[i] == ',' || raw[i] == ';') {
            items.push_back(unescapeText(raw.substr(start, i - start)));
            start = i + 1;
        }
    }
    return items;
}

class CardReader {
public:
    explicit CardReader(const VCard& card)
        : m_card(card)
        , m_table(data::tableDef("Contacts"))
    {
    }
    ContactCard read();

private:
    // A field takes the value when it fits; a longer value is kept whole in the notes.
    void put(const std::string& column, const std::string& value);
    void keep(const VCardProperty& p);
    bool isFree(const std::string& column) const { return !m_out.fields.count(column); }
    void readNames();
    void readPhones();
    void readAddress();
    void readCategories();
    void readOwnColumn(const VCardProperty& p);

    const VCard& m_card;
    const data::TableDef& m_table;
    ContactCard m_out;
    std::vector<const VCardProperty*> m_used;
};

void CardReader::put(const std::string& column, const std::string& value)
{
    putField(m_out, column, value);
}

void CardReader::keep(const VCardProperty& p)
{
    if (p.value.find_first_not_of(" \t") == std::string::npos)
        return; // an empty label or field of another program carries nothing
    // The encoding and character set are undone already; what stays is the value as written.
    VCardProperty head = p;
    std::erase_if(head.params, [](const VCardParam& param) {
        if (equalsNoCase(param.name, "CHARSET"))
            return true;
        return equalsNoCase(param.name, "ENCODING") && !param.values.empty()
            && (equalsNoCase(param.values[0], "QUOTED-PRINTABLE") || equalsNoCase(param.values[0], "8BIT")
                || equalsNoCase(param.values[0], "7BIT"));
    });
    m_out.unmapped.push_back(formatPropertyHead(head, VCardVersion::v4) + ": " + p.value);
}

void CardReader::readNames()
{
    const VCardProperty* n = m_card.first("N");
    const VCardProperty* fn = m_card.first("FN");
    const VCardProperty* org = m_card.first("ORG");
    if (org) {
        m_used.push_back(org);
        const std::vector<std::string> parts = splitComponents(org->value);
        put("Company", parts[0]);
        if (parts.size() > 1)
            put("Department", parts[1]);
        if (std::any_of(parts.begin() + std::min<std::size_t>(2, parts.size()), parts.end(),
                [](const std::string& s) { return !trimmed(s).empty(); }))
            keep(*org);
    }
    std::string family;
    std::string given;
    if (n) {
        m_used.push_back(n);
        std::vector<std::string> parts = splitComponents(n->value);
        parts.resize(std::max<std::size_t>(parts.size(), 5));
        family = trimmed(parts[0]);
        given = trimmed(parts[1]);
        if (std::any_of(parts.begin() + 2, parts.end(), [](const std::string& s) { return !trimmed(s).empty(); }))
            keep(*n);
    }
    const std::string company = org ? trimmed(splitComponents(org->value)[0]) : std::string();
    const std::string full = fn ? trimmed(unescapeText(fn->value)) : std::string();
    if (family.empty() && given.empty() && !full.empty() && full != company && full.find('@') == std::string::npos) {
        // Only a display name: its last word is taken for the family name.
        const std::size_t space = full.rfind(' ');
        family = space == std::string::npos ? full : full.substr(space + 1);
        given = space == std::string::npos ? std::string() : trimmed(full.substr(0, space));
    }
    put("LName", family);
    put("FName", given);
    if (fn) {
        m_used.push_back(fn);
        std::string generated = given.empty() ? family : family.empty() ? given : given + ' ' + family;
        // A card without a name shows its company or address as its name; that says nothing new.
        const VCardProperty* email = m_card.first("EMAIL");
        if (!full.empty() && full != generated && full != company
            && !(email && full == trimmed(unescapeText(email->value))))
            keep(*fn);
    }
}

std::string phoneNumber(const VCardProperty& p)
{
    std::string value = trimmed(unescapeText(p.value));
    if (value.size() > 4 && equalsNoCase(value.substr(0, 4), "tel:"))
        value = value.substr(4);
    return value;
}

void CardReader::readPhones()
{
    std::vector<const VCardProperty*> voice;
    for (const VCardProperty* p : byPreference(m_card, "TEL")) {
        const std::string column = p->hasType("CELL") ? "Cellular" : p->hasType("FAX") ? "Fax" : "";
        if (column.empty())
            voice.push_back(p);
        else if (isFree(column) && !phoneNumber(*p).empty()) {
            put(column, phoneNumber(*p));
            m_used.push_back(p);
        }
    }
    // Work numbers first onto Phone 1 and home numbers onto Phone 2, then the rest wherever free.
    auto place = [&](const VCardProperty* p, const std::string& column) {
        if (std::find(m_used.begin(), m_used.end(), p) != m_used.end() || !isFree(column) || phoneNumber(*p).empty())
            return;
        put(column, phoneNumber(*p));
        m_used.push_back(p);
    };
    for (const VCardProperty* p : voice)
        if (p->hasType("WORK"))
            place(p, "Phone1");
    for (const VCardProperty* p : voice)
        if (p->hasType("HOME"))
            place(p, "Phone2");
    for (const VCardProperty* p : voice) {
        place(p, "Phone1");
        place(p, "Phone2");
    }
}

void CardReader::readAddress()
{
    const std::vector<const VCardProperty*> all = byPreference(m_card, "ADR");
    if (all.empty())
        return;
    m_used.push_back(all[0]);
    std::vector<std::string> parts = splitComponents(all[0]->value);
    parts.resize(std::max<std::size_t>(parts.size(), 7));
    std::string street = trimmed(parts[2]);
    std::string rest;
    if (const std::size_t nl = street.find('\n'); nl != std::string::npos) {
        rest = trimmed(street.substr(nl + 1));
        street = trimmed(street.substr(0, nl));
    }
    for (const std::string* extra : { &parts[1], &parts[0] })
        if (!trimmed(*extra).empty())
            rest += (rest.empty() ? "" : ", ") + trimmed(*extra);
    // The address lines of a contact are single lines.
    for (std::size_t nl = rest.find('\n'); nl != std::string::npos; nl = rest.find('\n', nl))
        rest.replace(nl, 1, ", ");
    put("Address1", street);
    put("Address2", rest);
    put("City", parts[3]);
    put("State", parts[4]);
    put("Zip", parts[5]);
    put("Country", parts[6]);
}

void CardReader::readCategories()
{
    std::vector<std::string> list;
    for (const VCardProperty& p : m_card.properties) {
        if (p.name != "CATEGORIES")
            continue;
        m_used.push_back(&p);
        for (const std::string& part : splitList(p.value)) {
            const std::string name = trimmed(part);
            if (!name.empty()
                && std::none_of(list.begin(), list.end(), [&](const std::string& s) { return equalsNoCase(s, name); }))
                list.push_back(name);
        }
    }
    static const char* const kColumns[] = { "CategoryA", "CategoryB", "CategoryC" };
    std::string rest;
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (i < 3)
            put(kColumns[i], list[i]);
        else
            rest += (rest.empty() ? "" : ",") + escapeText(list[i]);
    }
    if (!rest.empty())
        m_out.unmapped.push_back("CATEGORIES: " + rest);
}

// Columns without a property of their own travel as X-PELMORA-<column>, so our own cards
// come back whole.
void CardReader::readOwnColumn(const VCardProperty& p)
{
    const data::FieldDef* field = m_table.field(p.name.substr(kPrefix.size()));
    const std::string value = trimmed(unescapeText(p.value));
    bool valid = field && field->type != data::FieldType::AutoInc;
    if (valid && field->type == data::FieldType::Date)
        valid = data::Date::fromIso(value).has_value();
    else if (valid
        && (field->type == data::FieldType::Number || field->type == data::FieldType::Long
            || field->type == data::FieldType::Logical))
        valid = data::parseDecimal(value).has_value();
    if (!valid || !isFree(field->name)) {
        keep(p);
        return;
    }
    put(field->name, value);
}

ContactCard CardReader::read()
{
    readNames();
    readPhones();
    readAddress();
    readCategories();
    static const std::pair<const char*, const char*> kSingle[]
        = { { "TITLE", "JobTitle" }, { "EMAIL", "EMail" }, { "URL", "URL" } };
    for (const auto& [name, column] : kSingle) {
        const std::vector<const VCardProperty*> list = byPreference(m_card, name);
        for (const VCardProperty* p : list) {
            if (!isFree(column) || trimmed(unescapeText(p->value)).empty())
                continue;
            put(column, unescapeText(p->value));
            m_used.push_back(p);
        }
    }
    std::string comments;
    for (const VCardProperty& p : m_card.properties) {
        if (std::find(m_used.begin(), m_used.end(), &p) != m_used.end())
            continue;
        if (p.name == "VERSION" || p.name == "PRODID" || p.name == "REV" || p.name == "PROFILE")
            continue; // about the file, not the contact
        if (p.name == "UID" && m_out.uid.empty())
            m_out.uid = trimmed(p.value);
        else if (p.name == "NOTE")
            comments += (comments.empty() ? "" : "\n\n") + unescapeText(p.value);
        else if (p.name == kPrefix + "UNMAPPED")
            m_out.unmapped.push_back(unescapeText(p.value));
        else if (p.name.starts_with(kPrefix))
            readOwnColumn(p);
        else
            keep(p);
    }
    put("Comments", comments);
    return std::move(m_out);
}

} // namespace

ContactCard contactFromVCard(const VCard& card)
{
    return CardReader(card).read();
}

void putField(ContactCard& card, const std::string& column, const std::string& raw)
{
    const std::string value = trimmed(raw);
    if (value.empty())
        return;
    const data::FieldDef* field = data::tableDef("Contacts").field(column);
    if (field && field->type == data::FieldType::Alpha && utf8Length(value) > static_cast<std::size_t>(field->size))
        card.unmapped.push_back(field->name + ": " + escapeText(value));
    else
        card.fields[field ? field->name : column] = value;
}

std::optional<UnmappedLine> splitUnmapped(const std::string& line)
{
    bool quoted = false;
    for (std::size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '"')
            quoted = !quoted;
        else if (line[i] == ':' && !quoted) {
            std::string value = line.substr(i + 1);
            if (!value.empty() && value.front() == ' ')
                value.erase(0, 1);
            return UnmappedLine { line.substr(0, i), value };
        }
    }
    return std::nullopt;
}

} // namespace pelmora::exchange
