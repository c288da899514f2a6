#include "app/DatabaseCommands.h"

#include "app/MainCommands.h"
#include "app/QueryCommands.h"
#include "app/TfrmMainForm.h"
#include "data/DataModuleOperations.h"
#include "data/TfrmDataModule.h"
#include "databases/GuiDatabasePrompts.h"
#include "databases/TFrmDatabaseList.h"
#include "databases/TMsgform.h"
#include "widgets/TDataSource.h"

#include <QAction>
#include <QApplication>
#include <QDir>

namespace pelmora::app {

// The data module's operations with the main window's filter toggle behind the hook that
// drops the contact filter before a database command.
class DatabaseCommands::Operations : public data::DataModuleOperations {
public:
    Operations(data::TfrmDataModule& data, QueryCommands* query)
        : DataModuleOperations(data)
        , m_query(query)
    {
    }
    void removeContactFilter() override
    {
        if (m_query)
            m_query->removeFilter();
    }

private:
    QueryCommands* m_query;
};

DatabaseCommands::DatabaseCommands(
    TfrmMainForm* form, data::TfrmDataModule& data, TDataSource* dsCon, QueryCommands* query)
    : QObject(form)
    , m_form(form)
    , m_dsCon(dsCon)
    , m_current { form->settings().lastDataName, form->settings().lastData }
    , m_operations(std::make_unique<Operations>(data, query))
    , m_prompts(std::make_unique<databases::GuiDatabasePrompts>(form))
    , m_set(std::make_unique<data::DatabaseSet>(*m_operations, *m_prompts, form->paths().programDir(), m_current))
{
    m_list = new databases::TFrmDatabaseList(*m_set, data.TBLBaseName, form);
    m_progress = new databases::TMsgform(m_set->progressWindow(), m_set->zipMaster(), m_list);
    m_prompts->setWindow(m_list);
    connect(m_list, &databases::TFrmDatabaseList::commandDone, this, &DatabaseCommands::databaseChanged);
    connect(m_list, &databases::TFrmDatabaseList::commandSucceeded, this, &DatabaseCommands::report);
    MainCommands* commands = form->commands();
    for (const char* name :
        { "mnuOpenDatabase", "mnuNewDatabase", "mnuDeleteDatabase", "mnuImportDatabase", "mnuBackUp" }) {
        QAction* action = commands->action(QLatin1String(name));
        action->setEnabled(true);
        connect(action, &QAction::triggered, this, &DatabaseCommands::showDatabaseList);
    }
    QAction* pack = commands->action(QStringLiteral("mnuPack"));
    pack->setEnabled(true);
    connect(pack, &QAction::triggered, this, &DatabaseCommands::packDatabase);
}

// The windows work on the database set and its progress state, so they go first, before the
// main window would delete them after these members.
DatabaseCommands::~DatabaseCommands()
{
    delete m_list;
}

bool DatabaseCommands::postContact()
{
    return m_dsCon->post(m_form);
}

void DatabaseCommands::showDatabaseList()
{
    if (!postContact())
        return;
    m_list->exec();
}

void DatabaseCommands::packDatabase()
{
    if (!postContact())
        return;
    QApplication::setOverrideCursor(Qt::WaitCursor); // every table is rewritten, which takes a while
    m_dsCon->guarded(m_form, [this] { m_set->Pack(); });
    QApplication::restoreOverrideCursor();
    databaseChanged();
}

// The status line says what the last database command did; the archive's own boxes come and
// go, this stays.
void DatabaseCommands::report(const QString& command, const QString& database)
{
    QString archive = QString::fromStdString(m_prompts->lastPath().string());
    const QString home = QDir::homePath();
    if (archive.startsWith(home + QLatin1Char('/')))
        archive = QStringLiteral("~") + archive.mid(home.size());
    QString text;
    if (command == QLatin1String("backup"))
        text = tr("Backed up %1 to %2").arg(database, archive);
    else if (command == QLatin1String("restore"))
        text = tr("Restored %1 from %2").arg(database, archive);
    else if (command == QLatin1String("insert"))
        text = tr("Inserted a database from %1").arg(archive);
    else if (command == QLatin1String("open"))
        text = tr("Opened database %1").arg(database);
    else if (command == QLatin1String("new"))
        text = tr("Created database %1").arg(QString::fromStdString(m_current.name));
    else if (command == QLatin1String("delete"))
        text = tr("Deleted database %1").arg(database);
    m_form->setStatusText(0, text);
}

void DatabaseCommands::databaseChanged()
{
    settings::Settings& values = m_form->settings();
    values.lastDataName = m_current.name;
    values.lastData = m_current.dir;
    m_form->showDatabase(QString::fromStdString(m_current.name));
}

} // namespace pelmora::app
