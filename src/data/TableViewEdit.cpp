// Changing records through a view: the edit buffer, its checks, and the writes with their hooks.
#include "data/TableView.h"

#include "data/DataError.h"

#include <algorithm>

namespace pelmora::data {

void TableView::insert()
{
    requireOpen();
    checkBrowseMode();
    m_buffer = Record { 0, std::vector<Value>(m_fields.size()) };
    m_dirty.assign(m_fields.size(), false);
    if (m_master)
        m_buffer.values[size_t(fieldIndex(m_detailField))] = masterValue();
    calculate(m_buffer);
    m_modified = false;
    setState(ViewState::Insert);
    notify(ViewEvent::DataChanged);
    if (afterInsert)
        afterInsert(*this);
    // What the insert's own rules fill in (a date of today) is not a change: a new record stays
    // unmodified until someone sets a field, so callers can drop one nobody touched.
    if (m_state == ViewState::Insert) {
        m_modified = false;
        m_original = m_buffer;
    }
}

void TableView::edit()
{
    requireOpen();
    if (isEditing())
        return;
    if (!m_current)
        throw EDatabaseError("There is no record to edit in " + m_name);
    m_buffer = *m_current;
    m_original = m_buffer;
    m_dirty.assign(m_fields.size(), false);
    m_modified = false;
    setState(ViewState::Edit);
}

void TableView::writeBuffer()
{
    std::string columns, marks, sets;
    std::vector<Value> params;
    params.reserve(m_fields.size() + 1);
    for (size_t i = 0; i < m_fields.size(); ++i) {
        const ViewField& f = m_fields[i];
        if (f.kind != FieldKind::Data || f.type == FieldType::AutoInc)
            continue;
        if (m_state == ViewState::Edit && !m_dirty[i])
            continue; // an edit writes only what changed
        columns += (columns.empty() ? "\"" : ", \"") + f.name + "\"";
        marks += marks.empty() ? "?" : ", ?";
        sets += (sets.empty() ? "\"" : ", \"") + f.name + "\" = ?";
        params.push_back(m_buffer.values[i]);
    }
    if (m_state == ViewState::Edit && sets.empty())
        return;
    SqlDatabase& sql = m_database->sql();
    if (m_state == ViewState::Insert && columns.empty()) {
        sql.prepare("INSERT INTO \"" + m_table->name + "\" DEFAULT VALUES").run();
        m_buffer.rowId = sql.lastInsertRowId();
    } else if (m_state == ViewState::Insert) {
        sql.prepare("INSERT INTO \"" + m_table->name + "\" (" + columns + ") VALUES (" + marks + ")")
            .bindAll(params)
            .run();
        m_buffer.rowId = sql.lastInsertRowId();
    } else {
        params.emplace_back(std::in_place_type<std::int64_t>, m_buffer.rowId);
        sql.prepare("UPDATE \"" + m_table->name + "\" SET " + sets + " WHERE rowid = ?").bindAll(params).run();
    }
}

void TableView::post()
{
    requireOpen();
    if (!isEditing())
        return;
    validateBuffer();
    // A write that no outer transaction can still roll back changes the count of a view showing
    // the whole table by what it did; otherwise the count is read again when asked.
    const bool keepsCount = showsWholeTable() && m_count >= 0 && m_database->sql().savepointDepth() == 0;
    {
        Transaction transaction(m_database->sql());
        writeBuffer();
        transaction.commit();
    }
    const bool inserted = m_state == ViewState::Insert;
    m_modified = false;
    m_ahead.clear();
    m_count = keepsCount ? m_count + (inserted ? 1 : 0) : -1;
    // An edit that leaves the order's fields alone leaves the record where it was.
    const bool moved
        = inserted || std::any_of(m_orderFields.begin(), m_orderFields.end(), [this](const std::string& f) {
              const int i = fieldIndex(f);
              return i < 0 || m_dirty[size_t(i)];
          });
    if (moved)
        m_recNo = 0;
    // What was checked and written is what the file now holds, so it is not read back, except for
    // lookup fields, which come from other tables. The record stays current even when the filter
    // no longer shows it, until the view is refreshed.
    Record posted = std::move(m_buffer);
    if (const int counter = fieldIndex("Counter"); inserted && counter >= 0 && m_table->hasCounter())
        posted.values[size_t(counter)] = posted.rowId;
    if (std::any_of(m_fields.begin(), m_fields.end(), [](const ViewField& f) { return f.kind == FieldKind::Lookup; }))
        readLookups(posted);
    calculate(posted);
    m_current = std::move(posted);
    m_eof = m_bof = false;
    setState(ViewState::Browse);
    notify(ViewEvent::CurrentChanged);
    notify(inserted ? ViewEvent::ListChanged : ViewEvent::DataChanged);
}

void TableView::readLookups(Record& record)
{
    Statement& st = m_database->sql().prepare(m_select + " WHERE rowid = ?");
    st.bind(1, record.rowId);
    if (st.step()) {
        for (size_t i = 0; i < m_fields.size(); ++i) {
            if (m_fields[i].kind == FieldKind::Lookup)
                record.values[i] = st.column(int(i + 1));
        }
    }
    st.reset();
}

void TableView::cancel()
{
    if (!isEditing())
        return;
    m_modified = false;
    setState(ViewState::Browse);
    notify(ViewEvent::DataChanged);
}

void TableView::checkBrowseMode()
{
    if (isEditing())
        post();
}

void TableView::remove()
{
    requireOpen();
    if (m_state == ViewState::Insert) {
        cancel();
        return;
    }
    cancel();
    if (!m_current)
        throw EDatabaseError("There is no record to delete in " + m_name);
    const Record deleted = *m_current;
    const bool keepsCount = showsWholeTable() && m_count >= 0 && m_database->sql().savepointDepth() == 0;
    {
        Transaction transaction(m_database->sql());
        if (beforeDelete)
            beforeDelete(*this);
        m_database->sql().prepare("DELETE FROM \"" + m_table->name + "\" WHERE rowid = ?").bind(1, deleted.rowId).run();
        if (afterDelete)
            afterDelete(*this, deleted);
        transaction.commit();
    }
    m_count = keepsCount ? m_count - 1 : -1;
    m_ahead.clear();
    auto following = fetchAfter(deleted, true);
    if (!following) {
        following = fetchAfter(deleted, false);
        m_recNo = 0;
    }
    setCurrent(std::move(following), false);
    notify(ViewEvent::ListChanged);
}

} // namespace pelmora::data
