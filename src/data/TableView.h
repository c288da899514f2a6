#pragma once

#include "data/Database.h"
#include "data/FilterExpression.h"
#include "data/Schema.h"
#include "data/Value.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pelmora::data {

enum class ViewState { Inactive, Browse, Edit, Insert };

enum class FieldKind { Data, Calculated, Lookup };

// A field as one view shows it: the table's field with the view's own label, width and
// visibility, or a calculated or lookup field that is not stored.
struct ViewField {
    std::string name {};
    FieldKind kind = FieldKind::Data;
    FieldType type = FieldType::Alpha;
    int size = 0;
    std::string label {};
    int width = 10;
    bool hidden = false;
    // Lookup fields: the value of `lookupTable.lookupResult` where `lookupTable.lookupKey` equals
    // this view's `lookupSource`.
    std::string lookupTable {}, lookupKey {}, lookupResult {}, lookupSource {};

    const std::string& caption() const { return label.empty() ? name : label; }
    // The field as a user reads it: its label, or its name spelled in words ("JobTitle" is
    // "Job Title", "Phone1" is "Phone 1").
    std::string title() const;
};

// One record as read: its rowid (the Counter where the table has one) and its values in the order
// of the view's fields().
struct Record {
    std::int64_t rowId = 0;
    std::vector<Value> values;
};

struct IndexInfo {
    std::string name;
    std::string firstField;
};

enum class ViewEvent { CurrentChanged, DataChanged, StateChanged, ListChanged };

// A cursor over one table of one database: a current record, browse/edit/insert states, an order,
// an optional master, a filter expression and a condition list. Records are read page by page
// through keyset queries on the order, never the whole table at once.
class TableView {
public:
    TableView(std::string name, const TableDef& table);
    ~TableView();
    TableView(const TableView&) = delete;
    TableView& operator=(const TableView&) = delete;

    const std::string& name() const { return m_name; }
    const TableDef& table() const { return *m_table; }

    // --- where and whether (closing keeps order, master, filter and conditions)
    void setDatabase(std::shared_ptr<Database> database); // closes the view first
    Database* database() const { return m_database.get(); }
    const std::shared_ptr<Database>& databaseShared() const { return m_database; }
    void open();
    void close();
    bool isOpen() const { return m_state != ViewState::Inactive; }

    // --- fields
    const std::vector<ViewField>& fields() const { return m_fields; }
    int fieldIndex(const std::string& name) const; // -1 when unknown
    ViewField& field(const std::string& name); // throws when unknown
    void addCalculatedField(ViewField field);
    void addLookupField(ViewField field);
    // The order in which grids show the fields (all fields in table order when empty).
    void setDisplayOrder(std::vector<std::string> names) { m_displayOrder = std::move(names); }
    const std::vector<std::string>& displayOrder() const { return m_displayOrder; }

    // --- moving
    void first();
    void last();
    bool next(); // false (and eof()) when there is no next record
    bool prior();
    bool eof() const { return m_eof; }
    bool bof() const { return m_bof; }
    bool isEmpty() const { return !m_current; }
    std::int64_t recordCount();
    std::int64_t recNo(); // 1-based sequence number of the current record; 0 when empty
    // Makes the record with this rowid current when the view shows it. A caller that read it at
    // a known place in the view's order (a grid's row) gives its 1-based `position`, which
    // recNo() then answers without counting.
    bool gotoRowId(std::int64_t rowId, std::int64_t position = 0);
    // Reads the records at positions [offset, offset + count) of the view, for grids.
    std::vector<Record> rows(std::int64_t offset, std::int64_t count);

    // --- changing
    void insert(); // a new, unposted record; detail views fill their link field
    void edit();
    void post();
    void cancel();
    void remove(); // deletes the current record
    ViewState state() const { return m_state; }
    bool isEditing() const { return m_state == ViewState::Edit || m_state == ViewState::Insert; }
    bool modified() const { return m_modified; }
    // Gives one field of the record being edited back the value it had when the edit began (the
    // stored value, or a new record's default). False when it had not changed.
    bool revertField(const std::string& field);

    // --- field values of the current record (or of the record being edited)
    Value value(const std::string& field) const;
    std::string asString(const std::string& field) const;
    std::int64_t asInteger(const std::string& field) const;
    double asFloat(const std::string& field) const;
    std::optional<Date> asDate(const std::string& field) const;
    bool asBoolean(const std::string& field) const;
    const Record* current() const;
    // Writes into the edit buffer; the view must be editing. Checked and stored on post().
    void setValue(const std::string& field, const Value& value);
    void setString(const std::string& field, const std::string& text); // typed text; dates in the view's date form
    void setInteger(const std::string& field, std::int64_t value) { setValue(field, value); }
    void setFloat(const std::string& field, double value) { setValue(field, value); }
    void setDate(const std::string& field, const Date& date) { setValue(field, date.iso()); }
    void setBoolean(const std::string& field, bool value) { setValue(field, std::int64_t(value ? 1 : 0)); }

    // --- order: a named index of the table or a list of fields ("Contact;Counter" or "Contact,Counter").
    // An index of a looked-up table whose fields the view shows as lookups ("Contacts.LNameInd")
    // orders the records by those values, then by the key they are looked up by.
    void setIndexName(const std::string& index);
    const std::string& indexName() const { return m_indexName; }
    void setIndexFieldNames(const std::string& fields);
    std::string indexFieldNames() const;
    std::vector<IndexInfo> indexes() const;

    // --- master-detail: only records whose `detailField` equals the master's `masterField`
    void setMaster(TableView* master, const std::string& masterField, const std::string& detailField);
    TableView* master() const { return m_master; }

    // --- locate: the first record (or the first after the current one) whose fields hold the values
    struct LocateOptions {
        bool caseInsensitive = false;
        bool partialKey = false; // text values match at the start
        bool afterCurrent = false;
    };
    bool locate(const std::vector<std::string>& fields, const std::vector<Value>& values, LocateOptions options);

    // --- filter expression and condition list
    void setFilter(const std::string& expression); // parsed at once: a bad one throws, the old one stays
    const std::string& filter() const { return m_filter; }
    void setFiltered(bool on);
    bool filtered() const { return m_filtered; }
    void clearConditions();
    void addCondition(const std::string& condition); // Field ="text"; checked at once
    const std::vector<std::string>& conditions() const { return m_conditions; }
    void applyConditions(); // re-reads the view with the list as it stands

    // Reads the records again (another view changed the table); keeps the current record when it is still shown.
    void refresh();
    // Deletes every record of the table (not only those the view shows).
    void emptyTable();
    // Sets one field in every record the view shows, in one transaction ("unmark all").
    void setFieldForAll(const std::string& field, const Value& value);

    // --- hooks of the data module's rules
    std::function<void(TableView&)> afterInsert;
    std::function<void(TableView&)> beforeDelete;
    std::function<void(TableView&, const Record& deleted)> afterDelete;
    std::function<void(const TableView&, Record&)> calcFields;

    // --- notifications for the windows
    int subscribe(ViewEvent event, std::function<void()> observer);
    void unsubscribe(int id);

private:
    struct OrderKey;
    // An order by the values of the looked-up table (an activity's contact name). The records
    // are read in two parts: those whose lookup finds its record, walked through that table's
    // index and joined to this one's; then those whose lookup finds none, with blank values.
    struct LookupOrder {
        std::string name; // "Contacts.LNameInd"
        std::string firstField; // the view's lookup field that leads it
        std::vector<std::string> fields; // the view's fields giving the order, the key's source last
        bool noCase = false;
        std::string table, key, source; // the looked-up table, its key, and this table's field holding it
    };
    std::vector<LookupOrder> lookupOrders() const;
    void rebuildParts();
    // Which of m_parts holds `record` (0 when the order is not by looked-up values).
    size_t partOf(const Record& record);
    // Up to `limit` records in the order (or against it), read from part `start` narrowed by
    // `startCondition`, then on through the parts that follow it in that direction narrowed by
    // `restCondition` (each " AND ..." or empty).
    std::vector<Record> readParts(size_t start, bool forward, const std::string& startCondition,
        const std::vector<Value>& startParams, const std::string& restCondition, const std::vector<Value>& restParams,
        std::int64_t limit);
    std::int64_t countInPart(size_t part);
    std::string orderColumn(const std::string& name) const;
    // A count kept with the query it answers and the file's change stamp when it was taken:
    // asked again for the same query with nothing written since, it is not counted again.
    struct KeptFigure {
        std::string query;
        SqlDatabase::ChangeStamp stamp;
        std::int64_t value = -1;
    };
    struct Observer {
        int id;
        ViewEvent event;
        std::function<void()> callback;
    };

    void requireOpen() const;
    void requireBrowse();
    void checkBrowseMode();
    bool beginStep(bool& endFlag);
    bool jumpTo(std::vector<Record> records, std::int64_t position = 0);
    std::int64_t countBefore(const Record& record);
    std::int64_t keptFigure(KeptFigure& kept, const std::string& query, const std::vector<Value>& params,
        std::int64_t known, const std::function<std::int64_t()>& count);
    // Whether the view shows every record of its table (no master, filter or condition).
    bool showsWholeTable() const { return !m_master && m_where.empty(); }
    void rebuildSelect();
    void rebuildWhere();
    void chooseFilterPath();
    std::string whereClause(std::vector<Value>& params) const { return whereClause(params, m_seek); }
    std::string whereClause(std::vector<Value>& params, bool seek) const;
    std::vector<Record> fetch(const std::string& tail, const std::vector<Value>& params)
    {
        return fetchFrom(m_select, tail, params);
    }
    std::vector<Record> fetchFrom(const std::string& select, const std::string& tail, const std::vector<Value>& params);
    std::optional<Record> fetchFirst(bool forward);
    std::optional<Record> fetchAfter(const Record& from, bool forward);
    std::string keyCondition(const Record& from, bool forward, size_t column, std::vector<Value>& params) const;
    std::string orderBy(bool forward) const;
    void setCurrent(std::optional<Record> record, bool atEnd);
    void followMaster();
    void validateBuffer() const;
    void writeBuffer();
    void readLookups(Record& record);
    void calculate(Record& record) const;
    const Record& shown() const;
    Value masterValue() const;
    void notify(ViewEvent event);
    void setState(ViewState state);

    std::string m_name;
    const TableDef* m_table;
    std::shared_ptr<Database> m_database;
    std::vector<ViewField> m_fields;
    std::vector<std::string> m_displayOrder;
    ViewState m_state = ViewState::Inactive;

    std::string m_indexName;
    std::vector<std::string> m_orderFields;
    bool m_orderNoCase = false;
    std::optional<LookupOrder> m_lookupOrder;
    // In an order by looked-up values, the parts read one after the other: each a SELECT of
    // the view's fields and its FROM clause alone (for counting). Empty otherwise.
    std::vector<std::string> m_parts, m_partFroms;

    TableView* m_master = nullptr;
    std::string m_masterField, m_detailField;
    int m_masterSubscription = 0;
    std::optional<Value> m_followedKey; // the master key the records were last read for

    std::string m_filter;
    bool m_filtered = false;
    std::vector<std::string> m_conditions;
    std::vector<std::string> m_appliedConditions;

    std::string m_select; // SELECT rowid, fields... FROM table
    SqlCondition m_where; // filter and conditions (master link added per query)
    SqlCondition m_whereSeek; // the same with the ranges of the indexes they can use
    bool m_seek = false; // whether records are read through m_whereSeek

    std::optional<Record> m_current;
    std::vector<Record> m_ahead; // the next records in order, read ahead in one query
    Record m_buffer;
    Record m_original; // the buffer as the edit began, for revertField()
    std::vector<bool> m_dirty; // fields of the buffer set since edit() or insert()
    bool m_modified = false;
    bool m_eof = true, m_bof = true;
    std::int64_t m_recNo = 0; // 0: not known yet
    std::int64_t m_count = -1; // -1: not known yet
    KeptFigure m_keptCount, m_keptRecNo, m_keptPart;

    std::vector<Observer> m_observers;
    int m_nextObserverId = 1;
};

} // namespace pelmora::data
