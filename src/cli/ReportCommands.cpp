// `pelmora report NAME`: a report laid out by the same engine as the windows print with, over
// the records the windows would show.
#include "base/Error.h"
#include "cli/Args.h"
#include "cli/Command.h"
#include "cli/DataSession.h"
#include "cli/ReportCommand.h"
#include "reportcore/ReportLayout.h"

#include <iostream>

namespace pelmora::cli {

namespace {

using namespace reportcore;

PdfExporter& pdfExporter()
{
    static PdfExporter exporter = nullptr;
    return exporter;
}

DisplayDateFormat& displayDateFormat()
{
    static DisplayDateFormat format = nullptr;
    return format;
}

// Collects the laid-out pages as JSON: what the printed pages hold, line by line.
class JsonSink : public ReportSink {
public:
    explicit JsonSink(nlohmann::ordered_json& pages)
        : m_pages(pages)
    {
    }
    void beginPage(int number) override
    {
        m_page = { { "page", number }, { "rows", nlohmann::ordered_json::array() } };
    }
    void record(const PrintedRecord& record, double) override
    {
        nlohmann::ordered_json row = nlohmann::ordered_json::array();
        for (const auto& line : record) {
            for (const std::string& cell : line)
                row.push_back(cell);
        }
        m_page["rows"].push_back(std::move(row));
    }
    void endPage() override { m_pages.push_back(std::move(m_page)); }

private:
    nlohmann::ordered_json& m_pages;
    nlohmann::ordered_json m_page;
};

nlohmann::ordered_json labels(const ReportDescription& report)
{
    nlohmann::ordered_json out = nlohmann::ordered_json::array();
    for (const auto& line : report.lines) {
        for (const ReportColumn& column : line)
            out.push_back(column.label);
    }
    return out;
}

void narrow(data::TableView& view, Args& args)
{
    if (auto where = args.option("where")) {
        view.setFilter(*where);
        view.setFiltered(true);
    }
    if (auto order = args.option("order")) {
        if (view.table().index(*order) || order->empty())
            view.setIndexName(*order);
        else
            view.setIndexFieldNames(*order);
    }
}

int runReport(Context& context, std::vector<std::string> words)
{
    Args args(std::move(words), { "contact", "where", "order", "pdf" }, { "json", "force" });
    const std::string name = args.next("report name");
    args.expectEnd();
    const ReportDescription* report = findReport(name);
    if (!report)
        throw UsageError("Unknown report \"" + name + "\"; one of " + reportNames());
    const auto pdf = args.option("pdf");
    if (pdf.has_value() == args.flag("json"))
        throw UsageError("Give either --pdf FILE or --json");
    if (pdf && !pdfExporter())
        throw Error("This build of pelmora cannot write PDF files");
    if (pdf && std::filesystem::exists(*pdf) && !args.flag("force"))
        throw Error("The file " + *pdf + " already exists; add --force to replace it");

    DataSession session(context);
    if (displayDateFormat())
        session.module().setDateFormat(displayDateFormat()());
    data::TableView* shown = session.module().view(report->view);
    std::optional<std::int64_t> contact;
    if (auto option = args.option("contact")) {
        if (report->source == RecordSource::Contacts)
            throw UsageError("--contact applies to the detail and list reports");
        contact = parseCounter(*option, "--contact");
    } else if (followsCurrentContact(report->source)) {
        // As in the main window: the details of the current contact, the first one at start.
        data::TableView& contacts = session.module().TBLCon;
        contact = contacts.isEmpty() ? 0 : contacts.asInteger("Counter");
    }
    ViewRowReader rows(*report, *shown, contact);
    narrow(rows.view(), args);

    if (pdf) {
        pdfExporter()(*report, rows, *pdf);
        return 0;
    }
    nlohmann::ordered_json pages = nlohmann::ordered_json::array();
    JsonSink sink(pages);
    const LayoutSummary summary = layOut(*report, rows, PageMetrics::a4(report->orientation), sink);
    printJson({ { "report", report->name }, { "title", report->title },
        { "orientation", report->orientation == Orientation::Landscape ? "landscape" : "portrait" },
        { "lines", report->lines.size() }, { "labels", labels(*report) }, { "pageCount", summary.pages },
        { "recordCount", summary.records }, { "pages", std::move(pages) } });
    return 0;
}

} // namespace

void setPdfExporter(PdfExporter exporter)
{
    pdfExporter() = exporter;
}

void setDisplayDateFormat(DisplayDateFormat format)
{
    displayDateFormat() = format;
}

const CommandGroup reportGroup = {
    "report",
    "  pelmora report NAME [--contact N] [--where EXPR] [--order FIELD] (--pdf FILE [--force] | --json)\n"
    "        NAME: contacts, contacts-web, links, documents, email, activities, document-list,\n"
    "        email-list, activity-list; --json gives the pages as laid out on A4\n",
    runReport,
};

} // namespace pelmora::cli
