#pragma once

#include "data/DatabaseSet.h"

#include <QObject>

#include <memory>

namespace pelmora::data {
class TfrmDataModule;
}

namespace pelmora::databases {
class GuiDatabasePrompts;
class TFrmDatabaseList;
class TMsgform;
} // namespace pelmora::databases

namespace pelmora::app {

class QueryCommands;
class TDataSource;
class TfrmMainForm;

// The main window's database commands: the File menu entries and the tool-bar button that show
// the Database List, and "&Pack Database". The current database is the main window's (its
// settings LastDataName and LastData); after every command the window shows the database that
// is open then.
class DatabaseCommands : public QObject {
    Q_OBJECT
public:
    DatabaseCommands(TfrmMainForm* form, data::TfrmDataModule& data, TDataSource* dsCon, QueryCommands* query);
    ~DatabaseCommands() override;

    databases::TFrmDatabaseList* databaseList() const { return m_list; }
    databases::TMsgform* progressWindow() const { return m_progress; }

    // Shows the Database List modally.
    void showDatabaseList();
    // Packs every table of the current database; nothing is shown, whatever the outcome.
    void packDatabase();

private:
    class Operations;

    // A contact being edited is posted first: the commands close the tables. False when it could not be.
    bool postContact();
    void databaseChanged();
    void report(const QString& command, const QString& database);

    TfrmMainForm* m_form;
    TDataSource* m_dsCon;
    data::CurrentDatabase m_current;
    std::unique_ptr<Operations> m_operations;
    std::unique_ptr<databases::GuiDatabasePrompts> m_prompts;
    std::unique_ptr<data::DatabaseSet> m_set;
    databases::TFrmDatabaseList* m_list = nullptr;
    databases::TMsgform* m_progress = nullptr;
};

} // namespace pelmora::app
