#include "reportcore/ReportDescription.h"

namespace pelmora::reportcore {

namespace {

ReportColumn col(std::string field, int width, std::string label = {})
{
    std::string shown = label.empty() ? field : std::move(label);
    return { std::move(field), std::move(shown), width, false };
}

// The names of the contact a detail record belongs to, read from the contact by the record's
// Contact field.
std::vector<ReportColumn> ownerNames()
{
    return { { "FName", "FName", 12, true }, { "LName", "LName", 14, true } };
}

std::vector<ReportColumn> withOwner(std::vector<ReportColumn> columns)
{
    std::vector<ReportColumn> line = ownerNames();
    line.insert(line.end(), columns.begin(), columns.end());
    return line;
}

ReportDescription contactInformation()
{
    return { "contacts", "Contact Information", Orientation::Landscape, RecordSource::Contacts, "TBLCon",
        // Four lines on one grid: each column lines up with the one above it.
        { { col("LName", 16), col("FName", 14), col("Company", 22), col("EMail", 24), col("JobTitle", 16) },
            { col("Department", 16), col("Phone1", 14), col("Fax", 22), col("Address1", 24), col("City", 16) },
            { col("Zip", 16), col("State", 14), col("Country", 22), col("URL", 40) },
            { col("SiteTitle", 30), col("CategoryA", 22, "Category 1"), col("CategoryB", 24, "Category 2"),
                col("CategoryC", 16, "Category 3") } },
        2, true };
}

ReportDescription contactWeb()
{
    return { "contacts-web", "Contact Web Related Information", Orientation::Landscape, RecordSource::Contacts,
        "TBLCon",
        { { col("FName", 12), col("LName", 14), col("Company", 20), col("EMail", 24), col("URL", 28),
            col("SiteTitle", 24) } } };
}

std::vector<ReportColumn> documentColumns()
{
    return withOwner({ col("Name", 18, "Doc Name"), col("File", 26), col("ModiDate", 10), col("Size", 8) });
}

std::vector<ReportColumn> emailColumns(const char* status)
{
    return withOwner({ col("Subject", 24), col("DateCreated", 10, "Date"), col("SenderName", 16),
        col("SenderEmail", 22), col(status, 8, "Status") });
}

std::vector<ReportColumn> activityColumns(const char* detailsLabel)
{
    return withOwner({ col("Activity", 20), col("DateOf", 10), col("Priority", 7), col("Done", 6),
        col("Detailes", 44, detailsLabel) });
}

} // namespace

bool followsCurrentContact(RecordSource source)
{
    return source == RecordSource::Links || source == RecordSource::Documents || source == RecordSource::Email
        || source == RecordSource::Activities;
}

const std::vector<ReportDescription>& allReports()
{
    static const std::vector<ReportDescription> reports = {
        contactInformation(),
        contactWeb(),
        { "links", "Links", Orientation::Portrait, RecordSource::Links, "TBLLinks",
            { withOwner({ col("Title", 24), col("URL", 32), col("LastAccess", 10) }) } },
        { "documents", "Document List", Orientation::Portrait, RecordSource::Documents, "TBLDoc",
            { documentColumns() } },
        { "email", "Email List", Orientation::Portrait, RecordSource::Email, "TBLEmail",
            { emailColumns("StatusField") } },
        // The two activity labels differ in the program people know; both stay as they print.
        { "activities", "Activity List", Orientation::Landscape, RecordSource::Activities, "TBLActivity",
            { activityColumns("Detaill") }, 1 },
        { "document-list", "Document List", Orientation::Portrait, RecordSource::DocumentList, "TBLDocFull",
            { documentColumns() } },
        { "email-list", "Email List", Orientation::Portrait, RecordSource::EmailList, "TBLEmailFull",
            { emailColumns("statusField") } },
        { "activity-list", "Activity List", Orientation::Landscape, RecordSource::ActivityList, "TBLActivityList",
            { activityColumns("Detailes") }, 1 },
    };
    return reports;
}

const ReportDescription* findReport(const std::string& name)
{
    for (const ReportDescription& report : allReports()) {
        if (report.name == name)
            return &report;
    }
    return nullptr;
}

std::string reportNames()
{
    std::string names;
    for (const ReportDescription& report : allReports())
        names += (names.empty() ? "" : ", ") + report.name;
    return names;
}

} // namespace pelmora::reportcore
