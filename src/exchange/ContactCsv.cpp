#include "exchange/ContactCsv.h"

#include "data/Schema.h"
#include "data/Value.h"
#include "exchange/ExchangeError.h"
#include "exchange/TextCodec.h"

#include <algorithm>
#include <cctype>
#include <map>

namespace pelmora::exchange {

namespace {

// Header text compared without case, spaces and punctuation: "E-mail Address" = "emailaddress".
std::string normalized(std::string_view text)
{
    std::string out;
    for (char c : text)
        if (std::isalnum(static_cast<unsigned char>(c)))
            out += char(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

struct Alias {
    const char* target;
    std::vector<const char*> names;
};

// The headers of the address books users bring. A header found here maps at once; a weak one
// only when no other column claims its field (home addresses give way to business ones).
const std::vector<Alias>& strongAliases()
{
    static const std::vector<Alias> aliases = {
        { "LName", { "lastname", "familyname", "last", "surname" } },
        { "FName", { "firstname", "givenname", "first" } },
        { "Company",
            { "company", "organization", "organisation", "organization1name", "organizationname", "section1company",
                "companyname" } },
        { "Department", { "department", "organization1department", "organizationdepartment", "dept" } },
        { "JobTitle", { "jobtitle", "organization1title", "organizationtitle", "position" } },
        { "EMail", { "email", "emailaddress", "primaryemail", "email1value", "mail" } },
        { "Phone1", { "businessphone", "workphone", "phone", "work", "section1phone", "telephone", "officephone" } },
        { "Phone2", { "homephone", "home" } },
        { "Cellular", { "mobilephone", "mobile", "mobilenumber", "cellular", "cellphone", "section1mobile", "cell" } },
        { "Fax", { "fax", "businessfax", "faxnumber", "workfax", "section1fax" } },
        { "Address1",
            { "businessstreet", "workaddress", "businessaddressstreet", "address", "street", "streetaddress",
                "section1address", "address1street" } },
        { "Address2", { "businessstreet2", "workaddress2", "address1extendedaddress" } },
        { "City",
            { "businesscity", "workcity", "businessaddresslocality", "city", "town", "locality", "address1city" } },
        { "State",
            { "businessstate", "workstate", "businessaddressregion", "state", "region", "province", "workcounty",
                "address1region" } },
        { "Zip",
            { "businesspostalcode", "workzipcode", "businessaddresspostalcode", "zip", "zipcode", "postalcode",
                "postcode", "workpostcode", "address1postalcode" } },
        { "Country",
            { "businesscountry", "businesscountryregion", "workcountry", "businessaddresscountry", "country",
                "countryregion", "address1country" } },
        { "URL",
            { "webpage", "website", "webpage1", "businesswebpage", "website1value", "businesswebsite", "webaddress" } },
        { "Comments", { "notes", "note", "comments", "comment" } },
        { "#categories", { "categories", "category", "groupmembership", "groups", "labels" } },
        { "#name", { "name", "displayname", "formattedname", "fullname" } },
        { "#details", { "otherdetails" } },
    };
    return aliases;
}

const std::vector<Alias>& weakAliases()
{
    static const std::vector<Alias> aliases = {
        { "JobTitle", { "title", "section1title" } },
        { "EMail", { "section1email" } },
        { "Phone1", { "companymainphone", "primaryphone" } },
        { "Phone2", { "businessphone2", "otherphone" } },
        { "Fax", { "homefax", "otherfax" } },
        { "Address1", { "homestreet", "homeaddress", "homeaddressstreet" } },
        { "Address2", { "homestreet2", "homeaddress2" } },
        { "City", { "homecity", "hometown", "homeaddresslocality" } },
        { "State", { "homestate", "homecounty", "homeaddressregion" } },
        { "Zip", { "homepostalcode", "homezipcode", "homepostcode", "homeaddresspostalcode" } },
        { "Country", { "homecountry", "homecountryregion", "homeaddresscountry" } },
        { "URL", { "personalwebpage", "personalwebsite" } },
    };
    return aliases;
}

// The columns an address book writes without a header row, in its order.
const std::vector<std::string>& headerlessLayout()
{
    static const std::vector<std::string> columns = { "First Name", "Last Name", "Display Name", "Nickname",
        "Primary Email", "Secondary Email", "Work Phone", "Home Phone", "Fax Number", "Pager Number", "Mobile Number",
        "Home Address", "Home Address 2", "Home City", "Home State", "Home ZipCode", "Home Country", "Work Address",
        "Work Address 2", "Work City", "Work State", "Work ZipCode", "Work Country", "Job Title", "Department",
        "Organization", "Web Page 1", "Web Page 2", "Birth Year", "Birth Month", "Birth Day", "Custom 1", "Custom 2",
        "Custom 3", "Custom 4", "Notes" };
    return columns;
}

std::string lookup(const std::vector<Alias>& aliases, const std::string& key)
{
    for (const Alias& alias : aliases)
        for (const char* name : alias.names)
            if (key == name)
                return alias.target;
    return {};
}

// "Phone 3 - Value" and "Phone 3 - Type" (or "- Label"): numbers with their kind beside them.
std::string typedPhone(const std::string& key)
{
    if (key.size() < 10 || !key.starts_with("phone"))
        return {};
    std::size_t i = 5;
    while (i < key.size() && std::isdigit(static_cast<unsigned char>(key[i])))
        ++i;
    if (i == 5)
        return {};
    const std::string number = key.substr(5, i - 5);
    const std::string rest = key.substr(i);
    if (rest == "value")
        return "#phone:" + number;
    if (rest == "type" || rest == "label")
        return "#phonetype:" + number;
    return {};
}

std::string layoutName(const std::vector<std::string>& keys)
{
    auto has = [&](const char* key) { return std::find(keys.begin(), keys.end(), key) != keys.end(); };
    if (has("email1value") || has("groupmembership"))
        return "Google";
    if (has("primaryemail"))
        return "Thunderbird";
    if (has("yahooid"))
        return "Yahoo";
    if (has("formattedname"))
        return "KDE";
    if (has("businessstreet") || has("emailaddress"))
        return "Outlook";
    if (has("section1email"))
        return "Gmail";
    if (has("otherdetails"))
        return "Pelmora";
    return "columns by name";
}

void applyOverrides(CsvMapping& mapping, const std::vector<std::pair<std::string, std::string>>& overrides)
{
    const data::TableDef& contacts = data::tableDef("Contacts");
    for (const auto& [fieldName, column] : overrides) {
        std::string target;
        for (const data::FieldDef& f : contacts.fields)
            if (f.type != data::FieldType::AutoInc
                && (normalized(f.name) == normalized(fieldName) || normalized(f.caption()) == normalized(fieldName)))
                target = f.name;
        if (target.empty() && normalized(fieldName) == "categories")
            target = "#categories";
        if (target.empty() && normalized(fieldName) == "name")
            target = "#name";
        // An empty field name keeps the column in the notes: a column the header row mapped
        // wrongly can be taken off its field without being put on another.
        if (target.empty() && !fieldName.empty())
            throw EExchangeError("There is no contact field \"" + fieldName + "\" to map a column onto");
        std::size_t index = mapping.header.size();
        if (!column.empty() && std::all_of(column.begin(), column.end(), [](char c) {
                return std::isdigit(static_cast<unsigned char>(c));
            })) {
            index = std::stoul(column.substr(0, 9)) - 1;
        } else {
            for (std::size_t i = 0; i < mapping.header.size() && index == mapping.header.size(); ++i)
                if (equalsNoCase(trimmed(mapping.header[i]), trimmed(column)))
                    index = i;
        }
        if (index >= mapping.header.size())
            throw EExchangeError("The file has no column \"" + column + "\"");
        if (!target.empty())
            std::replace(mapping.targets.begin(), mapping.targets.end(), target, std::string());
        mapping.targets[index] = target;
    }
}

} // namespace

CsvMapping mapCsvColumns(
    const std::vector<std::string>& firstRecord, const std::vector<std::pair<std::string, std::string>>& overrides)
{
    CsvMapping mapping;
    mapping.header = firstRecord;
    std::map<std::string, std::string> byName; // normalized field names and captions
    for (const data::FieldDef& f : data::tableDef("Contacts").fields) {
        if (f.type == data::FieldType::AutoInc)
            continue;
        byName.emplace(normalized(f.name), f.name);
        byName.emplace(normalized(f.caption()), f.name);
    }
    std::vector<std::string> keys;
    auto mapAll = [&]() {
        keys.clear();
        mapping.targets.assign(mapping.header.size(), {});
        std::vector<bool> weak(mapping.header.size(), false);
        for (std::size_t i = 0; i < mapping.header.size(); ++i) {
            const std::string key = normalized(mapping.header[i]);
            keys.push_back(key);
            std::string target = lookup(strongAliases(), key);
            if (target.empty() && byName.count(key))
                target = byName[key];
            if (target.empty())
                target = typedPhone(key);
            if (target.empty()) {
                target = lookup(weakAliases(), key);
                weak[i] = !target.empty();
            }
            mapping.targets[i] = target;
        }
        // A field claimed by a column outright leaves its weak claimants to the notes.
        for (std::size_t i = 0; i < mapping.targets.size(); ++i) {
            if (!weak[i])
                continue;
            for (std::size_t k = 0; k < mapping.targets.size(); ++k)
                if (k != i && !weak[k] && mapping.targets[k] == mapping.targets[i])
                    mapping.targets[i].clear();
        }
    };
    mapAll();
    const auto known = std::count_if(
        mapping.targets.begin(), mapping.targets.end(), [](const std::string& t) { return !t.empty(); });
    if (known < 2 && firstRecord.size() >= headerlessLayout().size()) {
        // No header row, but as many columns as the address book that writes none.
        mapping.header = headerlessLayout();
        mapping.header.resize(firstRecord.size());
        mapping.headerRow = false;
        mapAll();
        mapping.layout = "Thunderbird (no header row)";
    } else {
        mapping.layout = layoutName(keys);
    }
    applyOverrides(mapping, overrides);
    return mapping;
}

namespace {

std::vector<std::string> splitCategories(const std::string& text)
{
    std::vector<std::string> out;
    std::string current;
    auto flush = [&]() {
        std::string item = trimmed(current);
        if (item.starts_with("* "))
            item = trimmed(item.substr(2)); // the system groups of one address book
        if (!item.empty()
            && std::none_of(out.begin(), out.end(), [&](const std::string& s) { return equalsNoCase(s, item); }))
            out.push_back(item);
        current.clear();
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 3, ":::") == 0) {
            flush();
            i += 2;
        } else if (text[i] == ';' || text[i] == ',') {
            flush();
        } else {
            current += text[i];
        }
    }
    flush();
    return out;
}

class RowReader {
public:
    RowReader(const CsvMapping& mapping, const std::vector<std::string>& cells)
        : m_mapping(mapping)
        , m_cells(cells)
    {
    }
    ContactCard read();

private:
    // Line breaks are stored as the program's editors write them, a bare line feed.
    std::string cell(std::size_t i) const
    {
        std::string text = i < m_cells.size() ? trimmed(m_cells[i]) : std::string();
        for (std::size_t cr = text.find("\r\n"); cr != std::string::npos; cr = text.find("\r\n", cr))
            text.erase(cr, 1);
        return text;
    }
    void keep(std::size_t i)
    {
        const std::string name
            = i < m_mapping.header.size() ? trimmed(m_mapping.header[i]) : "Column " + std::to_string(i + 1);
        m_card.unmapped.push_back(name + ": " + escapeText(cell(i)));
    }
    void place(std::size_t i, const std::string& column);
    void placePhone(std::size_t i, const std::string& kind);
    void readDetails(const std::string& text);

    const CsvMapping& m_mapping;
    const std::vector<std::string>& m_cells;
    ContactCard m_card;
    std::vector<std::string> m_categories;
    std::string m_name;
};

void RowReader::place(std::size_t i, const std::string& column)
{
    const data::FieldDef* field = data::tableDef("Contacts").field(column);
    const std::string value = cell(i);
    bool fits = field && !m_card.fields.count(field->name);
    if (fits && field->type == data::FieldType::Date)
        fits = data::Date::fromIso(value).has_value();
    else if (fits && field->type != data::FieldType::Alpha && field->type != data::FieldType::Memo)
        fits = data::parseDecimal(value).has_value();
    if (fits)
        putField(m_card, column, value);
    else
        keep(i);
}

void RowReader::placePhone(std::size_t i, const std::string& kind)
{
    const std::string type = normalized(kind);
    std::vector<std::string> order = { "Phone1", "Phone2" };
    if (type.find("pager") != std::string::npos || type.find("other") != std::string::npos)
        order.clear(); // no field of its own: kept in the notes with its kind
    else if (type.find("mobile") != std::string::npos || type.find("cell") != std::string::npos)
        order = { "Cellular" };
    else if (type.find("fax") != std::string::npos)
        order = { "Fax" };
    else if (type.find("home") != std::string::npos)
        order = { "Phone2", "Phone1" };
    for (const std::string& column : order)
        if (!m_card.fields.count(column)) {
            putField(m_card, column, cell(i));
            return;
        }
    keep(i);
    if (!kind.empty())
        m_card.unmapped.back() += " (" + kind + ")";
}

void RowReader::readDetails(const std::string& text)
{
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        std::string line = trimmed(text.substr(start, end - start));
        if (line.starts_with("UID: ") && m_card.uid.empty())
            m_card.uid = line.substr(5);
        else if (!line.empty())
            m_card.unmapped.push_back(line);
        start = end + 1;
    }
}

ContactCard RowReader::read()
{
    const std::vector<std::string>& targets = m_mapping.targets;
    for (std::size_t i = 0; i < m_cells.size(); ++i) {
        if (cell(i).empty())
            continue;
        const std::string target = i < targets.size() ? targets[i] : std::string();
        if (target.empty())
            keep(i);
        else if (target == "#name")
            m_name = cell(i);
        else if (target == "#categories")
            for (std::string& item : splitCategories(cell(i)))
                m_categories.push_back(std::move(item));
        else if (target == "#details")
            readDetails(m_cells[i]);
        else if (target.starts_with("#phonetype:"))
            continue;
        else if (target.starts_with("#phone:")) {
            const auto type = std::find(targets.begin(), targets.end(), "#phonetype:" + target.substr(7));
            placePhone(i, type == targets.end() ? std::string() : cell(std::size_t(type - targets.begin())));
        } else
            place(i, target);
    }
    static const char* const kCategories[] = { "CategoryA", "CategoryB", "CategoryC" };
    std::string rest;
    for (const std::string& category : m_categories) {
        auto free = std::find_if(
            std::begin(kCategories), std::end(kCategories), [&](const char* c) { return !m_card.fields.count(c); });
        if (free != std::end(kCategories))
            putField(m_card, *free, category);
        else
            rest += (rest.empty() ? "" : ",") + escapeText(category);
    }
    if (!rest.empty())
        m_card.unmapped.push_back("CATEGORIES: " + rest);
    if (!m_name.empty()) {
        const std::string given = m_card.fields.count("FName") ? m_card.fields.at("FName") : "";
        const std::string family = m_card.fields.count("LName") ? m_card.fields.at("LName") : "";
        const std::string company = m_card.fields.count("Company") ? m_card.fields.at("Company") : "";
        if (given.empty() && family.empty() && m_name != company && m_name.find('@') == std::string::npos) {
            const std::size_t space = m_name.rfind(' ');
            putField(m_card, "LName", space == std::string::npos ? m_name : m_name.substr(space + 1));
            if (space != std::string::npos)
                putField(m_card, "FName", m_name.substr(0, space));
        } else if (m_name
                != (given.empty()        ? family
                        : family.empty() ? given
                                         : given + ' ' + family)
            && m_name != company) {
            m_card.unmapped.push_back("FN: " + escapeText(m_name));
        }
    }
    return std::move(m_card);
}

} // namespace

ContactCard contactFromCsv(const CsvMapping& mapping, const std::vector<std::string>& cells)
{
    return RowReader(mapping, cells).read();
}

std::vector<std::string> contactCsvHeader()
{
    std::vector<std::string> header;
    for (const data::FieldDef& f : data::tableDef("Contacts").fields)
        if (f.type != data::FieldType::AutoInc)
            header.push_back(f.caption());
    header.push_back("Other Details");
    return header;
}

std::vector<std::string> contactCsvRow(const ContactCard& contact)
{
    std::vector<std::string> row;
    for (const data::FieldDef& f : data::tableDef("Contacts").fields) {
        if (f.type == data::FieldType::AutoInc)
            continue;
        auto it = contact.fields.find(f.name);
        row.push_back(it == contact.fields.end() ? std::string() : it->second);
    }
    std::string details = contact.uid.empty() ? std::string() : "UID: " + contact.uid;
    for (const std::string& line : contact.unmapped)
        details += (details.empty() ? "" : "\n") + line;
    row.push_back(details);
    return row;
}

} // namespace pelmora::exchange
