#include "data/SampleDatabase.h"

#include "data/Database.h"
#include "data/DataError.h"

namespace pelmora::data {

std::vector<std::vector<std::string>> parseCsv(std::string_view text)
{
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row;
    std::string field;
    bool quoted = false, any = false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
                field += text[++i];
            else if (c == '"')
                quoted = false;
            else
                field += c;
        } else if (c == '"') {
            quoted = any = true;
        } else if (c == ',') {
            row.push_back(std::move(field));
            field.clear();
            any = true;
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
            if (any || !field.empty()) {
                row.push_back(std::move(field));
                rows.push_back(std::move(row));
            }
            row.clear();
            field.clear();
            any = false;
        } else {
            field += c;
            any = true;
        }
    }
    if (any || !field.empty()) {
        row.push_back(std::move(field));
        rows.push_back(std::move(row));
    }
    return rows;
}

namespace {

Value seedValue(const FieldDef& field, const std::string& text)
{
    if (text.empty())
        return std::monostate {};
    switch (field.type) {
    case FieldType::Long:
    case FieldType::AutoInc:
    case FieldType::Logical:
        return std::int64_t(std::stoll(text));
    case FieldType::Number:
        return std::stod(text);
    default:
        return text;
    }
}

void loadSeed(SqlDatabase& sql, const TableDef& table, std::string_view csv)
{
    const auto rows = parseCsv(csv);
    if (rows.empty())
        return;
    std::vector<const FieldDef*> fields;
    std::string columns, marks;
    for (const std::string& name : rows.front()) {
        const FieldDef* f = table.field(name);
        if (!f)
            throw EDatabaseError("Seed data of " + table.name + " names an unknown field " + name);
        fields.push_back(f);
        columns += (columns.empty() ? "\"" : ", \"") + f->name + "\"";
        marks += marks.empty() ? "?" : ", ?";
    }
    for (size_t r = 1; r < rows.size(); ++r) {
        Statement& st = sql.prepare("INSERT INTO \"" + table.name + "\" (" + columns + ") VALUES (" + marks + ")");
        for (size_t c = 0; c < fields.size(); ++c)
            st.bind(int(c + 1), c < rows[r].size() ? seedValue(*fields[c], rows[r][c]) : Value {});
        st.run();
    }
}

// Builds the file under a temporary name and renames it into place, so an interrupted first
// start leaves no half-filled database behind.
void createSeeded(const std::filesystem::path& dataDirectory, TableHome home)
{
    const auto finalFile = Database::fileIn(dataDirectory, home);
    const auto work = dataDirectory / (".new-" + finalFile.filename().string());
    std::filesystem::remove_all(work);
    std::filesystem::create_directories(work);
    {
        auto database = Database::create(work, home);
        Transaction transaction(database->sql());
        for (const SeedFile& seed : sampleSeedFiles()) {
            const TableDef& table = tableDef(seed.table);
            if (table.home == home)
                loadSeed(database->sql(), table, seed.csv);
        }
        if (home == TableHome::DataDirectory) {
            // The Sample row is always found in the data directory, whatever BaseDir says; keeping
            // the full path there lets code that reads BaseDir as a location work too.
            database->sql()
                .prepare("UPDATE \"BaseName\" SET \"BaseDir\" = ? WHERE \"BaseName\" = 'Sample'")
                .bind(1, std::filesystem::absolute(dataDirectory).lexically_normal().string())
                .run();
        }
        transaction.commit();
        database->sql().exec("PRAGMA journal_mode = DELETE"); // one self-contained file to rename
    }
    std::filesystem::rename(Database::fileIn(work, home), finalFile);
    std::filesystem::remove_all(work);
}

} // namespace

void ensureSampleDatabase(const std::filesystem::path& dataDirectory)
{
    std::filesystem::create_directories(dataDirectory);
    if (!std::filesystem::exists(Database::fileIn(dataDirectory, TableHome::DataDirectory)))
        createSeeded(dataDirectory, TableHome::DataDirectory);
    if (!std::filesystem::exists(Database::fileIn(dataDirectory, TableHome::Database)))
        createSeeded(dataDirectory, TableHome::Database);
}

} // namespace pelmora::data
