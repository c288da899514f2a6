#include "DataTestSupport.h"
#include "reportcore/ReportLayout.h"

#include <gtest/gtest.h>

#include <map>

namespace pelmora::reportcore {
namespace {

using test::DataModuleFixture;

// Records made up in the test, one line each.
class ListedRows : public RowReader {
public:
    explicit ListedRows(int count)
        : m_count(count)
    {
    }
    bool next(PrintedRecord& record) override
    {
        if (m_next >= m_count)
            return false;
        record = { { std::to_string(++m_next) } };
        return true;
    }

private:
    int m_count;
    int m_next = 0;
};

// What the layout handed over: for each page, the first cell of each record.
class Pages : public ReportSink {
public:
    std::vector<int> numbers;
    std::vector<std::vector<std::string>> rows;
    std::vector<double> tops;
    int open = 0;
    void beginPage(int number) override
    {
        ++open;
        numbers.push_back(number);
        rows.emplace_back();
    }
    void record(const PrintedRecord& record, double top) override
    {
        rows.back().push_back(record.empty() || record[0].empty() ? "" : record[0][0]);
        tops.push_back(top);
    }
    void endPage() override { --open; }
};

// Every record printed by a report, its lines joined into one list of cells.
std::vector<std::vector<std::string>> readAll(RowReader& rows)
{
    std::vector<std::vector<std::string>> all;
    PrintedRecord record;
    while (rows.next(record)) {
        auto& flat = all.emplace_back();
        for (const auto& line : record)
            flat.insert(flat.end(), line.begin(), line.end());
    }
    return all;
}

TEST(ReportLayoutTest, PagesBreakWhereTheyAreFullAndRepeatTheirHeaders)
{
    const ReportDescription& report = *findReport("links");
    const PageMetrics metrics = PageMetrics::a4(report.orientation);
    const int perPage = recordsPerPage(report, metrics);
    ASSERT_GT(perPage, 20);

    for (const int count : { 0, 1, perPage, perPage + 1, 3 * perPage - 1 }) {
        SCOPED_TRACE(count);
        ListedRows rows(count);
        Pages pages;
        const LayoutSummary summary = layOut(report, rows, metrics, pages);
        const int expected = count == 0 ? 1 : (count + perPage - 1) / perPage;
        EXPECT_EQ(summary.pages, expected);
        EXPECT_EQ(summary.records, count);
        EXPECT_EQ(pages.open, 0); // every page begun was ended
        ASSERT_EQ(pages.numbers.size(), size_t(expected));
        for (int p = 0; p < expected; ++p)
            EXPECT_EQ(pages.numbers[size_t(p)], p + 1);
        if (count > 0) {
            EXPECT_EQ(pages.rows.front().front(), "1");
            EXPECT_EQ(pages.rows.back().back(), std::to_string(count)); // in order, none lost
        }
        for (double top : pages.tops) // every record below the headers and on the page
            EXPECT_TRUE(top >= metrics.pageHeader + columnHeaderHeight(report, metrics)
                && top + recordHeight(report, metrics) <= metrics.height + 1e-6);
    }
}

TEST(ReportLayoutTest, APageLaidOutAloneMatchesThePageInTheWholeReport)
{
    const ReportDescription& report = *findReport("contacts");
    const PageMetrics metrics = PageMetrics::a4(report.orientation);
    const int perPage = recordsPerPage(report, metrics);
    const int count = 2 * perPage + 3;
    ListedRows sequential(count);
    Pages whole;
    layOut(report, sequential, metrics, whole);

    ListedRows source(count);
    HeldRows held(source);
    EXPECT_EQ(held.count(), count);
    EXPECT_EQ(pageCount(report, count, metrics), 3);
    EXPECT_EQ(pageCount(report, 0, metrics), 1); // headers only
    for (int page = 1; page <= 3; ++page) {
        SCOPED_TRACE(page);
        Pages alone;
        layOutPage(report, page, held.readAt(std::int64_t(page - 1) * perPage, perPage), metrics, alone);
        EXPECT_EQ(alone.numbers, std::vector<int> { page });
        EXPECT_EQ(alone.open, 0);
        EXPECT_EQ(alone.rows.front(), whole.rows[size_t(page - 1)]);
        const auto first = whole.tops.begin() + (page - 1) * perPage;
        EXPECT_EQ(alone.tops, std::vector<double>(first, first + std::ssize(alone.tops)));
    }
    EXPECT_EQ(held.readAt(count, perPage).size(), 0u); // past the end
    EXPECT_EQ(held.readAt(-1, perPage).size(), 0u);
}

TEST(ReportLayoutTest, ColumnsShareEachLineInOrderAndTheReportsKeepTheirLabels)
{
    const ReportDescription& full = *findReport("contacts");
    ASSERT_EQ(full.lines.size(), 4u);
    EXPECT_EQ(full.orientation, Orientation::Landscape);
    const auto boxes = columnBoxes(full, 700);
    for (const auto& line : boxes) {
        double x = 0;
        for (const ColumnBox& box : line) {
            EXPECT_DOUBLE_EQ(box.x, x);
            x += box.width;
        }
        EXPECT_NEAR(x, 700, 1e-6);
    }
    EXPECT_EQ(full.lines[3][1].label, "Category 1");
    EXPECT_EQ(findReport("activities")->lines[0].back().label, "Detaill");
    EXPECT_EQ(findReport("activity-list")->lines[0].back().label, "Detailes");
    EXPECT_EQ(findReport("activities")->headerRuleWidth, 1);
    EXPECT_EQ(findReport("email")->lines[0][3].label, "Date");
    EXPECT_EQ(findReport("nonsense"), nullptr);
    EXPECT_EQ(allReports().size(), 9u);
}

TEST(PrintedValueTest, ValuesPrintAsTheWindowsShowThem)
{
    const data::DateFormat german("dd.MM.yyyy");
    data::ViewField date { .name = "DateOf", .type = data::FieldType::Date };
    data::ViewField done { .name = "Done", .type = data::FieldType::Logical };
    data::ViewField memo { .name = "Notes", .type = data::FieldType::Memo };
    data::ViewField number { .name = "Num1", .type = data::FieldType::Number };
    EXPECT_EQ(printedValue(date, std::string("2026-03-02"), german), "02.03.2026");
    EXPECT_EQ(printedValue(date, data::Value {}, german), "");
    EXPECT_EQ(printedValue(done, std::int64_t(1), german), "true");
    EXPECT_EQ(printedValue(done, std::int64_t(0), german), "false");
    EXPECT_EQ(printedValue(done, data::Value {}, german), "false");
    EXPECT_EQ(printedValue(memo, std::string("one\r\ntwo\nthree"), german), "one two three");
    EXPECT_EQ(printedValue(number, 2.5, german), "2.5");
}

class ReportRowsTest : public ::testing::Test, public DataModuleFixture {
protected:
    std::int64_t addContact(const std::string& last, const std::string& category)
    {
        module->TBLCon.insert();
        module->TBLCon.setString("LName", last);
        module->TBLCon.setString("FName", last + "-first");
        module->TBLCon.setString("CategoryA", category);
        module->TBLCon.post();
        return module->TBLCon.asInteger("Counter");
    }
};

TEST_F(ReportRowsTest, ContactReportsFollowTheFilterAndOrderWithoutMovingTheWindow)
{
    addContact("Zimmer", "Reported");
    addContact("Abbot", "Reported");
    addContact("Miller", "Other");
    data::TableView& contacts = module->TBLCon;
    contacts.setFilter("CategoryA = 'Reported'");
    contacts.setFiltered(true);
    contacts.setIndexName("LNameInd");
    contacts.last();
    const std::int64_t current = contacts.asInteger("Counter");
    // Half typed and not posted: printing must neither store nor lose it.
    contacts.edit();
    contacts.setString("Company", "Typed, not posted");

    ViewRowReader rows(*findReport("contacts-web"), contacts, std::nullopt);
    const auto printed = readAll(rows);
    ASSERT_EQ(printed.size(), 2u);
    EXPECT_EQ(printed[0][0], "Abbot-first"); // FName first in this report
    EXPECT_EQ(printed[0][1], "Abbot");
    EXPECT_EQ(printed[1][1], "Zimmer");
    EXPECT_EQ(printed[1][2], ""); // the stored company, not the typed one

    EXPECT_EQ(contacts.state(), data::ViewState::Edit);
    EXPECT_EQ(contacts.asInteger("Counter"), current);
    EXPECT_EQ(contacts.asString("Company"), "Typed, not posted");
    contacts.cancel();

    // Read by position, as the preview does, the same records in the same order.
    ViewRowReader paged(*findReport("contacts-web"), contacts, std::nullopt);
    EXPECT_EQ(paged.count(), 2);
    const auto second = paged.readAt(1, 5);
    ASSERT_EQ(second.size(), 1u);
    EXPECT_EQ(second[0][0][1], "Zimmer");
    EXPECT_EQ(contacts.asInteger("Counter"), current);

    ViewRowReader full(*findReport("contacts"), contacts, std::nullopt);
    const auto fullRows = readAll(full);
    ASSERT_EQ(fullRows.size(), 2u);
    EXPECT_EQ(fullRows[0].size(), 18u); // four lines of five, five, four and four fields
    EXPECT_EQ(fullRows[0][15], "Reported"); // Category 1
}

TEST_F(ReportRowsTest, DetailReportsPrintTheirContactsNamesAndGoneContactsPrintBlank)
{
    const std::int64_t kept = addContact("Keeper", "");
    const std::int64_t gone = addContact("Gone", "");
    auto& sql = module->currentDatabase()->sql();
    sql.exec("INSERT INTO documents (Contact, Name, File, ModiDate, Size) VALUES (" + std::to_string(kept)
        + ", 'Plan', 'plan.txt', '2026-03-02', 120)");
    sql.exec(
        "INSERT INTO documents (Contact, Name, File, Size) VALUES (" + std::to_string(gone) + ", 'Old', 'old.txt', 7)");
    // The contact goes behind the rules' back, as an older database may have it.
    sql.exec("DELETE FROM Contacts WHERE Counter = " + std::to_string(gone));
    module->currentDatabase()->setDateFormat(data::DateFormat("dd.MM.yyyy"));
    module->TBLDocFull.refresh();

    ViewRowReader list(*findReport("document-list"), module->TBLDocFull, std::nullopt);
    std::map<std::string, std::vector<std::string>> byName;
    for (const auto& row : readAll(list))
        byName[row[2]] = row;
    ASSERT_EQ(byName.count("Plan"), 1u);
    ASSERT_EQ(byName.count("Old"), 1u);
    EXPECT_EQ(byName["Plan"],
        (std::vector<std::string> { "Keeper-first", "Keeper", "Plan", "plan.txt", "02.03.2026", "120" }));
    EXPECT_EQ(byName["Old"][0], "");
    EXPECT_EQ(byName["Old"][1], "");

    ViewRowReader details(*findReport("documents"), module->TBLDoc, kept);
    const auto printed = readAll(details);
    ASSERT_EQ(printed.size(), 1u);
    EXPECT_EQ(printed[0][2], "Plan");

    ViewRowReader none(*findReport("activities"), module->TBLActivity, kept);
    EXPECT_TRUE(readAll(none).empty());
}

TEST_F(ReportRowsTest, ActivitiesPrintLogicalsAsWordsAndFollowTheListFilter)
{
    const std::int64_t contact = addContact("Doer", "");
    auto& sql = module->currentDatabase()->sql();
    const std::string c = std::to_string(contact);
    sql.exec("INSERT INTO Activity (Contact, Activity, DateOf, Priority, Done, Detailes) VALUES (" + c
        + ", 'Call', '2026-05-01', 'A', 1, 'line one\nline two')");
    sql.exec("INSERT INTO Activity (Contact, Activity, DateOf, Priority, Done) VALUES (" + c
        + ", 'Visit', '2026-06-01', 'B', 0)");
    data::TableView& list = module->TBLActivityList;
    list.setFilter("Contact = " + c + " and Done = false");
    list.setFiltered(true);
    list.refresh();

    ViewRowReader rows(*findReport("activity-list"), list, std::nullopt);
    const auto printed = readAll(rows);
    ASSERT_EQ(printed.size(), 1u);
    EXPECT_EQ(printed[0], (std::vector<std::string> { "Doer-first", "Doer", "Visit", "6/1/2026", "B", "false", "" }));

    ViewRowReader details(*findReport("activities"), module->TBLActivity, contact);
    const auto all = readAll(details);
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0][5], "true");
    EXPECT_EQ(all[0][6], "line one line two");
}

} // namespace
} // namespace pelmora::reportcore
