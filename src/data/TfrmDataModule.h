#pragma once

#include "data/Database.h"
#include "data/DataPrompts.h"
#include "data/Query.h"
#include "data/TableView.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace pelmora::data {

// The two numbers of the message clipboard; both 0 when empty.
struct MessageClipboard {
    std::int64_t copied = 0; // Counter of a message marked for copying
    std::int64_t cut = 0; // Counter of a message taken from its contact (its Contact is 0 meanwhile)
    std::int64_t cutFrom = 0; // the Contact the cut message came from, to give it back if it is never pasted
};

// Owns every view, query and batch copy of the program for the whole run, runs the data rules on
// their hooks and offers the operations on a whole database. The windows bind to the views; the
// command line drives the very same object, so every rule runs whichever front end made the change.
class TfrmDataModule {
public:
    // `dataDirectory` holds the Sample database and shared.sqlite; `attachDirectory` the files of
    // received attachments. Opens the shared tables at once.
    TfrmDataModule(DataPrompts& prompts, std::filesystem::path dataDirectory, std::filesystem::path attachDirectory);
    ~TfrmDataModule();
    TfrmDataModule(const TfrmDataModule&) = delete;
    TfrmDataModule& operator=(const TfrmDataModule&) = delete;

    // --- views of the current database
    TableView TBLCon, TBLSearchCon, TBLCon1, TBLDocListCon, TBLActivityListCon;
    TableView TBLEmail, TBLEmailFull, TBLAttach, TBLLinks, TBLActivity, TBLActivityList;
    TableView TBLPeople, TBLNotes, TBLDoc, TBLDocFull;
    TableView TBLCategory, TBLJobTitle, TBLDepart, TBLActDesc, TBLZip;
    TableView TBLEmailDel, TBLActivityDel, TBLDocDel, TBLLinksDel;
    // --- views of the data directory
    TableView TBLBaseName, TBLMoreName;
    // --- queries and batch copies
    Query QURContactEmail, QURAttach, QURCopyEmail, QURFileAll;
    BatchMove BatchCopy, batchAttach;

    // A view or query by its name ("TBLCon", "QURAttach"); nullptr when there is none.
    TableView* view(const std::string& name);
    Query* query(const std::string& name);
    // The view through which records of a table are added and changed: the contact-linked view
    // of a detail table, the list view of a list table.
    TableView& viewForTable(const TableDef& table);

    // --- operations on the whole database
    void openDatabase(const std::filesystem::path& directory);
    void closeAll();
    void emptyAll();
    // Copies every file directly in `source` into `target`; the open databases are checkpointed
    // first so that their files are complete on their own.
    void copyDatabaseFiles(const std::filesystem::path& source, const std::filesystem::path& target);
    void packAll();
    const std::filesystem::path& currentDirectory() const { return m_currentDirectory; }
    Database* currentDatabase() const { return m_database.get(); }
    Database& sharedDatabase() { return *m_shared; }
    const std::filesystem::path& dataDirectory() const { return m_dataDirectory; }
    const std::filesystem::path& attachDirectory() const { return m_attachDirectory; }
    // The short date form of filter expressions (the locale's); ISO is always read as well.
    void setDateFormat(const DateFormat& format);

    // Clears the mark of every contact the contact view shows (its filter and conditions hold).
    void unmarkAllContacts() { TBLCon.setFieldForAll("Mark", std::int64_t(0)); }
    // What deleting a contact takes with it, so the question before it can say so.
    struct ContactDetails {
        std::int64_t activities = 0, notes = 0, people = 0, links = 0, messages = 0, documents = 0;
    };
    ContactDetails contactDetails(std::int64_t counter);

    // --- messages and the message clipboard
    std::int64_t copyMessage(std::int64_t counter); // the Counter of the copy; 0 when the message is gone
    void copyToClipboard(const TableView& messages);
    void cutToClipboard(TableView& messages);
    // Pastes onto the contact `target` (1 = the inbox) and shows the message in `targetView`;
    // returns the Counter of the pasted message, or 0 when there was nothing to paste.
    std::int64_t paste(std::int64_t target, TableView& targetView);
    MessageClipboard& clipboard() { return m_clipboard; }
    // Gives a cut message back to its contact and empties the clipboard (the database is
    // closed or switched).
    void settleClipboard();

    // Called with "n of m" whenever the current contact changes (the main window's position labels).
    std::function<void(std::int64_t recNo, std::int64_t count)> onRecordPosition;

private:
    void configureViews();
    void attachRules();
    std::vector<TableView*> allViews();
    std::vector<TableView*> openOrder();
    std::vector<TableView*> closeOrder();
    void contactCascade(TableView& contacts);
    void removeAttachments(std::int64_t message, const std::string& cantDelete);
    void deleteUnreferencedFiles(const std::vector<std::string>& locations, const std::string& cantDelete);
    void returnCutMessage();
    void checkpoint();
    void detailDefaults(
        TableView& view, const std::string& dateField, const std::string& editor, const std::string& caption);

    DataPrompts& m_prompts;
    std::filesystem::path m_dataDirectory;
    std::filesystem::path m_attachDirectory;
    std::filesystem::path m_currentDirectory;
    std::shared_ptr<Database> m_database;
    std::shared_ptr<Database> m_shared;
    DateFormat m_dateFormat;
    MessageClipboard m_clipboard;
};

} // namespace pelmora::data
