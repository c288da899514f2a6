// The rules that run on the views' hooks, and the message clipboard.
#include "data/DataError.h"
#include "data/TfrmDataModule.h"

#include <set>

namespace pelmora::data {

namespace {

// Only files the program wrote itself (received attachments) are ever deleted with a message:
// the attachment rows of sent messages name the user's own files where they lie.
bool isInside(const std::filesystem::path& file, const std::filesystem::path& directory)
{
    std::error_code error;
    const auto dir = std::filesystem::weakly_canonical(directory, error);
    const auto path = std::filesystem::weakly_canonical(file, error);
    if (error || !file.is_absolute() || directory.empty())
        return false;
    auto d = dir.begin(), p = path.begin();
    for (; d != dir.end() && p != path.end() && !d->empty(); ++d, ++p) {
        if (*d != *p)
            return false;
    }
    return (d == dir.end() || d->empty()) && p != path.end();
}

std::vector<std::string> attachmentLocations(SqlDatabase& sql, std::int64_t message)
{
    std::vector<std::string> locations;
    Statement& st = sql.prepare("SELECT \"Location\" FROM \"Attach\" WHERE \"EmailNum\" = ? ORDER BY rowid");
    st.bind(1, message);
    while (st.step()) {
        const Value v = st.column(0);
        if (const auto* s = std::get_if<std::string>(&v))
            locations.push_back(*s);
    }
    st.reset();
    return locations;
}

} // namespace

void TfrmDataModule::attachRules()
{
    TBLCon.afterInsert = [this](TableView& v) {
        v.setDate("Created", Date::today());
        m_prompts.newContactStarted();
    };
    TBLCon.beforeDelete = [this](TableView& v) { contactCascade(v); };
    TBLCon.calcFields = [](const TableView& v, Record& r) {
        auto text = [&](const char* f) { return valueToString(r.values[size_t(v.fieldIndex(f))]); };
        r.values[size_t(v.fieldIndex("Detailes"))] = text("LName") + " " + text("FName") + ", " + text("Company");
    };
    TBLCon.subscribe(ViewEvent::CurrentChanged, [this] {
        if (onRecordPosition && TBLCon.isOpen())
            onRecordPosition(TBLCon.recNo(), TBLCon.recordCount());
    });
    auto status = [](const char* calculated) {
        return [calculated](const TableView& v, Record& r) {
            const Value s = r.values[size_t(v.fieldIndex("Status"))];
            const bool sent = std::holds_alternative<std::int64_t>(s) && std::get<std::int64_t>(s) == 1;
            r.values[size_t(v.fieldIndex(calculated))] = std::string(sent ? "Sent" : "received");
        };
    };
    TBLEmail.calcFields = status("StatusField");
    TBLEmailFull.calcFields = status("statusField");
    TBLEmail.afterDelete
        = [this](TableView&, const Record& r) { removeAttachments(r.rowId, "File Cant be Delleted?"); };
    TBLEmailFull.afterDelete
        = [this](TableView&, const Record& r) { removeAttachments(r.rowId, "File Cant be Delleted"); };
    TBLLinks.afterInsert = [this](TableView& v) { detailDefaults(v, "DateCreated", "TfrmLinks", "Link"); };
    TBLActivity.afterInsert = [this](TableView& v) { detailDefaults(v, "DateCreated", "TfrmActivity", "Activity"); };
    TBLPeople.afterInsert = [this](TableView& v) { detailDefaults(v, "DateCreated", "TfrmPeople", "Contact"); };
    TBLNotes.afterInsert = [this](TableView& v) { detailDefaults(v, "DateCreated", "TfrmNotes", "Note"); };
    TBLDoc.afterInsert = [this](TableView& v) { detailDefaults(v, "Added", "TfrmInsertedDoc", "Attached Document"); };
    TBLDocFull.afterInsert = TBLDoc.afterInsert;
    // The activity list shows itself instead of an editor; a record started there only gets its date.
    TBLActivityList.afterInsert = [](TableView& v) { v.setDate("DateCreated", Date::today()); };
}

void TfrmDataModule::detailDefaults(
    TableView& view, const std::string& dateField, const std::string& editor, const std::string& caption)
{
    view.setDate(dateField, Date::today());
    const bool ok = m_prompts.showEditor(view, editor, caption);
    if (view.state() != ViewState::Insert)
        return; // the editor posted or cancelled it itself
    if (!ok) {
        view.cancel();
        return;
    }
    try {
        view.post();
    } catch (...) {
        view.cancel(); // a record the editor could not post is not stored half-made
        throw;
    }
}

TfrmDataModule::ContactDetails TfrmDataModule::contactDetails(std::int64_t counter)
{
    ContactDetails details;
    if (!m_database)
        return details;
    SqlDatabase& sql = m_database->sql();
    auto count = [&](const char* table) {
        return sql.scalar(std::string("SELECT count(*) FROM \"") + table + "\" WHERE \"Contact\" = ?", { counter });
    };
    details.activities = count("Activity");
    details.notes = count("notes");
    details.people = count("People");
    details.links = count("Links");
    details.messages = count("EMAIL");
    details.documents = count("documents");
    return details;
}

// Runs inside the transaction of the contact's delete: an error anywhere leaves the contact whole.
void TfrmDataModule::contactCascade(TableView& contacts)
{
    const std::int64_t counter = contacts.asInteger("Counter");
    SqlDatabase& sql = m_database->sql();
    std::vector<std::string> locations;
    for (TableView* v : { &TBLEmailDel, &TBLActivityDel, &TBLDocDel, &TBLLinksDel }) {
        v->setDatabase(m_database);
        v->setFilter("contact = " + std::to_string(counter));
        v->open();
        while (!v->isEmpty()) {
            if (v == &TBLEmailDel) {
                const std::int64_t message = v->asInteger("Counter");
                auto names = attachmentLocations(sql, message);
                locations.insert(locations.end(), names.begin(), names.end());
                sql.prepare("DELETE FROM \"Attach\" WHERE \"EmailNum\" = ?").bind(1, message).run();
            }
            v->remove();
        }
        v->close();
    }
    // The contact's people and notes would otherwise stay where no window can reach them.
    for (const char* table : { "People", "notes" })
        sql.prepare(std::string("DELETE FROM \"") + table + "\" WHERE \"Contact\" = ?").bind(1, counter).run();
    deleteUnreferencedFiles(locations, "File Cant be Delleted?");
}

void TfrmDataModule::removeAttachments(std::int64_t message, const std::string& cantDelete)
{
    // The attachment rows go with the message whatever its AttachNum says, so none is left orphaned.
    SqlDatabase& sql = m_database->sql();
    auto locations = attachmentLocations(sql, message);
    sql.prepare("DELETE FROM \"Attach\" WHERE \"EmailNum\" = ?").bind(1, message).run();
    deleteUnreferencedFiles(locations, cantDelete);
}

// Queues the deletion of each file that no remaining attachment row names (copied messages share
// files); it happens once the delete has committed, so a rolled-back delete keeps its files.
void TfrmDataModule::deleteUnreferencedFiles(const std::vector<std::string>& locations, const std::string& cantDelete)
{
    SqlDatabase& sql = m_database->sql();
    std::set<std::string> seen;
    std::vector<std::string> doomed;
    for (const std::string& location : locations) {
        if (!seen.insert(location).second || !isInside(location, m_attachDirectory))
            continue;
        if (sql.scalar("SELECT COUNT(*) FROM \"Attach\" WHERE \"Location\" = ?", { location }) == 0)
            doomed.push_back(location);
    }
    if (doomed.empty())
        return;
    sql.afterCommit([this, doomed, cantDelete] {
        for (const std::string& file : doomed) {
            std::error_code error;
            if (!std::filesystem::remove(file, error) || error)
                m_prompts.fileNotDeleted(file, cantDelete);
        }
    });
}

} // namespace pelmora::data
