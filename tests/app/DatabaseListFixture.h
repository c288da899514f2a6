#pragma once

#include "SampleMainForm.h"

#include "app/DatabaseCommands.h"
#include "app/MainCommands.h"
#include "databases/TFrmDatabaseList.h"
#include "databases/TMsgform.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>

#include <filesystem>
#include <string>

namespace pelmora::test {

// The main window over a fresh Sample database with its Database List, driven through the
// list's buttons as a user would, every question answered by the test.
class DatabaseListTest : public SampleMainFormTest {
protected:
    DatabaseListTest();

    databases::TFrmDatabaseList* list() const { return form->databaseCommands()->databaseList(); }
    databases::TMsgform* progress() const { return form->databaseCommands()->progressWindow(); }
    void click(const char* button) const;
    QAction* command(const char* name) const { return form->commands()->action(QLatin1String(name)); }
    // Makes the row named `name` the grid's current row; false when the list has none.
    bool select(const QString& name) const;
    QStringList names() const;
    QString nameLabel() const { return form->findChild<QLabel*>(QStringLiteral("lblDataName"))->text(); }
    QString position() const { return form->findChild<QLabel*>(QStringLiteral("lblRecordPosition"))->text(); }
    bool said(const QString& text) const;
    // Creates a database through "&New"; it becomes the current one.
    void newDatabase(const QString& name);
    // Backs the selected database up into `archive` through "&Backup".
    void backUp(const QString& name, const std::filesystem::path& archive);

    static int contacts(const std::filesystem::path& dir);
    static std::string integrity(const std::filesystem::path& dir);

    int sampleContacts = 0;
};

} // namespace pelmora::test
