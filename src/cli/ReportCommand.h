#pragma once

#include "data/Value.h"
#include "reportcore/ReportDescription.h"
#include "reportcore/ReportRows.h"

#include <filesystem>

namespace pelmora::cli {

// Paints a report into a PDF file. The desktop build installs one; the core alone cannot paint.
// The file must come out whole or not at all.
using PdfExporter = void (*)(
    const reportcore::ReportDescription& report, reportcore::RowReader& rows, const std::filesystem::path& file);
void setPdfExporter(PdfExporter exporter);

// The date format the desktop shows dates in. Reports made on the command line show their dates
// as the preview does, so a PDF from either reads the same; the core alone keeps its default.
using DisplayDateFormat = data::DateFormat (*)();
void setDisplayDateFormat(DisplayDateFormat format);

} // namespace pelmora::cli
