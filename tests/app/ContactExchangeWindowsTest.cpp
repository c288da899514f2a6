#include "PageCommandsFixture.h"

#include "app/MainCommands.h"
#include "data/SqlDatabase.h"
#include "records/TfrmExportContacts.h"
#include "records/TfrmImportContacts.h"

#include <QAction>
#include <QComboBox>
#include <QTableWidget>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace pelmora::test {
namespace {

class ContactExchangeWindowsTest : public PageCommandsTest {
protected:
    data::SqlDatabase& sql() { return data->TBLCon.database()->sql(); }
    std::int64_t count(const std::string& where)
    {
        return sql().scalar("SELECT count(*) FROM Contacts WHERE " + where);
    }
    QString write(const std::string& name, const std::string& text)
    {
        const std::filesystem::path file = home / name;
        std::ofstream(file, std::ios::binary) << text;
        return QString::fromStdString(file.string());
    }
    static std::string readBack(const QString& file)
    {
        std::ifstream in(file.toStdString(), std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    // The prompts that said something (file dialogs leave only their title).
    QStringList messages() const
    {
        QStringList said;
        for (const QString& line : prompts->shown)
            if (!line.endsWith(QLatin1Char('|')))
                said << line;
        return said;
    }
    records::TfrmImportContacts* openImport(const QString& file)
    {
        prompts->texts.push_back(file);
        form->commands()->action(QStringLiteral("mnuImportContacts"))->trigger();
        auto* window = form->findChild<records::TfrmImportContacts*>();
        EXPECT_NE(window, nullptr);
        EXPECT_TRUE(window && window->isVisible());
        return window;
    }
};

TEST_F(ContactExchangeWindowsTest, ImportsAVCardFileAfterADryRunThatStoresNothing)
{
    const QString file = write("friends.vcf",
        "BEGIN:VCARD\r\nVERSION:3.0\r\nN:Quarrington;Ottilie;;;\r\nFN:Ottilie Quarrington\r\nORG:Lantern Yard\r\n"
        "EMAIL:ottilie@lantern.example\r\nTEL;TYPE=work:+44 20 7946 0011\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:3.0\r\nEND:VCARD\r\n"
        "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:Bram Velsinger\r\nN:Velsinger;Bram;;;\r\nEND:VCARD\r\n");
    records::TfrmImportContacts* window = openImport(file);
    ASSERT_NE(window, nullptr);
    QTableWidget* preview = window->previewTable();
    ASSERT_EQ(preview->rowCount(), 2);
    EXPECT_EQ(preview->item(0, 0)->text(), QStringLiteral("Quarrington, Ottilie"));
    EXPECT_EQ(preview->item(0, 1)->text(), QStringLiteral("Lantern Yard"));
    EXPECT_EQ(preview->item(0, 2)->text(), QStringLiteral("ottilie@lantern.example"));
    EXPECT_EQ(preview->item(0, 3)->text(), QStringLiteral("+44 20 7946 0011"));

    const std::int64_t before = count("1");
    ASSERT_TRUE(window->runImport(true));
    EXPECT_EQ(count("1"), before);
    EXPECT_TRUE(window->summaryText().startsWith(QStringLiteral("Dry run"))) << window->summaryText().toStdString();
    EXPECT_TRUE(window->summaryText().contains(QStringLiteral("2 would be added")));
    // The empty card is reported by its number, and the rest still comes in.
    EXPECT_TRUE(window->summaryText().contains(QStringLiteral("card 2, line "))) << window->summaryText().toStdString();

    ASSERT_TRUE(window->runImport(false));
    EXPECT_EQ(count("1"), before + 2);
    EXPECT_EQ(count("LName = 'Quarrington' AND Company = 'Lantern Yard' AND EMail = 'ottilie@lantern.example'"), 1);
    EXPECT_TRUE(window->summaryText().startsWith(QStringLiteral("2 added, 0 updated, 0 skipped")))
        << window->summaryText().toStdString();
    // The main window reads the new contacts at once.
    EXPECT_EQ(data->TBLCon.recordCount(), before + 2);
    // A second import doubles nothing.
    ASSERT_TRUE(window->runImport(false));
    EXPECT_EQ(count("1"), before + 2);
    EXPECT_TRUE(window->summaryText().contains(QStringLiteral("2 skipped")));
    EXPECT_TRUE(messages().isEmpty()) << messages().join('\n').toStdString();
}

TEST_F(ContactExchangeWindowsTest, ImportsACsvFileWithColumnsMappedInTheWindow)
{
    const QString file = write("club.csv",
        "Last Name,First Name,E-mail Address,Company,Where From\r\n"
        "Ashgrove,Peregrine,peregrine@ashgrove.example,Ashgrove Mills,Kettering\r\n"
        "Brindle,Wren,wren@brindle.example,,Stamford\r\n");
    records::TfrmImportContacts* window = openImport(file);
    ASSERT_NE(window, nullptr);
    QTableWidget* preview = window->previewTable();
    ASSERT_EQ(preview->columnCount(), 5);
    ASSERT_EQ(preview->rowCount(), 3); // the mapping row and the two records
    EXPECT_EQ(preview->item(1, 4)->text(), QStringLiteral("Kettering"));
    // The header row's own mapping, then "Where From" onto the city and the company kept aside.
    EXPECT_EQ(window->columnCombo(0)->currentData().toString(), QStringLiteral("LName"));
    EXPECT_EQ(window->columnCombo(4)->currentData().toString(), QString());
    ASSERT_TRUE(window->mapColumn(4, QStringLiteral("City")));
    ASSERT_TRUE(window->mapColumn(3, QString()));
    EXPECT_EQ(window->columnCombo(4)->currentData().toString(), QStringLiteral("City"));
    EXPECT_FALSE(window->mapColumn(4, QStringLiteral("NoSuchField")));

    ASSERT_TRUE(window->runImport(false));
    EXPECT_EQ(count("LName = 'Ashgrove' AND City = 'Kettering' AND Company IS NULL"), 1);
    EXPECT_EQ(count("LName = 'Brindle' AND City = 'Stamford'"), 1);
    // The column taken off the company is kept in the contact's notes, not lost.
    EXPECT_EQ(sql().scalar("SELECT count(*) FROM notes JOIN Contacts ON Contacts.Counter = notes.Contact "
                           "WHERE LName = 'Ashgrove' AND Memo LIKE '%Ashgrove Mills%'"),
        1);
    EXPECT_TRUE(messages().isEmpty()) << messages().join('\n').toStdString();
}

// A CSV file in Shift-JIS reads as nonsense until its character set is chosen; a name nobody
// knows is said and leaves nothing to import.
TEST_F(ContactExchangeWindowsTest, ACsvFileIsReadInTheCharacterSetChosen)
{
    if (!haveTool("iconv"))
        PELMORA_SKIP_OR_FAIL("iconv is not installed");
    write("utf8.csv", "Last Name,First Name\r\n山田,花子\r\n");
    const QString file = QString::fromStdString((home / "sjis.csv").string());
    shellOutput("iconv -f UTF-8 -t SHIFT_JIS '" + (home / "utf8.csv").string() + "' > '" + file.toStdString() + "'");
    records::TfrmImportContacts* window = openImport(file);
    ASSERT_NE(window, nullptr);
    auto* charset = window->findChild<QComboBox*>(QStringLiteral("cmbCharset"));
    ASSERT_NE(charset, nullptr);
    EXPECT_TRUE(charset->isEnabled());
    QTableWidget* preview = window->previewTable();
    ASSERT_EQ(preview->rowCount(), 2);
    EXPECT_NE(preview->item(1, 0)->text(), QStringLiteral("山田"));

    charset->setCurrentIndex(charset->findText(QStringLiteral("Shift_JIS")));
    emit charset->activated(charset->currentIndex());
    ASSERT_EQ(preview->rowCount(), 2);
    EXPECT_EQ(preview->item(1, 0)->text(), QStringLiteral("山田"));
    EXPECT_EQ(preview->item(1, 1)->text(), QStringLiteral("花子"));
    ASSERT_TRUE(window->runImport(false));
    EXPECT_EQ(count("LName = '山田' AND FName = '花子'"), 1);

    window->setCharset(QStringLiteral("no-such-set"));
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages().front().contains(QStringLiteral("no-such-set"))) << messages().front().toStdString();
    EXPECT_FALSE(window->runImport(false));
    EXPECT_EQ(count("LName = '山田'"), 1);
}

TEST_F(ContactExchangeWindowsTest, AnUnreadableFileSaysSoAndOffersNoImport)
{
    records::TfrmImportContacts* window = openImport(QString::fromStdString((home / "missing.vcf").string()));
    ASSERT_NE(window, nullptr);
    EXPECT_FALSE(window->runImport(false));
    ASSERT_EQ(messages().size(), 1);
    EXPECT_TRUE(messages().front().contains(QStringLiteral("could not be opened")));
}

TEST_F(ContactExchangeWindowsTest, ExportsTheCurrentContactAndNeverReplacesAFile)
{
    sql().exec("INSERT INTO Contacts (LName, FName, EMail) VALUES ('Fairweather', 'Ione', 'ione@fair.example')");
    const std::int64_t counter = sql().scalar("SELECT Counter FROM Contacts WHERE LName = 'Fairweather'");
    data->TBLCon.refresh();
    ASSERT_TRUE(data->TBLCon.locate({ "Counter" }, { counter }, {}));
    form->commands()->action(QStringLiteral("mnuExportContacts"))->trigger();
    auto* window = form->findChild<records::TfrmExportContacts*>();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(window->isVisible());
    window->setWhich(records::TfrmExportContacts::Which::Current);
    window->setFormat(records::TfrmExportContacts::Format::VCard3);
    const QString file = QString::fromStdString((home / "ione.vcf").string());
    ASSERT_TRUE(window->exportTo(file));
    const std::string card = readBack(file);
    EXPECT_EQ(card.rfind("BEGIN:VCARD", 0), 0u);
    EXPECT_NE(card.find("VERSION:3.0"), std::string::npos);
    EXPECT_NE(card.find("N:Fairweather;Ione"), std::string::npos);
    EXPECT_NE(card.find("ione@fair.example"), std::string::npos);
    EXPECT_EQ(card.find("END:VCARD"), card.rfind("END:VCARD")); // one card only

    // The file is there now: a second export says so and leaves it as it was.
    window->setWhich(records::TfrmExportContacts::Which::All);
    EXPECT_FALSE(window->exportTo(file));
    EXPECT_EQ(readBack(file), card);
    EXPECT_EQ(messages().size(), 1);

    // One file per contact into a folder, as CSV.
    const QString folder = QString::fromStdString((home / "cards").string());
    std::filesystem::create_directory(folder.toStdString());
    window->setFormat(records::TfrmExportContacts::Format::Csv);
    window->setPerContact(true);
    ASSERT_TRUE(window->exportTo(folder));
    const auto files = std::distance(std::filesystem::directory_iterator(folder.toStdString()), {});
    EXPECT_EQ(files, count("1"));
}

} // namespace
} // namespace pelmora::test
