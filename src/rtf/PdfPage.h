#pragma once

#include "rtf/RtfDocument.h"

#include <string>

namespace pelmora::rtf {

// Lays the document out on A4 pages in the standard Helvetica faces and returns the PDF file.
// Meant for the command line, where no printer system is at hand: sizes, bold, italic,
// alignment, indents and bullets are kept; the font family and colours are not.
std::string writePdf(const Document& document);

} // namespace pelmora::rtf
