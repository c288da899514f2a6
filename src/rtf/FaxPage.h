#pragma once

#include "rtf/RtfDocument.h"

#include <string>
#include <vector>

namespace pelmora::rtf {

// The address block at the top of a fax page: each address line is followed by a line holding
// one blank, which keeps the lines apart on a fax machine's coarse print.
std::vector<std::string> contactAddressLines(
    const std::string& firstName, const std::string& lastName, const std::string& company, const std::string& fax);
std::vector<std::string> personAddressLines(
    const std::string& firstName, const std::string& lastName, const std::string& fax);

// The lines as plain paragraphs followed by the body's paragraphs.
Document pageWithAddressBlock(const std::vector<std::string>& lines, const Document& body = {});

} // namespace pelmora::rtf
