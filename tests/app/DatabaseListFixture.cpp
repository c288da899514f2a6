#include "DatabaseListFixture.h"

#include "widgets/TDBGrid.h"
#include "data/DatabaseFiles.h"

namespace pelmora::test {

DatabaseListTest::DatabaseListTest()
{
    sampleContacts = static_cast<int>(data->TBLCon.recordCount());
}

void DatabaseListTest::click(const char* button) const
{
    auto* found = list()->findChild<QPushButton*>(QLatin1String(button));
    ASSERT_NE(found, nullptr) << button;
    found->click();
}

bool DatabaseListTest::select(const QString& name) const
{
    QAbstractItemModel* model = list()->grid()->model();
    for (int row = 0; row < model->rowCount(); ++row) {
        if (model->index(row, 0).data().toString() == name) {
            list()->grid()->setCurrentIndex(model->index(row, 0));
            return list()->selectedRow() && list()->selectedRow()->BaseName == name.toStdString();
        }
    }
    return false;
}

QStringList DatabaseListTest::names() const
{
    QStringList shown;
    QAbstractItemModel* model = list()->grid()->model();
    for (int row = 0; row < model->rowCount(); ++row)
        shown << model->index(row, 0).data().toString();
    return shown;
}

bool DatabaseListTest::said(const QString& text) const
{
    for (const QString& entry : prompts->shown)
        if (entry.section(QLatin1Char('|'), 1) == text)
            return true;
    return false;
}

void DatabaseListTest::newDatabase(const QString& name)
{
    prompts->texts.push_back(name);
    click("btnNew");
    ASSERT_EQ(nameLabel(), name);
}

void DatabaseListTest::backUp(const QString& name, const std::filesystem::path& archive)
{
    ASSERT_TRUE(select(name));
    prompts->texts.push_back(QString::fromStdString(archive.string()));
    click("btnBackup");
    ASSERT_TRUE(std::filesystem::exists(archive)) << prompts->shown.join(QLatin1Char('\n')).toStdString();
}

int DatabaseListTest::contacts(const std::filesystem::path& dir)
{
    data::Connection db = data::openConnection(dir / "database.sqlite", SQLITE_OPEN_READONLY);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db.get(), "SELECT count(*) FROM Contacts", -1, &statement, nullptr);
    const int rows = sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int(statement, 0) : -1;
    sqlite3_finalize(statement);
    return rows;
}

std::string DatabaseListTest::integrity(const std::filesystem::path& dir)
{
    const std::string problem = data::databaseProblem(dir / "database.sqlite");
    return problem.empty() ? "ok" : problem;
}

} // namespace pelmora::test
