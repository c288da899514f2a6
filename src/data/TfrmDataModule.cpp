#include "data/TfrmDataModule.h"

#include "data/DataError.h"
#include "data/SampleDatabase.h"

namespace pelmora::data {

TfrmDataModule::TfrmDataModule(
    DataPrompts& prompts, std::filesystem::path dataDirectory, std::filesystem::path attachDirectory)
    : TBLCon("TBLCon", tableDef("Contacts"))
    , TBLSearchCon("TBLSearchCon", tableDef("Contacts"))
    , TBLCon1("TBLCon1", tableDef("Contacts"))
    , TBLDocListCon("TBLDocListCon", tableDef("Contacts"))
    , TBLActivityListCon("TBLActivityListCon", tableDef("Contacts"))
    , TBLEmail("TBLEmail", tableDef("EMAIL.DB"))
    , TBLEmailFull("TBLEmailFull", tableDef("EMAIL.DB"))
    , TBLAttach("TBLAttach", tableDef("Attach.DB"))
    , TBLLinks("TBLLinks", tableDef("Links.db"))
    , TBLActivity("TBLActivity", tableDef("Activity.DB"))
    , TBLActivityList("TBLActivityList", tableDef("Activity.DB"))
    , TBLPeople("TBLPeople", tableDef("People.db"))
    , TBLNotes("TBLNotes", tableDef("notes.DB"))
    , TBLDoc("TBLDoc", tableDef("documents.db"))
    , TBLDocFull("TBLDocFull", tableDef("documents.db"))
    , TBLCategory("TBLCategory", tableDef("category.db"))
    , TBLJobTitle("TBLJobTitle", tableDef("jobTitle.DB"))
    , TBLDepart("TBLDepart", tableDef("Depart.db"))
    , TBLActDesc("TBLActDesc", tableDef("ActDesc.db"))
    , TBLZip("TBLZip", tableDef("Ip2zip.DB"))
    , TBLEmailDel("TBLEmailDel", tableDef("Email.DB"))
    , TBLActivityDel("TBLActivityDel", tableDef("Activity.DB"))
    , TBLDocDel("TBLDocDel", tableDef("documents.db"))
    , TBLLinksDel("TBLLinksDel", tableDef("Links.DB"))
    , TBLBaseName("TBLBaseName", tableDef("BaseName.db"))
    , TBLMoreName("TBLMoreName", tableDef("MoreName.db"))
    , QURContactEmail("QURContactEmail", "select counter from contacts where\nEmail = :SenderAddress")
    , QURAttach("QURAttach", "select * from attach where\nEmailNum = :EmailNum")
    , QURCopyEmail("QURCopyEmail", "select * from email where counter = :Counter")
    , QURFileAll("QURFileAll", "select counter from email where contact=1")
    , BatchCopy("BatchCopy", QURCopyEmail, TBLEmailFull)
    , batchAttach("batchAttach", QURAttach, TBLAttach)
    , m_prompts(prompts)
    , m_dataDirectory(std::move(dataDirectory))
    , m_attachDirectory(std::move(attachDirectory))
{
    configureViews();
    attachRules();
    ensureSampleDatabase(m_dataDirectory);
    m_shared = Database::open(m_dataDirectory, TableHome::DataDirectory);
    TBLBaseName.setDatabase(m_shared);
    TBLMoreName.setDatabase(m_shared);
    TBLBaseName.open();
    TBLMoreName.open();
}

TfrmDataModule::~TfrmDataModule()
{
    try {
        settleClipboard(); // a message cut and never pasted goes back to its contact at exit
    } catch (const std::exception&) {
        // The database cannot be written now; the message keeps Contact 0 as before.
    }
    // Members go in reverse order, and some details are declared before their masters: cut every
    // link first, so that no view reaches a master that is already gone.
    for (TableView* v : allViews()) {
        v->close();
        v->setMaster(nullptr, {}, {});
    }
}

std::vector<TableView*> TfrmDataModule::allViews()
{
    auto views = openOrder();
    views.insert(views.end(), { &TBLEmailDel, &TBLActivityDel, &TBLDocDel, &TBLLinksDel, &TBLBaseName, &TBLMoreName });
    return views;
}

void TfrmDataModule::configureViews()
{
    for (TableView* v : { &TBLCon, &TBLSearchCon })
        v->setIndexName("LNameInd");
    TBLCon.addCalculatedField({ .name = "Detailes", .size = 100, .width = 100, .hidden = true });
    TBLCon1.setMaster(&TBLEmailFull, "Contact", "Counter");
    TBLDocListCon.setMaster(&TBLDocFull, "Contact", "Counter");
    TBLActivityListCon.setMaster(&TBLActivityList, "Contact", "Counter");

    TBLEmail.setIndexFieldNames("Contact;Counter");
    TBLEmail.setMaster(&TBLCon, "Counter", "Contact");
    TBLEmail.addCalculatedField({ .name = "StatusField", .size = 10, .label = "Status", .width = 8 });
    TBLEmailFull.setFilter("contact=1");
    TBLEmailFull.addCalculatedField({ .name = "statusField", .size = 10, .label = "Status", .width = 10 });
    TBLEmailFull.field("Subject").width = 30;
    TBLEmailFull.field("SenderName").width = 20;
    TBLEmailFull.field("SenderEmail").label = "From/To E-mail";
    TBLEmailFull.field("SenderEmail").width = 25;
    TBLEmailFull.field("Remark").width = 40;
    for (const char* hidden : { "Body", "Queue", "AttachNum" })
        TBLEmailFull.field(hidden).hidden = true;
    TBLEmailFull.field("AttachNum").width = 5;

    for (TableView* v : { &TBLLinks, &TBLActivity, &TBLPeople, &TBLNotes, &TBLDoc }) {
        v->setIndexFieldNames("Contact");
        v->setMaster(&TBLCon, "Counter", "Contact");
    }
    for (TableView* v : { &TBLActivityList, &TBLDocFull })
        v->setIndexFieldNames("Contact");
    TBLActivity.setDisplayOrder({ "Activity", "DateOf", "Priority", "Done", "Detailes", "Notes", "DateCreated" });
    TBLActivityList.setDisplayOrder(
        { "Activity", "DateOf", "Done", "Priority", "Detailes", "Notes", "DateCreated", "FName", "LName", "Company" });
    TBLActivityList.field("DateOf").width = 10;
    TBLActivityList.field("Priority").width = 5;
    TBLActivityList.field("Notes").width = 7;
    for (auto [name, width] : { std::pair { "FName", 15 }, { "LName", 20 }, { "Company", 30 } }) {
        TBLActivityList.addLookupField({ .name = name,
            .size = 45,
            .width = width,
            .lookupTable = "Contacts",
            .lookupKey = "Counter",
            .lookupResult = name,
            .lookupSource = "Contact" });
    }
    TBLDocFull.field("Added").width = 10;
    TBLDocFull.setDisplayOrder({ "Name", "File", "Added", "Size", "ModiDate", "Notes" });

    TBLCategory.setIndexName("DescInd");
    TBLJobTitle.setIndexName("DescInd");
    TBLDepart.setIndexName("DescInd");
    TBLActDesc.setIndexName("ActivityDesc");
    TBLZip.setIndexName("iCity");
    TBLMoreName.setIndexName("RealInd");

    for (TableView* v : { &TBLCon, &TBLEmail, &TBLEmailFull, &TBLAttach, &TBLLinks, &TBLActivity, &TBLActivityList,
             &TBLPeople, &TBLNotes, &TBLDoc, &TBLDocFull, &TBLEmailDel, &TBLActivityDel, &TBLDocDel, &TBLLinksDel })
        v->setFiltered(true);
}

TableView* TfrmDataModule::view(const std::string& name)
{
    for (TableView* v : allViews()) {
        if (v->name() == name)
            return v;
    }
    return nullptr;
}

Query* TfrmDataModule::query(const std::string& name)
{
    for (Query* q : { &QURContactEmail, &QURAttach, &QURCopyEmail, &QURFileAll }) {
        if (q->name() == name)
            return q;
    }
    return nullptr;
}

TableView& TfrmDataModule::viewForTable(const TableDef& table)
{
    for (TableView* v : { &TBLCon, &TBLEmail, &TBLAttach, &TBLLinks, &TBLActivity, &TBLPeople, &TBLNotes, &TBLDoc,
             &TBLCategory, &TBLJobTitle, &TBLDepart, &TBLActDesc, &TBLZip, &TBLBaseName, &TBLMoreName }) {
        if (&v->table() == &table)
            return *v;
    }
    throw EDatabaseError("Unknown table \"" + table.fileName + "\"");
}

std::vector<TableView*> TfrmDataModule::openOrder()
{
    return { &TBLSearchCon, &TBLCon, &TBLAttach, &TBLEmailFull, &TBLCategory, &TBLActivity, &TBLDocListCon, &TBLCon1,
        &TBLActivityListCon, &TBLZip, &TBLJobTitle, &TBLEmail, &TBLDepart, &TBLLinks, &TBLActDesc, &TBLActivityList,
        &TBLPeople, &TBLDoc, &TBLDocFull, &TBLNotes };
}

std::vector<TableView*> TfrmDataModule::closeOrder()
{
    return { &TBLSearchCon, &TBLCon, &TBLAttach, &TBLEmailFull, &TBLCategory, &TBLActivity, &TBLZip, &TBLJobTitle,
        &TBLEmail, &TBLDepart, &TBLLinks, &TBLActDesc, &TBLActivityList, &TBLPeople, &TBLDoc, &TBLDocFull, &TBLNotes };
}

void TfrmDataModule::setDateFormat(const DateFormat& format)
{
    m_dateFormat = format;
    if (m_database)
        m_database->setDateFormat(format);
    m_shared->setDateFormat(format);
}

void TfrmDataModule::openDatabase(const std::filesystem::path& directory)
{
    // The clipboard holds counters of the database open now; in another one they name other messages.
    settleClipboard();
    auto database = Database::open(directory);
    database->setDateFormat(m_dateFormat);
    for (TableView* v : openOrder()) {
        v->setDatabase(database);
        if (v != &TBLDocListCon && v != &TBLCon1 && v != &TBLActivityListCon)
            v->open();
    }
    for (TableView* v : { &TBLEmailDel, &TBLActivityDel, &TBLDocDel, &TBLLinksDel })
        v->setDatabase(database);
    for (Query* q : { &QURFileAll, &QURContactEmail, &QURAttach, &QURCopyEmail })
        q->setDatabase(database);
    m_database = std::move(database);
    m_currentDirectory = directory;
}

void TfrmDataModule::closeAll()
{
    settleClipboard();
    for (TableView* v : closeOrder())
        v->close();
    checkpoint();
}

void TfrmDataModule::checkpoint()
{
    if (m_database)
        m_database->checkpoint();
    m_shared->checkpoint();
}

void TfrmDataModule::emptyAll()
{
    if (!m_database)
        throw EDatabaseError("No database is open");
    for (TableView* v : closeOrder())
        v->close();
    Transaction transaction(m_database->sql());
    for (TableView* v : closeOrder()) {
        if (v != &TBLZip) // a new database keeps the cities of the one it was copied from
            m_database->emptyTable(v->table());
    }
    transaction.commit();
    checkpoint();
}

void TfrmDataModule::copyDatabaseFiles(const std::filesystem::path& source, const std::filesystem::path& target)
{
    checkpoint();
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(source, error)) {
        const std::string name = entry.path().filename().string();
        const bool sqliteSideFile = name.ends_with("-wal") || name.ends_with("-shm") || name.ends_with("-journal");
        if (sqliteSideFile || !entry.is_regular_file(error))
            continue; // what cannot be copied is passed over, as are the working files of open databases
        std::filesystem::copy_file(
            entry.path(), target / name, std::filesystem::copy_options::overwrite_existing, error);
    }
}

void TfrmDataModule::packAll()
{
    if (!m_database)
        throw EDatabaseError("No database is open");
    // Packing keeps every counter, so the clipboard outlives it, unlike a switch of database.
    const MessageClipboard kept = m_clipboard;
    m_clipboard = {};
    closeAll();
    try {
        m_database->pack();
    } catch (const EDatabaseError&) {
        // A file that cannot be packed now (held by another program) is passed over.
    }
    openDatabase(m_currentDirectory);
    m_clipboard = kept;
}

} // namespace pelmora::data
