// Drives the CSV reader and the column mapping with arbitrary bytes: nothing may crash or hang,
// and every record read must write out as CSV that reads back as the same cells.
#include "exchange/ContactCsv.h"
#include "exchange/Csv.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace pelmora::exchange;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string text = decodeCsvText(std::string_view(reinterpret_cast<const char*>(data), size));
    const CsvParse parse = parseCsv(text);
    if (parse.records.empty())
        return 0;
    const CsvMapping mapping = mapCsvColumns(parse.records.front().cells);
    for (const CsvRecord& record : parse.records) {
        contactFromCsv(mapping, record.cells);
        const CsvParse again = parseCsv(formatCsvRecord(record.cells, parse.delimiter), parse.delimiter);
        const bool blank = record.cells.size() == 1 && record.cells[0].empty();
        if (!blank && (again.records.size() != 1 || again.records[0].cells != record.cells))
            std::abort();
    }
    return 0;
}
