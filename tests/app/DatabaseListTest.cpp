#include "DatabaseListFixture.h"

#include "app/TfrmFilter.h"
#include "archive/TZipMaster.h"
#include "data/DatabaseSet.h"

#include <QApplication>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTimer>

#include <cstdlib>

namespace pelmora::test {
namespace {

namespace fs = std::filesystem;
namespace texts = data::texts;

QString q(const char* text)
{
    return QString::fromUtf8(text);
}

TEST_F(DatabaseListTest, EveryFileEntryAndTheToolBarShowTheListModally)
{
    for (const char* name :
        { "mnuOpenDatabase", "mnuNewDatabase", "mnuDeleteDatabase", "mnuImportDatabase", "mnuBackUp" }) {
        bool shown = false;
        QTimer::singleShot(0, [&] {
            shown = QApplication::activeModalWidget() == list();
            list()->reject();
        });
        command(name)->trigger();
        EXPECT_TRUE(shown) << name;
    }
    EXPECT_EQ(list()->windowTitle(), q("Database List"));
    EXPECT_EQ(names(), QStringList { q("Sample") });
}

TEST_F(DatabaseListTest, NewRefusesWhatCannotBeADatabaseOfItsOwn)
{
    fs::create_directory(home.path() / "Exists");
    prompts->texts = { q(""), q("../Outside"), q("a/b"), q(".."), q("Exists"), q("Sample") };
    for (int i = 0; i < 6; ++i)
        click("btnNew");
    click("btnNew"); // cancelled: no more names
    EXPECT_TRUE(said(q(texts::nameSample)));
    EXPECT_FALSE(fs::exists(home.path() / "Sample"));
    EXPECT_TRUE(said(q(texts::nameEmpty)));
    EXPECT_TRUE(said(q(texts::nameNotBare)));
    EXPECT_TRUE(said(q(texts::cannotCreateDir)));
    EXPECT_EQ(names(), QStringList { q("Sample") });
    EXPECT_FALSE(fs::exists(home.path().parent_path() / "Outside"));
    EXPECT_TRUE(fs::is_empty(home.path() / "Exists"));
    EXPECT_EQ(data->currentDirectory(), paths.dataDir());
}

TEST_F(DatabaseListTest, NewAndOpenSwitchTheMainWindow)
{
    newDatabase(q("Clients"));
    EXPECT_EQ(list()->result(), QDialog::Accepted);
    EXPECT_EQ(data->currentDirectory(), home.path() / "Clients");
    EXPECT_EQ(position(), q("0 of 0"));
    EXPECT_EQ(form->settings().lastDataName, "Clients");
    EXPECT_EQ(form->settings().lastData, (home.path() / "Clients").string());
    EXPECT_EQ(contacts(home.path() / "Clients"), 0);

    list()->setResult(QDialog::Rejected);
    ASSERT_TRUE(select(q("Sample")));
    click("btnOpen");
    EXPECT_EQ(list()->result(), QDialog::Accepted);
    EXPECT_EQ(nameLabel(), q("Sample"));
    EXPECT_EQ(data->currentDirectory(), paths.dataDir());
    EXPECT_EQ(position(), q("1 of %1").arg(sampleContacts));
    EXPECT_EQ(form->settings().lastDataName, "Sample");
}

TEST_F(DatabaseListTest, BackupOfTheOpenDatabaseKeepsItOpenAndWritesAReadableArchive)
{
    const QString before = position();
    backUp(q("Sample"), home.path() / "saved.zip");
    EXPECT_TRUE(said(q("2 files were added")) || said(q("1 files were added")));
    EXPECT_EQ(position(), before);
    EXPECT_TRUE(data->TBLCon.isOpen());
    EXPECT_FALSE(progress()->isVisible());
    EXPECT_TRUE(progress()->memo()->toPlainText().startsWith(q("Beginning Add to ")));

    archive::TZipMaster reader;
    reader.setZipFilename(home.path() / "saved.zip");
    bool hasDatabase = false;
    for (const auto& entry : reader.ZipContents())
        hasDatabase = hasDatabase || entry.name == "database.sqlite";
    EXPECT_TRUE(hasDatabase);

    // A name typed without an extension is saved as a zip archive.
    ASSERT_TRUE(select(q("Sample")));
    prompts->texts.push_back(QString::fromStdString((home.path() / "plain").string()));
    click("btnBackup");
    EXPECT_TRUE(fs::exists(home.path() / "plain.zip"));
}

TEST_F(DatabaseListTest, RestoreAndInsertBringTheRecordsBack)
{
    backUp(q("Sample"), home.path() / "sample.zip");
    newDatabase(q("Copy"));
    ASSERT_EQ(position(), q("0 of 0"));

    ASSERT_TRUE(select(q("Copy")));
    prompts->answers = { true }; // "This will delete and replace all the data ..."
    prompts->texts.push_back(QString::fromStdString((home.path() / "sample.zip").string()));
    click("btnRestore");
    EXPECT_TRUE(said(q("Restoring into the database \"Copy\".\nThis will delete and replace all the data in the target "
                       "database.\nDo you want to continue ?")));
    EXPECT_EQ(position(), q("1 of %1").arg(sampleContacts));
    EXPECT_EQ(nameLabel(), q("Copy"));
    EXPECT_EQ(integrity(home.path() / "Copy"), "ok");

    prompts->texts = { q("Imported"), QString::fromStdString((home.path() / "sample.zip").string()) };
    click("btnInsert");
    EXPECT_TRUE(names().contains(q("Imported")));
    EXPECT_EQ(contacts(home.path() / "Imported"), sampleContacts);
    EXPECT_EQ(nameLabel(), q("Copy")); // Insert does not change the current database
    EXPECT_EQ(data->currentDirectory(), home.path() / "Copy");
}

// A back-up written by zip as a stream (sizes in data descriptors) is inserted like any other.
TEST_F(DatabaseListTest, InsertTakesAnArchiveThatZipWroteAsAStream)
{
    data->closeAll(); // the file alone then holds every record
    const std::string command = "cd '" + paths.dataDir().string() + "' && zip -q -9 -fd '"
        + (home.path() / "stream.zip").string() + "' database.sqlite";
    ASSERT_EQ(0, std::system(command.c_str()));
    data->openDatabase(paths.dataDir());
    prompts->texts = { q("Streamed"), QString::fromStdString((home.path() / "stream.zip").string()) };
    click("btnInsert");
    EXPECT_TRUE(said(q("1 files were extracted")));
    EXPECT_EQ(contacts(home.path() / "Streamed"), sampleContacts);
    EXPECT_EQ(integrity(home.path() / "Streamed"), "ok");
}

TEST_F(DatabaseListTest, CancelledRestoreLeavesTheDatabaseAsItWas)
{
    backUp(q("Sample"), home.path() / "sample.zip");
    newDatabase(q("Work"));
    // "&Cancel Operation" is pressed once the first file is being written, as a user would.
    QTimer canceller;
    bool pressed = false;
    QObject::connect(&canceller, &QTimer::timeout, [&] {
        const QString file = progress()->fileLabel()->toolTip();
        if (progress()->isVisible() && !file.isEmpty() && file != q(data::TMsgform::idleLabel)) {
            progress()->cancelButton()->click();
            pressed = true;
            canceller.stop();
        }
    });
    canceller.start(0);
    ASSERT_TRUE(select(q("Work")));
    prompts->answers = { true };
    prompts->texts.push_back(QString::fromStdString((home.path() / "sample.zip").string()));
    click("btnRestore");
    EXPECT_TRUE(pressed);
    EXPECT_FALSE(progress()->isVisible());
    EXPECT_EQ(position(), q("0 of 0"));
    EXPECT_TRUE(data->TBLCon.isOpen());
    EXPECT_EQ(contacts(home.path() / "Work"), 0);
    EXPECT_EQ(integrity(home.path() / "Work"), "ok");
    for (const auto& entry : fs::directory_iterator(home.path()))
        EXPECT_NE(entry.path().filename().string().front(), '.') << entry.path(); // no staging left
}

TEST_F(DatabaseListTest, DeleteRefusesTheOpenAndTheSampleDatabasesAndAsksFirst)
{
    ASSERT_TRUE(select(q("Sample")));
    click("btnDelete"); // open, though a first start shows no name for it
    EXPECT_TRUE(said(q(texts::deleteActive)));

    newDatabase(q("Old"));
    newDatabase(q("Current"));
    ASSERT_TRUE(select(q("Sample")));
    click("btnDelete");
    EXPECT_TRUE(said(q(texts::deleteSample)));

    ASSERT_TRUE(select(q("Old")));
    prompts->answers = { false };
    click("btnDelete");
    EXPECT_TRUE(said(q(texts::deleteQuestion)));
    EXPECT_TRUE(names().contains(q("Old")));
    EXPECT_TRUE(fs::exists(home.path() / "Old" / "database.sqlite"));

    ASSERT_TRUE(select(q("Old")));
    prompts->answers = { true };
    click("btnDelete");
    EXPECT_FALSE(names().contains(q("Old")));
    EXPECT_FALSE(fs::exists(home.path() / "Old"));
    EXPECT_EQ(nameLabel(), q("Current"));
}

TEST_F(DatabaseListTest, TheContactFilterGoesBeforeEveryCommandButDelete)
{
    auto filterOn = [this] {
        QTimer::singleShot(0, [] {
            auto* dialog = qobject_cast<app::TfrmFilter*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            dialog->setValue(q("LName"), q("Mar"));
            dialog->accept();
        });
        command("mnuFilter")->trigger();
        ASSERT_TRUE(command("mnuFilter")->isChecked());
    };
    QLabel* counter = form->findChild<QLabel*>(QStringLiteral("lblFilterCount"));
    filterOn();
    ASSERT_TRUE(select(q("Sample")));
    click("btnDelete");
    EXPECT_TRUE(command("mnuFilter")->isChecked());

    ASSERT_TRUE(select(q("Sample")));
    click("btnBackup"); // the save dialog is cancelled, yet the filter went first
    EXPECT_FALSE(command("mnuFilter")->isChecked());
    EXPECT_TRUE(counter->isHidden());
    EXPECT_EQ(data->TBLCon.recordCount(), sampleContacts);

    filterOn();
    command("mnuPack")->trigger();
    EXPECT_FALSE(command("mnuFilter")->isChecked());
    EXPECT_EQ(position(), q("1 of %1").arg(sampleContacts));
}

TEST_F(DatabaseListTest, PackKeepsEveryRecordAndAnUnsavedEditSaysNothing)
{
    data->TBLCon.last();
    data->TBLCon.remove();
    data->TBLCon.first();
    const std::int64_t edited = data->TBLCon.current()->rowId;
    data->TBLCon.edit();
    data->TBLCon.setString("Company", "Packed Ltd");
    command("mnuPack")->trigger();
    EXPECT_TRUE(prompts->shown.isEmpty()) << prompts->shown.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(data->TBLCon.isOpen());
    EXPECT_EQ(data->TBLCon.recordCount(), sampleContacts - 1);
    ASSERT_TRUE(data->TBLCon.gotoRowId(edited));
    EXPECT_EQ(data->TBLCon.asString("Company"), "Packed Ltd"); // posted before the tables closed
    EXPECT_EQ(integrity(paths.dataDir()), "ok");
}

} // namespace
} // namespace pelmora::test
