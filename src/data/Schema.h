#pragma once

#include <string>
#include <vector>

namespace pelmora::data {

// The field types of the table files: A alpha, M memo, L logical, I long, + auto-increment,
// D date, N number.
enum class FieldType { Alpha, Memo, Logical, Long, AutoInc, Date, Number };

struct FieldDef {
    std::string name;
    FieldType type = FieldType::Alpha;
    int size = 0; // characters of an alpha field; bytes kept in the record of a memo
    std::string label; // column title; the field name when empty
    int width = 10; // grid column width in characters
    bool hidden = false;
    bool required = false;

    const std::string& caption() const { return label.empty() ? name : label; }
    bool isText() const { return type == FieldType::Alpha || type == FieldType::Memo || type == FieldType::Date; }
};

struct IndexDef {
    std::string name; // SQLite index name; named indexes keep the names windows ask for
    std::vector<std::string> fields; // the order it gives
    bool caseInsensitive = false; // text compared without regard to letter case
};

enum class TableHome { Database, DataDirectory };

struct TableDef {
    std::string name; // SQLite table name: "Contacts", "EMAIL", "Links", ...
    std::string fileName; // the table file name windows use: "Contacts.DB", "Links.db", ...
    TableHome home = TableHome::Database;
    std::vector<FieldDef> fields;
    std::vector<IndexDef> indexes;

    // Case-insensitive, as filter expressions and the command line write field names freely.
    const FieldDef* field(const std::string& name) const;
    int fieldIndex(const std::string& name) const;
    const IndexDef* index(const std::string& name) const;
    bool hasCounter() const;
};

// Every table of a database directory and of the data directory.
const std::vector<TableDef>& allTables();
// A table by its name or file name ("Links", "Links.DB", "links.db", "EMAIL", "Email.DB"...);
// throws EDatabaseError "Unknown table" otherwise.
const TableDef& tableDef(const std::string& nameOrFile);
const TableDef* findTable(const std::string& nameOrFile);

// The name of an index inside the SQLite file.
std::string sqlIndexName(const TableDef& table, const IndexDef& index);

// SQL that creates the tables and indexes of one home.
std::vector<std::string> createStatements(TableHome home);

bool equalsNoCase(const std::string& a, const std::string& b);

} // namespace pelmora::data
