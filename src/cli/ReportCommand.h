#pragma once

#include "reportcore/ReportDescription.h"
#include "reportcore/ReportRows.h"

#include <filesystem>

namespace pelmora::cli {

// Paints a report into a PDF file. The desktop build installs one; the core alone cannot paint.
// The file must come out whole or not at all.
using PdfExporter = void (*)(
    const reportcore::ReportDescription& report, reportcore::RowReader& rows, const std::filesystem::path& file);
void setPdfExporter(PdfExporter exporter);

} // namespace pelmora::cli
