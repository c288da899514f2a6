#include "exchange/ContactImport.h"

#include "base/Charset.h"
#include "data/SqlDatabase.h"
#include "exchange/ContactStore.h"
#include "exchange/Csv.h"
#include "exchange/ExchangeError.h"
#include "exchange/TextCodec.h"

#include <algorithm>

namespace pelmora::exchange {

namespace {

bool endsWithNoCase(const std::string& text, std::string_view suffix)
{
    return text.size() >= suffix.size()
        && equalsNoCase(std::string_view(text).substr(text.size() - suffix.size()), suffix);
}

bool isEmpty(const ContactCard& card)
{
    return card.fields.empty() && card.unmapped.empty();
}

void readVCards(std::string_view bytes, ImportRead& read)
{
    VCardParse parse = parseVCards(bytes);
    for (VCardError& error : parse.errors)
        read.problems.push_back({ error.card, error.line, std::move(error.message) });
    for (const VCard& card : parse.cards) {
        ContactCard contact = contactFromVCard(card);
        if (isEmpty(contact) && contact.uid.empty())
            read.problems.push_back({ card.number, card.line, "The card holds nothing to import" });
        else
            read.records.push_back({ card.number, card.line, std::move(contact) });
    }
}

void readCsv(std::string_view bytes, const ImportOptions& options, ImportRead& read)
{
    const CsvParse parse = parseCsv(decodeCsvText(bytes, options.charset));
    for (const CsvError& error : parse.errors)
        read.problems.push_back({ 0, error.line, error.message });
    if (parse.records.empty())
        return;
    read.mapping = mapCsvColumns(parse.records.front().cells, options.map);
    read.layout = read.mapping->layout;
    std::size_t number = 0;
    for (std::size_t i = read.mapping->headerRow ? 1 : 0; i < parse.records.size(); ++i) {
        const CsvRecord& record = parse.records[i];
        ContactCard contact = contactFromCsv(*read.mapping, record.cells);
        ++number;
        if (record.cells.size() > read.mapping->header.size())
            read.problems.push_back({ number, record.line,
                "The record has " + std::to_string(record.cells.size()) + " values for "
                    + std::to_string(read.mapping->header.size()) + " columns; the extra ones are kept in the notes" });
        if (isEmpty(contact) && contact.uid.empty())
            read.problems.push_back({ number, record.line, "The record holds nothing to import" });
        else
            read.records.push_back({ number, record.line, std::move(contact) });
    }
}

// Nothing in the record that the contact does not hold already.
bool bringsNothingNew(const ContactCard& existing, const ContactCard& card)
{
    for (const auto& [column, value] : card.fields) {
        auto it = existing.fields.find(column);
        if (it == existing.fields.end() || it->second != value)
            return false;
    }
    for (const std::string& line : card.unmapped)
        if (std::find(existing.unmapped.begin(), existing.unmapped.end(), line) == existing.unmapped.end())
            return false;
    return card.uid.empty() || card.uid == existing.uid;
}

void count(ImportResult& result, const ContactCard& card)
{
    for (const auto& [column, value] : card.fields)
        ++result.fields[column];
    for (const std::string& line : card.unmapped) {
        const std::optional<UnmappedLine> split = splitUnmapped(line);
        std::string name = split ? split->property : line;
        name = name.substr(0, name.find(';'));
        if (const std::size_t dot = name.find('.'); dot != std::string::npos && name.find(' ') == std::string::npos)
            name = name.substr(dot + 1); // the group of a property says nothing here
        ++result.notes[name];
    }
}

// Settings of the connection for the length of one import, put back afterwards so the rest of the
// program keeps its memory footprint.
//
// Each insert inside the import's transaction may fail on a constraint, so SQLite keeps a statement
// journal of every page the insert touches (the table's and each index's, about fifteen pages) to
// undo it alone. By default that journal spills to a temporary file: for 100,000 cards well over a
// million small writes, most of an import's time. Held in memory it costs a few pages at a time.
// The larger page cache keeps the Contacts table and its indexes from spilling into the
// write-ahead log before the commit once they outgrow SQLite's default of about 2 MB.
class ImportSettings {
public:
    explicit ImportSettings(data::SqlDatabase& db)
        : m_db(db)
        , m_cacheSize(db.scalar("PRAGMA cache_size"))
        , m_tempStore(db.scalar("PRAGMA temp_store"))
    {
        m_db.exec("PRAGMA cache_size = -65536; PRAGMA temp_store = MEMORY"); // cache size in KiB: 64 MB
    }
    ~ImportSettings()
    {
        try {
            m_db.exec("PRAGMA cache_size = " + std::to_string(m_cacheSize)
                + "; PRAGMA temp_store = " + std::to_string(m_tempStore));
        } catch (...) {
            // Only the connection's settings stay as the import left them; nothing stored depends on them.
        }
    }
    ImportSettings(const ImportSettings&) = delete;
    ImportSettings& operator=(const ImportSettings&) = delete;

private:
    data::SqlDatabase& m_db;
    std::int64_t m_cacheSize;
    std::int64_t m_tempStore;
};

} // namespace

ExchangeFormat detectFormat(std::string_view bytes, const std::string& fileName)
{
    if (endsWithNoCase(fileName, ".vcf") || endsWithNoCase(fileName, ".vcard"))
        return ExchangeFormat::VCard;
    if (endsWithNoCase(fileName, ".csv") || endsWithNoCase(fileName, ".tsv"))
        return ExchangeFormat::Csv;
    const std::string head = asciiUpper(decodeFileText(bytes.substr(0, 4096)));
    return head.find("BEGIN:VCARD") != std::string::npos ? ExchangeFormat::VCard : ExchangeFormat::Csv;
}

ImportRead readContactsFile(std::string_view bytes, const ImportOptions& options, const std::string& fileName)
{
    ImportRead read;
    read.format = options.format.value_or(detectFormat(bytes, fileName));
    if (!options.charset.empty() && !base::isKnownCharset(options.charset))
        throw EExchangeError("The character set \"" + options.charset + "\" is not known; nothing was imported");
    if (read.format == ExchangeFormat::VCard) {
        if (!options.map.empty())
            throw EExchangeError("A column mapping (--map) is for CSV files only");
        // A card names the character set of its values itself (CHARSET), and such values would
        // be decoded twice if the whole file were converted first.
        if (!options.charset.empty())
            throw EExchangeError("A character set (--charset) is for CSV files only; vCards name their own");
        readVCards(bytes, read);
        read.layout = "vCard";
    } else {
        readCsv(bytes, options, read);
    }
    return read;
}

ImportResult importContacts(data::SqlDatabase& db, const ImportRead& read, bool dryRun, const ImportProgress& progress)
{
    ImportResult result;
    result.dryRun = dryRun;
    const ImportSettings settings(db);
    data::Transaction transaction(db);
    std::map<std::string, std::int64_t> uids = contactUids(db);
    std::size_t done = 0;
    for (const ImportRecord& record : read.records) {
        const ContactCard& card = record.card;
        std::int64_t counter = 0;
        std::optional<std::int64_t> match;
        if (auto known = uids.find(card.uid); !card.uid.empty() && known != uids.end())
            match = known->second;
        else
            match = findMatchingContact(db, card);
        if (match) {
            counter = *match;
            if (bringsNothingNew(readContact(db, counter), card)) {
                ++result.unchanged;
            } else {
                updateContact(db, counter, card);
                ++result.updated;
            }
        } else {
            counter = insertContact(db, card);
            ++result.inserted;
        }
        if (!card.uid.empty())
            uids.emplace(card.uid, counter);
        result.contacts.emplace_back(record.number, counter);
        count(result, card);
        if (progress && (++done % 500 == 0 || done == read.records.size()))
            progress(done, read.records.size());
    }
    if (!dryRun)
        transaction.commit();
    return result;
}

} // namespace pelmora::exchange
