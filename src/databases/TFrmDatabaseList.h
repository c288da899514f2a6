#pragma once

#include "data/DatabaseInterfaces.h"

#include <QDialog>

#include <functional>
#include <optional>

class QDialogButtonBox;
class QPushButton;

namespace pelmora::app {
class TDBGrid;
class TDataSource;
} // namespace pelmora::app

namespace pelmora::data {
class DatabaseSet;
class TableView;
} // namespace pelmora::data

namespace pelmora::databases {

// The "Database List" window: the list of databases in a read-only grid and the commands
// that open, create, restore, back up, insert and delete them. The commands are those of
// DatabaseSet; this window only says which row they work on. Open and New close it with OK.
class TFrmDatabaseList : public QDialog {
    Q_OBJECT
public:
    // `baseNames` is the data module's view of the list (TBLBaseName).
    TFrmDatabaseList(data::DatabaseSet& set, data::TableView& baseNames, QWidget* parent = nullptr);

    app::TDBGrid* grid() const { return m_grid; }
    // The grid's current row; nothing when the list is empty.
    std::optional<data::DatabaseRow> selectedRow() const;
    bool busy() const { return m_busy; }

    void OpenClick();
    void NewClick();
    void RestoreClick();
    void BackupClick();
    void InsertClick();
    void DeleteClick();

    void reject() override;

signals:
    // A command has ended (whatever its outcome): the main window shows the database as it is now.
    void commandDone();
    // A command succeeded: "open", "new", "restore", "backup", "insert" or "delete", on the
    // database of that name (empty for new and insert, which name it themselves).
    void commandSucceeded(const QString& command, const QString& database);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QPushButton* addCommand(
        const QString& name, const QString& text, const QString& hint, void (TFrmDatabaseList::*click)());
    // Runs one command; an error it raises is shown and the window stays usable. True when
    // the command reported that it did its work.
    bool run(const std::function<bool()>& command);
    void runOnSelected(const char* name, const std::function<bool(const data::DatabaseRow&)>& command, bool closes);

    data::DatabaseSet& m_set;
    app::TDataSource* m_source;
    app::TDBGrid* m_grid;
    QWidget* m_commands;
    QDialogButtonBox* m_buttons;
    bool m_busy = false;
};

} // namespace pelmora::databases
