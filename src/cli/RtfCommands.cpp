// `pelmora rtf` and `pelmora fax`: the fax page's rich text read and written without a window.
#include "base/Error.h"
#include "cli/Args.h"
#include "cli/Command.h"
#include "cli/DataSession.h"
#include "rtf/FaxPage.h"
#include "rtf/PdfPage.h"
#include "rtf/RtfDocument.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>

namespace pelmora::cli {

namespace {

std::string readWhole(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw Error("Cannot open file \"" + file.string() + "\"");
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Written beside the target and renamed over it, so a failed write leaves the old file whole.
void writeWhole(const std::filesystem::path& file, const std::string& bytes)
{
    std::filesystem::path temporary = file;
    temporary += ".tmp~";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out)
            throw Error("Cannot write file \"" + file.string() + "\"");
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            throw Error("Cannot write file \"" + file.string() + "\"");
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, file, error);
    if (error) {
        std::filesystem::remove(temporary, error);
        throw Error("Cannot write file \"" + file.string() + "\"");
    }
}

bool hasTextExtension(const std::filesystem::path& file)
{
    std::string ext = file.extension().string();
    for (char& c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == ".txt";
}

// `rich`: the file must be rich text. Otherwise a .txt file is plain text whatever it holds, and
// any other file is read as what it looks like.
rtf::Document readDocument(const std::filesystem::path& file, bool rich)
{
    std::string bytes = readWhole(file);
    try {
        if (rich)
            return rtf::parseRtf(bytes);
        if (hasTextExtension(file))
            return rtf::documentFromPlainText(bytes);
        return rtf::documentFromBytes(bytes);
    } catch (const rtf::ERtfError& error) {
        throw Error("\"" + file.string() + "\": " + error.what());
    }
}

int runRtf(Context&, std::vector<std::string> words)
{
    Args args(std::move(words), {});
    std::string command = args.next("rtf command (text, convert)");
    if (command == "text") {
        std::filesystem::path file = args.next("FILE");
        args.expectEnd();
        std::string text = readDocument(file, true).plainText();
        std::cout << text;
        if (!text.empty())
            std::cout << '\n';
        return 0;
    }
    if (command == "convert") {
        std::filesystem::path in = args.next("IN");
        std::filesystem::path out = args.next("OUT");
        args.expectEnd();
        rtf::Document document = readDocument(in, true);
        writeWhole(out, hasTextExtension(out) ? document.plainText() + "\n" : rtf::writeRtf(document));
        return 0;
    }
    throw UsageError("Unknown rtf command \"" + command + "\"");
}

std::string fieldText(const data::TableView& view, const std::string& field)
{
    return view.asString(field);
}

int runFax(Context& context, std::vector<std::string> words)
{
    Args args(std::move(words), { "contact", "person", "file", "rtf", "txt", "pdf" });
    std::string command = args.next("fax command (page)");
    if (command != "page")
        throw UsageError("Unknown fax command \"" + command + "\"");
    args.expectEnd();
    auto contact = args.option("contact");
    auto person = args.option("person");
    if (contact.has_value() == person.has_value())
        throw UsageError("fax page needs one of --contact N and --person N");
    int outputs = args.option("rtf").has_value() + args.option("txt").has_value() + args.option("pdf").has_value();
    if (outputs != 1)
        throw UsageError("fax page needs one of --rtf OUT, --txt OUT and --pdf OUT");

    rtf::Document body;
    if (auto file = args.option("file"))
        body = readDocument(*file, false);

    DataSession session(context);
    std::vector<std::string> lines;
    if (contact) {
        const data::TableDef& table = data::tableDef("Contacts");
        data::TableView view("fax", table);
        view.setDatabase(session.databaseFor(table));
        view.open();
        std::int64_t counter = parseCounter(*contact, "--contact");
        if (!view.gotoRowId(counter))
            throw Error("There is no contact numbered " + std::to_string(counter));
        lines = rtf::contactAddressLines(
            fieldText(view, "FName"), fieldText(view, "LName"), fieldText(view, "Company"), fieldText(view, "Fax"));
    } else {
        const data::TableDef& table = data::tableDef("People");
        data::TableView view("fax", table);
        view.setDatabase(session.databaseFor(table));
        view.open();
        std::int64_t counter = parseCounter(*person, "--person");
        if (!view.gotoRowId(counter))
            throw Error("There is no person numbered " + std::to_string(counter));
        lines = rtf::personAddressLines(
            fieldText(view, "FirstName"), fieldText(view, "LastName"), fieldText(view, "Fax"));
    }
    rtf::Document page = rtf::pageWithAddressBlock(lines, body);
    if (auto out = args.option("rtf"))
        writeWhole(*out, rtf::writeRtf(page));
    else if (auto txt = args.option("txt"))
        writeWhole(*txt, page.plainText() + "\n");
    else
        writeWhole(*args.option("pdf"), rtf::writePdf(page));
    return 0;
}

} // namespace

const CommandGroup rtfGroup = {
    "rtf",
    "  pelmora rtf text FILE                print the text of a rich-text file\n"
    "  pelmora rtf convert IN OUT           read rich text and write it again (OUT.txt: plain text)\n",
    runRtf,
};

const CommandGroup faxGroup = {
    "fax",
    "  pelmora fax page (--contact N | --person N) [--file F.rtf|.txt] (--rtf OUT | --txt OUT | --pdf OUT)\n"
    "                                       write a fax page with the recipient's address block\n",
    runFax,
};

} // namespace pelmora::cli
