#include "rtf/FaxPage.h"

namespace pelmora::rtf {

std::vector<std::string> contactAddressLines(
    const std::string& firstName, const std::string& lastName, const std::string& company, const std::string& fax)
{
    return { "To : " + firstName + " " + lastName, " ", "Company : " + company, " ", "Fax : " + fax, " " };
}

std::vector<std::string> personAddressLines(
    const std::string& firstName, const std::string& lastName, const std::string& fax)
{
    return { "To : " + firstName + " " + lastName, " ", "Fax : " + fax, " " };
}

Document pageWithAddressBlock(const std::vector<std::string>& lines, const Document& body)
{
    Document page;
    for (const std::string& line : lines) {
        Paragraph paragraph;
        paragraph.runs.push_back(Run { line, CharFormat {} });
        page.paragraphs.push_back(std::move(paragraph));
    }
    page.paragraphs.insert(page.paragraphs.end(), body.paragraphs.begin(), body.paragraphs.end());
    return page;
}

} // namespace pelmora::rtf
