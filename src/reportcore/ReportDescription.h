#pragma once

#include <string>
#include <vector>

namespace pelmora::reportcore {

enum class Orientation { Portrait, Landscape };

// Where a report's records come from: the contact view, one of the current contact's detail
// views, or the table of one of the list windows.
enum class RecordSource { Contacts, Links, Documents, Email, Activities, DocumentList, EmailList, ActivityList };

// One printed column: a field of the record (or, with `owner`, of the contact the record belongs
// to), the label over it and its share of the line in characters.
struct ReportColumn {
    std::string field;
    std::string label;
    int width = 10;
    bool owner = false;
};

// A whole report as data: everything the layout and the painter need, so that each report is a
// few lines of description rather than painting code.
struct ReportDescription {
    std::string name; // the command line's name: "contacts", "activity-list", ...
    std::string title;
    Orientation orientation = Orientation::Portrait;
    RecordSource source = RecordSource::Contacts;
    std::string view; // the data module's view the window holds the records in
    // One or more lines per record; the column header repeats the same arrangement.
    std::vector<std::vector<ReportColumn>> lines;
    int headerRuleWidth = 2; // the line under the column header, in pixels
    bool ruleUnderRecord = false; // a line under each record, where records span several lines
};

// The links, documents, e-mail and activities reports print the current contact's records only.
bool followsCurrentContact(RecordSource source);

const std::vector<ReportDescription>& allReports();
// nullptr for an unknown name.
const ReportDescription* findReport(const std::string& name);
// The names accepted by findReport(), for usage messages.
std::string reportNames();

} // namespace pelmora::reportcore
