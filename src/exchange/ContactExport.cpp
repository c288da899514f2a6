#include "exchange/ContactExport.h"

#include "data/Database.h"
#include "data/FilterExpression.h"
#include "data/Schema.h"
#include "exchange/ContactStore.h"
#include "exchange/Csv.h"
#include "exchange/ExchangeError.h"

#include <fstream>
#include <system_error>
#include <unistd.h>

namespace pelmora::exchange {

namespace {

std::string contactText(const ContactCard& card, const ExportOptions& options)
{
    if (options.format == ExchangeFormat::Csv)
        return formatCsvRecord(contactCsvRow(card));
    return formatVCard(vcardFromContact(card, options.version), options.version);
}

// A file name from the contact's name: characters no file system takes become '_', and a name
// never reaches outside the folder.
std::string fileStem(const ContactCard& card)
{
    auto field = [&](const char* column) {
        auto it = card.fields.find(column);
        return it == card.fields.end() ? std::string() : it->second;
    };
    std::string stem = field("FName");
    stem += (stem.empty() || field("LName").empty() ? "" : " ") + field("LName");
    if (stem.empty())
        stem = field("Company");
    if (stem.empty())
        stem = field("EMail");
    std::string out;
    for (char c : stem)
        out += (static_cast<unsigned char>(c) < 0x20
                   || std::string_view("/\\:*?\"<>|").find(c) != std::string_view::npos)
            ? '_'
            : c;
    while (!out.empty() && (out.front() == '.' || out.front() == ' '))
        out.erase(0, 1);
    if (out.size() > 120) {
        out.resize(120);
        while (!out.empty() && (static_cast<unsigned char>(out.back()) & 0xC0) == 0x80)
            out.pop_back();
        if (!out.empty() && static_cast<unsigned char>(out.back()) >= 0xC0)
            out.pop_back();
    }
    return out.empty() ? "contact" : out;
}

// One read transaction around an export. Outside a transaction every query opens and closes its
// own, taking and releasing the write-ahead log's locks each time: two queries per contact made
// that most of an export's time. A deferred transaction takes no write lock, so other writers are
// not held up; inside a caller's transaction the export simply reads within it.
class ReadTransaction {
public:
    explicit ReadTransaction(data::SqlDatabase& db)
        : m_db(db)
        , m_open(db.savepointDepth() == 0)
    {
        if (m_open)
            m_db.exec("BEGIN DEFERRED");
    }
    ~ReadTransaction()
    {
        if (!m_open)
            return;
        try {
            m_db.exec("COMMIT"); // nothing was written: this only ends the read
        } catch (...) {
            // The connection is in error already; the read ends with it.
        }
    }
    ReadTransaction(const ReadTransaction&) = delete;
    ReadTransaction& operator=(const ReadTransaction&) = delete;

private:
    data::SqlDatabase& m_db;
    bool m_open;
};

} // namespace

std::vector<std::int64_t> selectContacts(data::Database& db, const std::string& where)
{
    const data::TableDef& table = data::tableDef("Contacts");
    const data::SqlCondition condition = data::parseFilter(where, table, db.dateFormat());
    data::Statement& select = db.sql().prepare("SELECT Counter FROM Contacts"
        + (condition.empty() ? std::string() : " WHERE " + condition.sql) + " ORDER BY Counter");
    select.bindAll(condition.params);
    std::vector<std::int64_t> counters;
    while (select.step())
        counters.push_back(select.columnInt(0));
    select.reset();
    return counters;
}

std::string exportContacts(
    data::SqlDatabase& db, const std::vector<std::int64_t>& counters, const ExportOptions& options)
{
    std::string out;
    if (options.format == ExchangeFormat::Csv)
        out = formatCsvRecord(contactCsvHeader());
    const ReadTransaction read(db);
    for (std::int64_t counter : counters)
        out += contactText(readContact(db, counter), options);
    return out;
}

void writeNewFile(const std::filesystem::path& file, const std::string& bytes)
{
    std::error_code error;
    if (std::filesystem::exists(file, error))
        throw EExchangeError("The file " + file.string() + " exists already; it was not replaced");
    const std::filesystem::path temp = file.string() + ".part" + std::to_string(::getpid());
    {
        std::ofstream out(temp, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::filesystem::remove(temp, error);
            throw EExchangeError("The file " + file.string() + " could not be written");
        }
    }
    // A hard link fails when the name is taken meanwhile, where a rename would replace it.
    std::filesystem::create_hard_link(temp, file, error);
    std::error_code ignored;
    std::filesystem::remove(temp, ignored);
    if (error)
        throw EExchangeError("The file " + file.string() + " could not be written: " + error.message());
}

std::vector<std::filesystem::path> exportContactFiles(data::SqlDatabase& db, const std::vector<std::int64_t>& counters,
    const ExportOptions& options, const std::filesystem::path& folder)
{
    const std::string extension = options.format == ExchangeFormat::Csv ? ".csv" : ".vcf";
    std::vector<std::filesystem::path> written;
    const ReadTransaction read(db);
    for (std::int64_t counter : counters) {
        const ContactCard card = readContact(db, counter);
        std::string bytes = contactText(card, options);
        if (options.format == ExchangeFormat::Csv)
            bytes = formatCsvRecord(contactCsvHeader()) + bytes;
        const std::string stem = fileStem(card);
        std::filesystem::path file = folder / (stem + extension);
        for (int n = 2; std::filesystem::exists(file); ++n)
            file = folder / (stem + " (" + std::to_string(n) + ")" + extension);
        writeNewFile(file, bytes);
        written.push_back(file);
    }
    return written;
}

} // namespace pelmora::exchange
