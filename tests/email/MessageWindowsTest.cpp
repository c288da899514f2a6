#include "MailWindowFixture.h"

#include "email/TfrmDefineImpFile.h"
#include "email/TfrmEmail.h"
#include "email/TfrmEmailList.h"
#include "email/TfrmShowAttach.h"
#include "widgets/TableModel.h"
#include "widgets/TDataSource.h"
#include "widgets/TDBGrid.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>
#include <QUrl>

using namespace pelmora;
using StringList = std::vector<std::string>;

namespace {

class MessageWindowsTest : public test::MailWindowTest {
protected:
    void choose(QComboBox* selector, const QString& text)
    {
        selector->setCurrentText(text);
        emit selector->textActivated(text);
    }
};

TEST_F(MessageWindowsTest, InboxListsItsOwnRowsAndTheSelectorWidensItUntilItOpensAgain)
{
    email::TfrmEmail inbox(*data, settings);
    inbox.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&inbox));
    EXPECT_EQ(subjects(data->TBLEmailFull), (StringList { "Catalog", "Meeting" }));
    EXPECT_EQ(inbox.cmbSentReceived->currentText(), QStringLiteral("Inbox"));
    choose(inbox.cmbSentReceived, QStringLiteral("Sent"));
    EXPECT_EQ(subjects(data->TBLEmailFull), (StringList { "Order" }));
    choose(inbox.cmbSentReceived, QStringLiteral("Received"));
    EXPECT_EQ(subjects(data->TBLEmailFull), (StringList { "Catalog", "Meeting", "Invoice" }));
    choose(inbox.cmbSentReceived, QStringLiteral("All"));
    EXPECT_EQ(data->TBLEmailFull.recordCount(), 4);
    choose(inbox.cmbSentReceived, QStringLiteral("Inbox"));
    EXPECT_EQ(subjects(data->TBLEmailFull), (StringList { "Catalog", "Meeting" }));
    choose(inbox.cmbSentReceived, QStringLiteral("Sent"));
    inbox.hide();
    inbox.show();
    EXPECT_EQ(subjects(data->TBLEmailFull), (StringList { "Catalog", "Meeting" }));
}

TEST_F(MessageWindowsTest, DeleteAsksFirstAndTakesTheFilesWithTheRow)
{
    email::TfrmEmail inbox(*data, settings);
    inbox.show();
    ASSERT_TRUE(data->TBLEmailFull.gotoRowId(withFiles));
    inbox.btnDelete->click(); // answered No
    EXPECT_EQ(data->TBLEmailFull.recordCount(), 2);
    EXPECT_TRUE(prompts->shown.last().endsWith(QStringLiteral("Do You Want to Delete the Record ?")));
    prompts->answers = { true };
    inbox.btnDelete->click();
    EXPECT_EQ(subjects(data->TBLEmailFull), (StringList { "Meeting" }));
    EXPECT_EQ(scalar("SELECT count(*) FROM Attach"), 0);
    EXPECT_FALSE(std::filesystem::exists(paths.attachDir() / "catalog.pdf"));
}

TEST_F(MessageWindowsTest, CutAndPasteInTheInboxBringsTheRowBackToTheInbox)
{
    email::TfrmEmail inbox(*data, settings);
    inbox.show();
    ASSERT_TRUE(data->TBLEmailFull.gotoRowId(plain));
    inbox.btnCut->click();
    EXPECT_EQ(subjects(data->TBLEmailFull), (StringList { "Catalog" }));
    choose(inbox.cmbSentReceived, QStringLiteral("Sent"));
    inbox.btnPaste->click();
    EXPECT_EQ(subjects(data->TBLEmailFull), (StringList { "Catalog", "Meeting" }));
    EXPECT_EQ(data->TBLEmailFull.asInteger("Counter"), plain);
    EXPECT_EQ(scalar("SELECT Contact FROM EMAIL WHERE Counter = " + std::to_string(plain)), 1);
    inbox.btnPaste->click(); // the clipboard is empty now: nothing happens
    EXPECT_EQ(data->TBLEmailFull.recordCount(), 2);
}

TEST_F(MessageWindowsTest, EmailListGoesToTheMessagesContactOrSaysThereIsNone)
{
    email::TfrmEmailList list(*data);
    list.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&list));
    EXPECT_EQ(data->TBLEmailFull.recordCount(), 4);
    data->TBLCon.last();
    ASSERT_NE(data->TBLCon.current()->rowId, contact);

    ASSERT_TRUE(data->TBLEmailFull.gotoRowId(plain)); // an inbox row: no contact has Counter 1
    list.btnGoToContact->click();
    EXPECT_TRUE(prompts->shown.last().endsWith(QStringLiteral("No Contact was Found")));
    EXPECT_TRUE(list.isVisible());

    ASSERT_TRUE(data->TBLEmailFull.gotoRowId(sent));
    const QModelIndex cell = list.grdEmail->model()->index(list.grdEmail->tableModel()->currentRow(), 0);
    // The press that starts a double click comes first, as from a real mouse.
    QTest::mouseClick(list.grdEmail->viewport(), Qt::LeftButton, {}, list.grdEmail->visualRect(cell).center());
    QTest::mouseDClick(list.grdEmail->viewport(), Qt::LeftButton, {}, list.grdEmail->visualRect(cell).center());
    EXPECT_EQ(data->TBLCon.current()->rowId, contact) << prompts->shown.join('\n').toStdString();
    EXPECT_FALSE(list.isVisible());
    // Hidden, the list gives the shared table back to the inbox.
    EXPECT_EQ(subjects(data->TBLEmailFull), (StringList { "Catalog", "Meeting" }));
}

TEST_F(MessageWindowsTest, SaveAsWritesTheChosenFileOnlyAndPrintReportsAFailingCommand)
{
    email::TfrmEmailList list(*data);
    list.show();
    ASSERT_TRUE(data->TBLEmailFull.gotoRowId(withFiles));
    const auto target = home / "saved.txt";
    prompts->texts = { QString::fromStdString(target.string()) };
    list.btnSaveAs->click();
    const std::string text = test::readFile(target);
    EXPECT_EQ(text.substr(0, 20), "Subject: Catalog\r\n\r\n");
    EXPECT_NE(text.find("Content: \r\nLine one\r\nLine two\r\nLine three"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::current_path() / "SomeText.txt"));
    prompts->texts.clear();
    list.btnSaveAs->click(); // cancelled: nothing written, no error
    EXPECT_FALSE(prompts->shown.last().contains(QStringLiteral("Error")));

    list.printFile = home / "emailtext.txt";
    list.printCommand = QString::fromStdString((home / "no-such-print-command").string());
    list.btnPrint->click();
    EXPECT_TRUE(prompts->shown.last().contains(QStringLiteral("could not be started")))
        << prompts->shown.last().toStdString();
    list.printCommand = QStringLiteral("false");
    list.btnPrint->click();
    EXPECT_TRUE(prompts->shown.last().contains(QStringLiteral("failed (exit code 1)")))
        << prompts->shown.last().toStdString();
    EXPECT_NE(test::readFile(home / "emailtext.txt").find("Subject: Catalog"), std::string::npos);
    const auto before = prompts->shown.size();
    list.printCommand = QStringLiteral("true");
    EXPECT_TRUE(list.print());
    EXPECT_EQ(prompts->shown.size(), before);
}

TEST_F(MessageWindowsTest, AttachedFilesAreListedAndOpenedAsFileUrls)
{
    ASSERT_TRUE(data->TBLEmailFull.gotoRowId(withFiles));
    email::TfrmShowAttFull window(data->TBLEmailFull, data->QURAttach);
    QList<QUrl> opened;
    window.openUrl = [&](const QUrl& url) {
        opened << url;
        return true;
    };
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Show Attached Files"));
    ASSERT_EQ(window.ListView1->count(), 2);
    EXPECT_EQ(window.ListView1->item(0)->text().toStdString(), (paths.attachDir() / "catalog.pdf").string());
    const QRect second = window.ListView1->visualItemRect(window.ListView1->item(1));
    QTest::mouseClick(window.ListView1->viewport(), Qt::LeftButton, {}, second.center());
    QTest::mouseDClick(window.ListView1->viewport(), Qt::LeftButton, {}, second.center());
    ASSERT_EQ(opened.size(), 1);
    EXPECT_EQ(opened[0], QUrl::fromLocalFile(QString::fromStdString((paths.attachDir() / "prices.csv").string())));

    std::filesystem::remove(paths.attachDir() / "catalog.pdf");
    window.openEntry(window.ListView1->item(0));
    EXPECT_EQ(opened.size(), 1);
    EXPECT_TRUE(prompts->shown.last().endsWith(QStringLiteral("Unable to run ShellExec. Error code=2")));

    // A message without files lists none, also after one with files was shown.
    ASSERT_TRUE(data->TBLEmailFull.gotoRowId(plain));
    window.hide();
    window.show();
    EXPECT_EQ(window.ListView1->count(), 0);
}

TEST_F(MessageWindowsTest, DefineImportFileKeepsEachProgramsFileAndAnUnknownChoice)
{
    settings.defImp = 0;
    settings.defImpStr = "/mail/netscape.box";
    email::TfrmDefineImpFile window(settings);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_TRUE(window.choice(0)->isChecked());
    EXPECT_EQ(window.edtNetscape->text(), QStringLiteral("/mail/netscape.box"));
    QTest::mouseClick(window.choice(email::TfrmDefineImpFile::Explorer), Qt::LeftButton);
    EXPECT_TRUE(prompts->shown.last().endsWith(QStringLiteral("This feature is not supported in this version.")));
    EXPECT_TRUE(window.choice(email::TfrmDefineImpFile::Explorer)->isChecked());
    QTest::mouseClick(window.choice(email::TfrmDefineImpFile::Mbox), Qt::LeftButton);
    window.edtMbox->setText(QStringLiteral("/home/u/mbox"));
    window.OKBtn->click();
    EXPECT_EQ(settings.defImp, 3);
    EXPECT_EQ(settings.defImpStr, "/home/u/mbox");

    settings.defImp = 9; // written by a newer version
    window.show();
    for (int i = 0; i < email::TfrmDefineImpFile::ProgramCount; ++i)
        EXPECT_FALSE(window.choice(i)->isChecked()) << i;
    window.OKBtn->click();
    EXPECT_EQ(settings.defImp, 9);
    EXPECT_EQ(settings.defImpStr, "/home/u/mbox");
}

TEST_F(MessageWindowsTest, ClickingATitleOrdersByItsIndexAndMarksItBlue)
{
    app::TDataSource source(data->TBLCon);
    app::TDBGrid grid;
    grid.setTitleSort(true);
    grid.setDataSource(&source, { { "LName", 20 }, { "Company", 20 }, { "Phone1", 10 } });
    grid.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&grid));
    const auto blue = [&](int column) {
        return grid.model()->headerData(column, Qt::Horizontal, Qt::BackgroundRole) == QVariant(QBrush(Qt::blue));
    };
    QTest::mouseClick(grid.horizontalHeader()->viewport(), Qt::LeftButton, {},
        QPoint(grid.horizontalHeader()->sectionViewportPosition(1) + 5, 5));
    EXPECT_TRUE(data::equalsNoCase(grid.tableModel()->orderField(), "Company"));
    EXPECT_TRUE(blue(1));
    EXPECT_FALSE(blue(0));
    const std::string order = data->TBLCon.indexName();
    QTest::mouseClick(grid.horizontalHeader()->viewport(), Qt::LeftButton, {},
        QPoint(grid.horizontalHeader()->sectionViewportPosition(2) + 5, 5));
    EXPECT_EQ(data->TBLCon.indexName(), order); // no index on the phone number: the order stays
}

} // namespace
