#include "data/Schema.h"

#include "data/DataError.h"

#include <algorithm>
#include <cctype>

namespace pelmora::data {

namespace {

// Fields that hold paths or text from received and imported mail take what real systems and
// real mail carry: a path as long as the system allows, a header line as long as mail allows,
// an address as long as an address can be. The file stores text of any length, so files
// written with the narrower sizes read and take such values as they are.
constexpr int kPath = 4096;
constexpr int kHeaderLine = 998;
constexpr int kAddress = 320;

FieldDef A(std::string name, int size, int width, std::string label = {})
{
    return { std::move(name), FieldType::Alpha, size, std::move(label), width };
}
FieldDef M(std::string name, int size, int width, std::string label = {})
{
    return { std::move(name), FieldType::Memo, size, std::move(label), width };
}
FieldDef L(std::string name, int width, std::string label = {})
{
    return { std::move(name), FieldType::Logical, 0, std::move(label), width };
}
FieldDef D(std::string name, int width, std::string label = {})
{
    return { std::move(name), FieldType::Date, 0, std::move(label), width };
}
FieldDef I(std::string name, int width, std::string label = {}, bool hidden = false)
{
    return { std::move(name), FieldType::Long, 0, std::move(label), width, hidden };
}
FieldDef N(std::string name, int width)
{
    return { std::move(name), FieldType::Number, 0, {}, width };
}
FieldDef counter(int width = 10)
{
    return { "Counter", FieldType::AutoInc, 0, {}, width, true };
}
FieldDef contact()
{
    return { "Contact", FieldType::Long, 0, {}, 10, true };
}
FieldDef hide(FieldDef field)
{
    field.hidden = true;
    return field;
}
FieldDef require(FieldDef field)
{
    field.required = true;
    return field;
}

std::vector<FieldDef> contactFields()
{
    std::vector<FieldDef> f = { A("LName", 20, 13, "Last Name"), A("FName", 20, 13, "First Name"), A("Company", 45, 20),
        A("EMail", 60, 18, "E-Mail"), L("Mark", 5), A("SiteTitle", 80, 35), A("URL", 80, 35),
        M("SiteDesc", 100, 10, "Site Desc."), D("LastVisited", 10, "Last Visited"),
        A("CategoryA", 40, 15, "Category 1"), A("CategoryB", 40, 15, "Category 2"),
        A("CategoryC", 40, 15, "Category 3"), A("JobTitle", 40, 15), A("Department", 40, 15), A("Phone1", 20, 13),
        A("Phone2", 20, 13), A("Cellular", 20, 13), A("Fax", 20, 13), A("Address1", 40, 20), A("Address2", 40, 20),
        A("City", 20, 13), A("State", 20, 10), A("Zip", 13, 9), A("Country", 20, 15), D("Created", 10),
        D("LastContact", 12, "Last Contacted"), M("Comments", 50, 10) };
    for (int i = 1; i <= 10; ++i)
        f.push_back(A("User" + std::to_string(i), 20, 20));
    for (int i = 1; i <= 5; ++i)
        f.push_back(D("Date" + std::to_string(i), 10));
    for (int i = 1; i <= 5; ++i)
        f.push_back(N("Num" + std::to_string(i), 10));
    f.push_back(counter());
    return f;
}

// The contacts' own orders: the sort command offers one per first field, case-insensitive.
std::vector<IndexDef> contactIndexes()
{
    return { { "LNameInd", { "LName", "FName" }, true }, { "FNameInd", { "FName", "LName" }, true },
        { "CompanyInd", { "Company" }, true }, { "CategoryAInd", { "CategoryA" }, true },
        { "CityInd", { "City" }, true }, { "EMailInd", { "EMail" }, true } };
}

std::vector<TableDef> buildTables()
{
    const auto db = TableHome::Database;
    return {
        { "Contacts", "Contacts.DB", db, contactFields(), contactIndexes() },
        { "EMAIL", "EMAIL.DB", db,
            { A("Subject", kHeaderLine, 41), A("SenderName", kHeaderLine, 24, "From/To Name"),
                A("SenderEmail", kAddress, 19, "From/To Email"), M("Body", 50, 7), L("Queue", 8, "Queued"),
                I("AttachNum", 7, "Attach"), D("DateCreated", 10, "Created"), A("Remark", 100, 100),
                hide(A("ToEmail", kAddress, 28)), counter(), contact(), I("Number", 10, {}, true),
                I("Status", 10, {}, true) },
            { { "EmailContact", { "Contact", "Counter" }, false } } },
        { "Attach", "Attach.DB", db, { counter(), I("EmailNum", 10), A("Location", kPath, 50), A("Remark", 40, 40) },
            { { "AttachEmailNum", { "EmailNum" }, false } } },
        { "Links", "Links.db", db,
            { A("Title", 50, 50, "Site Title"), A("URL", 50, 35), M("Descrip", 50, 10, "Description"),
                D("DateCreated", 10, "Created"), D("LastAccess", 10, "Last Accessed"), counter(), contact() },
            { { "LinksContact", { "Contact" }, false } } },
        { "Activity", "Activity.DB", db,
            { A("Activity", 50, 31), D("DateOf", 8, "When"), A("Priority", 2, 7), L("Done", 5),
                A("Detailes", 100, 40, "Details"), M("Notes", 50, 10), D("DateCreated", 10, "Created"), counter(),
                contact() },
            { { "ActivityContact", { "Contact" }, false }, { "ActivityName", { "Activity" }, true },
                { "ActivityDateOf", { "DateOf" }, false }, { "ActivityDone", { "Done" }, false },
                { "ActivityPriority", { "Priority" }, true }, { "ActivityDetails", { "Detailes" }, true },
                { "ActivityCreated", { "DateCreated" }, false } } },
        { "People", "People.db", db,
            { A("LastName", 30, 15, "Last Name"), A("FirstName", 30, 13, "First Name"), A("EMail", 50, 22, "E-mail"),
                A("JobTitle", 30, 15, "Job Title"), A("Department", 30, 21), D("DateCreated", 10, "Created"),
                M("Notes", 50, 7), A("Fax", 20, 20), A("Phone", 20, 20), counter(), contact() },
            { { "PeopleContact", { "Contact" }, false } } },
        { "notes", "notes.DB", db,
            { A("Subject", 50, 75), D("DateCreated", 8, "Created"), M("Memo", 10, 17), counter(), contact() },
            { { "NotesContact", { "Contact" }, false } } },
        { "documents", "documents.db", db,
            { A("Name", 50, 36), A("File", kPath, 40), M("Notes", 50, 7), D("Added", 8), I("Size", 10),
                D("ModiDate", 10, "Modified"), hide(A("Type", 50, 50)), counter(), contact() },
            { { "DocumentsContact", { "Contact" }, false }, { "DocumentsName", { "Name" }, true },
                { "DocumentsFile", { "File" }, false }, { "DocumentsAdded", { "Added" }, false },
                { "DocumentsSize", { "Size" }, false }, { "DocumentsModified", { "ModiDate" }, false } } },
        { "category", "category.db", db, { A("Desc", 100, 100, "Category List"), counter() },
            { { "DescInd", { "Desc" }, true } } },
        { "jobTitle", "jobTitle.DB", db, { A("Description", 50, 50, "Job Title"), counter() },
            { { "DescInd", { "Description" }, true } } },
        { "Depart", "Depart.db", db, { A("Description", 50, 50, "Department"), counter() },
            { { "DescInd", { "Description" }, true } } },
        { "ActDesc", "ActDesc.db", db, { A("ActDesc", 50, 50, "Activities"), I("Activity", 10, {}, true), counter() },
            { { "ActivityDesc", { "ActDesc" }, true } } },
        { "Ip2zip", "Ip2zip.DB", db, { A("CITY", 25, 25), A("ZIP", 10, 10), A("STATE", 2, 2) },
            { { "iCity", { "CITY" }, true } } },
        { "BaseName", "BaseName.db", TableHome::DataDirectory,
            { require(A("BaseName", 100, 30, "Database Name")), require(A("BaseDir", kPath, 100, "Directory")) }, {} },
        { "MoreName", "MoreName.db", TableHome::DataDirectory,
            { A("RealName", 20, 20, "Field"), A("NikName", 20, 20, "Name"), counter() },
            { { "RealInd", { "RealName" }, true } } },
    };
}

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

const char* sqlType(FieldType type)
{
    switch (type) {
    case FieldType::Logical:
    case FieldType::Long:
        return "INTEGER";
    case FieldType::AutoInc:
        return "INTEGER PRIMARY KEY AUTOINCREMENT";
    case FieldType::Number:
        return "REAL";
    default:
        return "TEXT";
    }
}

std::string createTable(const TableDef& table)
{
    std::string sql = "CREATE TABLE \"" + table.name + "\" (";
    for (size_t i = 0; i < table.fields.size(); ++i) {
        const FieldDef& f = table.fields[i];
        sql += (i ? ", \"" : "\"") + f.name + "\" " + sqlType(f.type);
        if (f.required)
            sql += " NOT NULL";
    }
    return sql + ")";
}

} // namespace

std::string sqlIndexName(const TableDef& table, const IndexDef& index)
{
    // Index names are per database file in SQLite, and the three lists all call theirs "DescInd".
    int uses = 0;
    for (const TableDef& other : allTables()) {
        if (other.home == table.home && other.index(index.name))
            ++uses;
    }
    return uses > 1 ? table.name + "_" + index.name : index.name;
}

bool equalsNoCase(const std::string& a, const std::string& b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](unsigned char x, unsigned char y) {
        return std::tolower(x) == std::tolower(y);
    });
}

const FieldDef* TableDef::field(const std::string& fieldName) const
{
    const int i = fieldIndex(fieldName);
    return i < 0 ? nullptr : &fields[size_t(i)];
}

int TableDef::fieldIndex(const std::string& fieldName) const
{
    for (size_t i = 0; i < fields.size(); ++i) {
        if (equalsNoCase(fields[i].name, fieldName))
            return int(i);
    }
    return -1;
}

const IndexDef* TableDef::index(const std::string& indexName) const
{
    for (const IndexDef& idx : indexes) {
        if (equalsNoCase(idx.name, indexName))
            return &idx;
    }
    return nullptr;
}

bool TableDef::hasCounter() const
{
    return field("Counter") != nullptr;
}

const std::vector<TableDef>& allTables()
{
    static const std::vector<TableDef> tables = buildTables();
    return tables;
}

const TableDef* findTable(const std::string& nameOrFile)
{
    std::string name = lower(nameOrFile);
    if (name.size() > 3 && name.compare(name.size() - 3, 3, ".db") == 0)
        name.resize(name.size() - 3);
    for (const TableDef& table : allTables()) {
        if (lower(table.name) == name)
            return &table;
    }
    return nullptr;
}

const TableDef& tableDef(const std::string& nameOrFile)
{
    if (const TableDef* table = findTable(nameOrFile))
        return *table;
    throw EDatabaseError("Unknown table \"" + nameOrFile + "\"");
}

std::vector<std::string> createStatements(TableHome home)
{
    std::vector<std::string> sql;
    for (const TableDef& table : allTables()) {
        if (table.home != home)
            continue;
        sql.push_back(createTable(table));
        for (const IndexDef& index : table.indexes) {
            std::string columns;
            for (const std::string& field : index.fields)
                columns += (columns.empty() ? "\"" : ", \"") + field + "\""
                    + (index.caseInsensitive ? " COLLATE NOCASE" : "");
            sql.push_back(
                "CREATE INDEX \"" + sqlIndexName(table, index) + "\" ON \"" + table.name + "\" (" + columns + ")");
        }
    }
    return sql;
}

} // namespace pelmora::data
