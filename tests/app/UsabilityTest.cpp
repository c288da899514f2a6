#include "PageCommandsFixture.h"

#include "data/SqlDatabase.h"
#include "records/TfrmActivity.h"
#include "records/TLookupListForm.h"
#include "widgets/TDBGrid.h"

#include "app/ActivitiesPage.h"
#include "app/DatabaseCommands.h"
#include "app/MainCommands.h"
#include "app/QueryCommands.h"
#include "app/TfrmFilter.h"
#include "widgets/TfrmFind.h"
#include "app/TfrmMainForm.h"
#include "app/Tfrmsort.h"
#include "settings/IniFile.h"
#include "widgets/TCustomEditAndBtn.h"

#include <QAction>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <QTest>
#include <QToolButton>

using pelmora::data::TableView;
using pelmora::records::TLookupListForm;

namespace {

// The main window as a first-time user meets it: what is kept, what is undone, what is said.
class UsabilityTest : public pelmora::test::PageCommandsTest {
protected:
    // What the file holds, read through a connection of its own, as another program would.
    std::string stored(const std::string& sql) const
    {
        pelmora::data::SqlDatabase file(data->currentDatabase()->sql().file());
        pelmora::data::Statement& st = file.prepare(sql);
        std::string text = st.step() ? pelmora::data::valueToString(st.column(0)) : std::string();
        st.reset();
        return text;
    }
    void trigger(const char* name) const { form->commands()->action(QLatin1String(name))->trigger(); }
    QLineEdit* edit(const char* name) const { return form->findChild<QLineEdit*>(QLatin1String(name)); }
    QLineEdit* dateEdit(const char* name) const
    {
        return form->findChild<pelmora::comms::TCustomEditAndBtn*>(QLatin1String(name))->edit();
    }
    TableView& contacts() const { return data->TBLCon; }
    QString status(int panel = 0) const
    {
        return form->findChild<QLabel*>(QStringLiteral("StatusPanel%1").arg(panel))->text();
    }
    int storedContacts() const { return std::stoi(stored("SELECT count(*) FROM Contacts")); }
    std::string jobTitles() const
    {
        return stored("SELECT group_concat(Description, '|') FROM (SELECT Description FROM jobTitle ORDER BY 1)");
    }
};

TEST_F(UsabilityTest, CancelAndEscUndoEveryChangeOfOneVisitToALookupListAndOkKeepsThem)
{
    const std::string before = jobTitles();
    ASSERT_FALSE(before.empty());
    for (bool byEscape : { false, true }) {
        inModal<TLookupListForm>("btnEditJobTitle", [&](TLookupListForm* window) {
            QLineEdit* editor = cellEditor(window->grid(), 0, 0);
            editor->selectAll();
            QTest::keyClicks(editor, QStringLiteral("Oops"));
            QTest::keyClick(editor, Qt::Key_Tab); // the rename is posted at once
            window->addEntry();
            QTest::keyClicks(newEntryEditor(window), QStringLiteral("Extra"));
            QTest::keyClick(window->grid(), Qt::Key_Tab);
            prompts->answers = { true };
            window->deleteEntry();
            if (byEscape)
                QTest::keyClick(window, Qt::Key_Escape);
            else
                window->reject();
        });
        EXPECT_EQ(jobTitles(), before) << (byEscape ? "Esc" : "Cancel");
        EXPECT_EQ(data->TBLJobTitle.recordCount(), std::count(before.begin(), before.end(), '|') + 1);
    }
    EXPECT_GE(form->findChild<QComboBox*>(QStringLiteral("cmbJobTitle"))
                  ->findText(QString::fromStdString(before.substr(0, before.find('|')))),
        0);

    inModal<TLookupListForm>("btnEditJobTitle", [&](TLookupListForm* window) {
        window->addEntry();
        QTest::keyClicks(newEntryEditor(window), QStringLiteral("Harbour Master"));
        window->accept();
    });
    EXPECT_NE(jobTitles().find("Harbour Master"), std::string::npos);
}

TEST_F(UsabilityTest, TheListButtonsAreOutOfTheTabChainAndOpenWithF2)
{
    for (auto* button : form->findChildren<QToolButton*>()) {
        if (button->objectName().startsWith(QLatin1String("btnEdit"))) {
            EXPECT_EQ(button->focusPolicy(), Qt::NoFocus) << button->objectName().toStdString();
        }
    }
    // Tabbing through the Main page never lands on a button beside a field.
    QApplication::setActiveWindow(form.get());
    auto* first = form->findChild<QLineEdit*>(QStringLiteral("edtFName"));
    first->setFocus();
    for (int i = 0; i < 40; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget* focus = QApplication::focusWidget();
        const bool besideAField = qobject_cast<QToolButton*>(focus)
            && (focus->objectName().startsWith(QLatin1String("btnEdit"))
                || qobject_cast<pelmora::comms::TCustomEditAndBtn*>(focus->parentWidget()));
        EXPECT_FALSE(besideAField) << focus->objectName().toStdString();
    }
    auto* list = form->findChild<QComboBox*>(QStringLiteral("cmbDepartment"));
    bool opened = false;
    inModal<TLookupListForm>(
        [&] {
            list->setFocus();
            QTest::keyClick(list, Qt::Key_F2);
        },
        [&](TLookupListForm* window) {
            opened = window->windowTitle() == QStringLiteral("Department");
            window->reject();
        });
    EXPECT_TRUE(opened);
}

TEST_F(UsabilityTest, TheActivityEditorsListButtonIsOutOfTheTabChain)
{
    pelmora::records::TfrmActivity editor(nullptr);
    editor.show();
    QApplication::setActiveWindow(&editor);
    auto* button = editor.findChild<QToolButton*>(QStringLiteral("btnEditActivityList"));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->focusPolicy(), Qt::NoFocus);
    editor.findChild<QComboBox*>(QStringLiteral("cmbActivity"))->setFocus();
    for (int i = 0; i < 12; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_NE(QApplication::focusWidget(), button);
    }
}

TEST_F(UsabilityTest, AnUntouchedNewContactIsDroppedWhenLeftAndOneTypedIntoIsKept)
{
    const int before = storedContacts();
    const auto leave = std::vector<std::pair<const char*, std::function<void()>>> {
        { "a move", [this] { trigger("mnuNextRecord"); } },
        { "another Add", [this] { trigger("mnuNewRecord"); } },
        { "a page change", [this] { form->showPage(pelmora::app::TfrmMainForm::NotesTab); } },
        { "Esc", [this] { QTest::keyClick(edit("edtFName"), Qt::Key_Escape); } },
    };
    for (const auto& [what, action] : leave) {
        form->showPage(pelmora::app::TfrmMainForm::MainTab);
        trigger("mnuNewRecord");
        ASSERT_EQ(contacts().state(), pelmora::data::ViewState::Insert) << what;
        action();
        EXPECT_EQ(storedContacts(), before) << what;
        EXPECT_EQ(
            stored("SELECT count(*) FROM Contacts WHERE LName IS NULL AND FName IS NULL AND Company IS NULL"), "0")
            << what;
    }
    form->showPage(pelmora::app::TfrmMainForm::MainTab);
    trigger("mnuNewRecord");
    QTest::keyClicks(edit("edtLName"), QStringLiteral("Quill"));
    trigger("mnuNextRecord");
    EXPECT_EQ(storedContacts(), before + 1);
    EXPECT_EQ(stored("SELECT Created FROM Contacts WHERE LName = 'Quill'"),
        QDate::currentDate().toString(Qt::ISODate).toStdString());

    trigger("mnuNewRecord");
    form->close(); // nothing typed: no question, nothing stored
    EXPECT_TRUE(prompts->shown.isEmpty()) << errors().toStdString();
    EXPECT_EQ(storedContacts(), before + 1);
}

TEST_F(UsabilityTest, EscRestoresTheFieldThenTheWholeRecordAndExitAsksBeforeSaving)
{
    const QString company = edit("edtCompany")->text();
    const QString state = edit("edtState")->text();
    const QString lastContact = dateEdit("edtLastContact")->text();
    QTest::keyClicks(edit("edtState"), QStringLiteral("QQ"));
    QTest::keyClicks(edit("edtCompany"), QStringLiteral(" Typo"));
    QTest::keyClick(edit("edtCompany"), Qt::Key_Escape);
    EXPECT_EQ(edit("edtCompany")->text(), company); // this field only
    EXPECT_EQ(edit("edtState")->text(), state + QStringLiteral("QQ"));
    EXPECT_TRUE(contacts().isEditing());
    QTest::keyClick(edit("edtCompany"), Qt::Key_Escape); // again: the whole record
    EXPECT_EQ(edit("edtState")->text(), state);
    EXPECT_FALSE(contacts().isEditing());

    // A date typed but not yet stored is taken back too.
    dateEdit("edtLastContact")->selectAll();
    QTest::keyClicks(dateEdit("edtLastContact"), QStringLiteral("1/2"));
    QTest::keyClick(dateEdit("edtLastContact"), Qt::Key_Escape);
    EXPECT_EQ(dateEdit("edtLastContact")->text(), lastContact);

    // Exit with a change asks; No leaves the file as it was.
    QTest::keyClicks(edit("edtCompany"), QStringLiteral(" Typo"));
    const std::string counter = std::to_string(contacts().asInteger("Counter"));
    prompts->answers = { false };
    form->close();
    ASSERT_EQ(prompts->shown.size(), 1);
    EXPECT_TRUE(prompts->shown.front().startsWith(QStringLiteral("Pelmora|Save the changes to ")))
        << errors().toStdString();
    EXPECT_EQ(stored("SELECT Company FROM Contacts WHERE Counter = " + counter), company.toStdString());
}

TEST_F(UsabilityTest, BothDeleteQuestionsNameTheContactAndWhatGoesWithIt)
{
    // The Sample contact with the most activities.
    const std::string counter = stored("SELECT Contact FROM Activity GROUP BY Contact ORDER BY count(*) DESC LIMIT 1");
    ASSERT_TRUE(contacts().gotoRowId(std::stoll(counter)));
    const std::string activities = stored("SELECT count(*) FROM Activity WHERE Contact = " + counter);
    const QString name = QString::fromStdString(contacts().asString("FName") + " " + contacts().asString("LName"));
    trigger("mnuDeleteRecord"); // answered No
    form->findChild<QToolButton*>(QStringLiteral("btnDeleteRecord"))->click(); // answered Cancel
    ASSERT_EQ(prompts->shown.size(), 2);
    for (const QString& asked : prompts->shown) {
        EXPECT_TRUE(asked.contains(name.simplified())) << asked.toStdString();
        EXPECT_TRUE(asked.contains(QString::fromStdString(activities) + QStringLiteral(" activit")))
            << asked.toStdString();
    }
    EXPECT_TRUE(prompts->shown[0].startsWith(QStringLiteral("Pelmora|Do You Want to Delete the Record ?")));
    EXPECT_TRUE(prompts->shown[1].startsWith(QStringLiteral("Pelmora|Delete record?")));
    EXPECT_EQ(stored("SELECT count(*) FROM Contacts WHERE Counter = " + counter), "1");
}

TEST_F(UsabilityTest, TheWindowFitsASmallScreenWithEveryFilterWholeAndGridsFillTheirWidth)
{
    // A 1024x600 screen less the window manager's title bar.
    const QSize screen(1024, 560);
    EXPECT_LE(form->minimumSizeHint().height(), screen.height());
    EXPECT_LE(form->minimumSizeHint().width(), screen.width());
    form->resize(screen);
    for (int page = 0; page < form->pageControl()->count(); ++page) {
        form->showPage(page);
        QApplication::processEvents();
        EXPECT_LE(form->height(), screen.height()) << "page " << page;
    }
    form->showPage(pelmora::app::TfrmMainForm::ActivitiesTab);
    QApplication::processEvents();
    for (const char* name : { "cmbActivity", "cmbDate", "cmbStatus" }) {
        auto* list = form->findChild<QComboBox*>(QLatin1String(name));
        const QRect place(list->mapTo(form.get(), QPoint(0, 0)), list->size());
        EXPECT_TRUE(form->rect().contains(place)) << name;
        EXPECT_GE(list->width(), list->sizeHint().width()) << name;
    }
    for (auto* grid : form->findChildren<pelmora::app::TDBGrid*>())
        EXPECT_TRUE(grid->horizontalHeader()->stretchLastSection()) << grid->objectName().toStdString();
    form->grab().save(QStringLiteral("/tmp/usability-activities-1024.png"));
    form->showPage(pelmora::app::TfrmMainForm::MainTab);
    QApplication::processEvents();
    form->grab().save(QStringLiteral("/tmp/usability-main-1024.png"));
}

TEST_F(UsabilityTest, TheStatusLineSaysWhatHappenedAndShowsTheOrder)
{
    EXPECT_EQ(status(1), QStringLiteral("By Last Name")); // the order the Sample database opens in
    QTest::keyClicks(edit("edtState"), QStringLiteral("X"));
    form->findChild<QToolButton*>(QStringLiteral("btnSaveRecord"))->click();
    EXPECT_TRUE(status().startsWith(QStringLiteral("Contact saved: "))) << status().toStdString();
    trigger("mnuNewRecord");
    trigger("mnuNextRecord");
    EXPECT_EQ(status(), QStringLiteral("The new contact was left empty and was not saved"));

    inModal<pelmora::app::Tfrmsort>([this] { trigger("mnuSort"); },
        [](pelmora::app::Tfrmsort* sort) {
            QComboBox* fields = sort->fieldList();
            const int company = fields->findText(QStringLiteral("Company"));
            fields->setCurrentIndex(company);
            emit fields->activated(company);
            sort->accept();
        });
    EXPECT_EQ(status(), QStringLiteral("Sorted by Company"));
    EXPECT_EQ(status(1), QStringLiteral("By Company"));

    prompts->answers = { true };
    const QString name = QString::fromStdString(contacts().asString("Company"));
    trigger("mnuDeleteRecord");
    EXPECT_TRUE(status().startsWith(QStringLiteral("Contact deleted: "))) << status().toStdString();
}

TEST_F(UsabilityTest, FindSortAndFilterListFieldsByTheirLabels)
{
    inModal<pelmora::app::TfrmFind>([this] { trigger("mnuFind"); },
        [](pelmora::app::TfrmFind* find) {
            EXPECT_EQ(find->fieldList()->currentText(), QStringLiteral("Last Name"));
            EXPECT_GE(find->fieldList()->findText(QStringLiteral("Job Title")), 0);
            EXPECT_LT(find->fieldList()->findText(QStringLiteral("LName")), 0);
            find->fieldList()->setCurrentIndex(find->fieldList()->findText(QStringLiteral("Category 1")));
            find->valueEdit()->setText(QStringLiteral("Nothing-like-it"));
            find->find(false);
            find->reject();
        });
    ASSERT_EQ(prompts->shown.size(), 1);
    EXPECT_TRUE(prompts->shown.front().endsWith(QStringLiteral("in Category 1."))) << errors().toStdString();
    inModal<pelmora::app::Tfrmsort>([this] { trigger("mnuSort"); },
        [](pelmora::app::Tfrmsort* sort) {
            EXPECT_GE(sort->fieldList()->findText(QStringLiteral("Last Name")), 0);
            EXPECT_GE(sort->fieldList()->findText(QStringLiteral("Category 1")), 0);
            sort->reject();
        });
    pelmora::app::TfrmFilter filter(&contacts());
    QStringList labels;
    for (auto* label : filter.findChildren<QLabel*>())
        labels << label->text();
    EXPECT_TRUE(labels.contains(QStringLiteral("Site Title")));
    EXPECT_FALSE(labels.contains(QStringLiteral("SiteTitle")));
}

TEST_F(UsabilityTest, AnUnreadableDateSaysWhichFieldAndHowDatesLook)
{
    QTest::keyClicks(dateEdit("edtLastContact"), QStringLiteral("31/31/2026"));
    form->findChild<QToolButton*>(QStringLiteral("btnSaveRecord"))->click();
    ASSERT_EQ(prompts->shown.size(), 1);
    const QString said = prompts->shown.front();
    EXPECT_TRUE(said.contains(QStringLiteral("(Last Contacted)"))) << said.toStdString();
    EXPECT_TRUE(said.contains(QStringLiteral("dates look like 12/31/"))) << said.toStdString();
    EXPECT_FALSE(said.contains(QStringLiteral("LastContact"))) << said.toStdString();
}

TEST_F(UsabilityTest, PlaceSizePageContactAndOrderAreKeptAcrossARestart)
{
    inModal<pelmora::app::Tfrmsort>([this] { trigger("mnuSort"); },
        [](pelmora::app::Tfrmsort* sort) {
            const int company = sort->fieldList()->findText(QStringLiteral("Company"));
            sort->fieldList()->setCurrentIndex(company);
            emit sort->fieldList()->activated(company);
            sort->accept();
        });
    trigger("mnuNextRecord");
    trigger("mnuNextRecord");
    const auto rowId = contacts().current()->rowId;
    form->showPage(pelmora::app::TfrmMainForm::NotesTab);
    form->showNormal();
    form->setGeometry(40, 50, 700, 500); // within the 800x600 screen of the offscreen platform
    QApplication::processEvents();
    form->close();
    const auto ini = pelmora::settings::IniFile::load(paths.iniFile());
    EXPECT_TRUE(ini.value("Setup", "LastData").has_value()); // the settings are where they were
    EXPECT_EQ(ini.value("Window", "Order").value_or(""), "CompanyInd");

    // The next start, over the database as the last one left it.
    form = std::make_unique<pelmora::app::TfrmMainForm>(paths);
    data->TBLCon.setIndexName({});
    data->TBLCon.first();
    form->attachDataModule(*data, dataPrompts);
    EXPECT_FALSE(form->restoreWindowState());
    form->show();
    QApplication::processEvents();
    EXPECT_EQ(form->pageControl()->currentIndex(), pelmora::app::TfrmMainForm::NotesTab);
    EXPECT_EQ(contacts().current()->rowId, rowId);
    EXPECT_EQ(contacts().indexName(), "CompanyInd");
    EXPECT_EQ(status(1), QStringLiteral("By Company"));
    EXPECT_EQ(form->size(), QSize(700, 500));
}

} // namespace
