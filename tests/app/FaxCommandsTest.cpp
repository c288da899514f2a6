// The three ways to the fax page from the main window: the contact's fax box, the people grid's
// fax cell and the person editor's fax button.
#include "PageCommandsFixture.h"

#include "comms/TfrmFax.h"
#include "records/TfrmPeople.h"
#include "widgets/TableModel.h"
#include "widgets/TCustomEditAndBtn.h"

#include <QTest>
#include <QTextEdit>
#include <QToolButton>

using pelmora::comms::TfrmFax;
using pelmora::data::TableView;

namespace {

// Notes whether a window was blocked by a modal one: a fax page the user can not reach is no
// use, however visible it is.
class BlockWatch : public QObject {
public:
    bool blocked = false;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::WindowBlocked)
            blocked = true;
        else if (event->type() == QEvent::WindowUnblocked)
            blocked = false;
        return false;
    }
};

class FaxCommandsTest : public pelmora::test::PageCommandsTest {
protected:
    FaxCommandsTest()
    {
        TfrmFax* fax = TfrmFax::instance();
        fax->hide();
        fax->editor()->clear();
        fax->editor()->document()->setModified(false);
        fax->installEventFilter(&watch);
        ownAsk = fax->ask;
        fax->ask = [this](const QString& text) {
            asked << text;
            return TfrmFax::Answer::Cancel;
        };
    }
    ~FaxCommandsTest() override
    {
        TfrmFax* fax = TfrmFax::instance();
        fax->removeEventFilter(&watch);
        fax->ask = ownAsk;
        fax->editor()->document()->setModified(false);
        fax->hide();
    }
    TableView& contacts() const { return data->TBLCon; }
    TableView& people() const { return data->TBLPeople; }

    // The page's lines once the fax window is up and laid out.
    static QStringList page()
    {
        TfrmFax* fax = TfrmFax::instance();
        EXPECT_TRUE(fax->isVisible());
        EXPECT_TRUE(QTest::qWaitForWindowExposed(fax));
        EXPECT_FALSE(fax->isModal());
        return fax->editor()->toPlainText().split(QChar(QChar::ParagraphSeparator)).join('\n').split('\n');
    }
    // Clicks the fax cell of the people grid's current row.
    void clickPeopleFaxCell() const
    {
        auto* grid = form->findChild<pelmora::app::TDBGrid*>(QStringLiteral("grdPeople"));
        ASSERT_NE(grid, nullptr);
        const int column = grid->tableModel()->columnOf("Fax");
        ASSERT_GE(column, 0) << "the people grid shows the fax number";
        const QModelIndex cell = grid->model()->index(std::max(0, grid->currentIndex().row()), column);
        grid->setCurrentIndex(cell);
        grid->scrollTo(cell);
        QTest::mouseClick(
            grid->viewport(), Qt::LeftButton, {}, pelmora::app::TDBGrid::buttonRect(grid->visualRect(cell)).center());
    }
    void findContactWithPeople() const
    {
        for (int i = 0; i < 50 && people().isEmpty() && !contacts().eof(); ++i)
            contacts().next();
        ASSERT_FALSE(people().isEmpty()) << "a Sample contact has people";
    }

    BlockWatch watch;
    QStringList asked; // the fax window's own questions
    std::function<TfrmFax::Answer(const QString&)> ownAsk;
};

TEST_F(FaxCommandsTest, ContactFaxBoxWritesToCompanyAndFaxAndDoesNotWait)
{
    contacts().edit();
    contacts().setString("FName", "Ann");
    contacts().setString("LName", "Lee");
    contacts().setString("Company", "Acme & Söhne");
    contacts().setString("Fax", "+1 555 0100");
    contacts().post();
    auto* box = form->findChild<pelmora::comms::TCustomEditAndBtn*>(QStringLiteral("edtFax"));
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(box->button()->isEnabled());
    box->button()->click(); // returns at once: the page is not a modal window
    EXPECT_EQ(page(), QStringList({ "To : Ann Lee", " ", "Company : Acme & Söhne", " ", "Fax : +1 555 0100", " " }));
    EXPECT_FALSE(watch.blocked);
    EXPECT_TRUE(prompts->shown.isEmpty()) << errors().toStdString();
}

TEST_F(FaxCommandsTest, PeopleGridAndPersonEditorWriteThePersonsBlock)
{
    findContactWithPeople();
    people().edit();
    people().setString("FirstName", "Bo");
    people().setString("LastName", "Ek");
    people().setString("Fax", "");
    people().post();
    form->showPage(pelmora::app::TfrmMainForm::ContactsTab);
    QApplication::processEvents();

    // An empty fax number still gives its line, followed by the blank one.
    const QStringList expected { "To : Bo Ek", " ", "Fax : ", " " };
    clickPeopleFaxCell();
    EXPECT_EQ(page(), expected);

    TfrmFax::instance()->hide();

    // From the person editor (a modal window) the page must still be usable while the editor
    // is open, and it holds the stored person, not what is typed but not yet saved.
    inModal<pelmora::records::TfrmPeople>("btnPersonProperties", [&](pelmora::records::TfrmPeople* editor) {
        auto* box = editor->findChild<pelmora::comms::TCustomEditAndBtn*>(QStringLiteral("edtFax"));
        ASSERT_NE(box, nullptr);
        ASSERT_TRUE(box->button()->isEnabled());
        box->setText(QStringLiteral("+46 8 000"));
        box->button()->click();
        EXPECT_EQ(page(), expected);
        EXPECT_FALSE(watch.blocked) << "the fax page is blocked by the person editor";
        editor->reject();
    });
    EXPECT_TRUE(TfrmFax::instance()->isVisible()); // outlives the editor
    // A page holding only the block written for the user is not theirs to lose: no question.
    EXPECT_TRUE(asked.isEmpty()) << asked.join('\n').toStdString();
    EXPECT_FALSE(watch.blocked);
    EXPECT_TRUE(prompts->shown.isEmpty()) << errors().toStdString();
}

} // namespace
