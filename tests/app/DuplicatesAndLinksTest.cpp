#include "PageCommandsFixture.h"

#include "app/DesktopLinkCommands.h"
#include "app/MainCommands.h"
#include "comms/Telephony.h"
#include "data/SqlDatabase.h"
#include "email/TSMTPForm.h"
#include "records/TfrmDuplicates.h"

#include <QAction>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>

namespace pelmora::test {
namespace {

class DuplicatesAndLinksTest : public PageCommandsTest {
protected:
    DuplicatesAndLinksTest()
    {
        auto& db = sql();
        db.exec("INSERT INTO Contacts (LName, FName, Company, EMail, City) VALUES "
                "('Zeppelin', 'Quentin', 'Harbour Works', 'q.zeppelin@example.org', NULL), "
                "('Zeppelin', 'Q.', NULL, 'Q.Zeppelin@EXAMPLE.org', 'Portsmouth')");
        keep = db.scalar("SELECT min(Counter) FROM Contacts WHERE LName = 'Zeppelin'");
        other = db.scalar("SELECT max(Counter) FROM Contacts WHERE LName = 'Zeppelin'");
        db.exec("INSERT INTO notes (Subject, Contact) VALUES ('call back', " + std::to_string(other) + ")");
        data->TBLCon.refresh();
    }
    ~DuplicatesAndLinksTest() override { comms::setCallHandler({}); }

    data::SqlDatabase& sql() { return data->TBLCon.database()->sql(); }
    app::DesktopLinkCommands* links() const { return form->findChild<app::DesktopLinkCommands*>(); }

    std::int64_t keep = 0, other = 0;
};

TEST_F(DuplicatesAndLinksTest, FindDuplicatesListsThePairAndMergesItIntoTheShownContact)
{
    form->commands()->action(QStringLiteral("mnuFindDuplicates"))->trigger();
    auto* window = form->findChild<records::TfrmDuplicates*>();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(window->isVisible());
    int row = -1;
    for (int i = 0; i < int(window->pairs().size()); ++i) {
        if (window->pairs()[size_t(i)].first == keep && window->pairs()[size_t(i)].second == other)
            row = i;
    }
    ASSERT_GE(row, 0);
    EXPECT_EQ(window->pairList()->item(row, 0)->text(), QStringLiteral("Zeppelin, Quentin - Harbour Works"));
    EXPECT_TRUE(window->pairList()->item(row, 2)->text().contains(QStringLiteral("Same e-mail address")));
    window->pairList()->setCurrentCell(row, 0);
    EXPECT_EQ(window->keptContact(), keep);

    // The field table offers both values, the kept one's ticked unless it is blank.
    QTableWidget* fields = window->fieldList();
    auto rowOf = [&](const QString& label) {
        for (int r = 0; r < fields->rowCount(); ++r) {
            if (fields->item(r, 0)->text() == label)
                return r;
        }
        ADD_FAILURE() << label.toStdString();
        return 0;
    };
    EXPECT_EQ(fields->item(rowOf(QStringLiteral("First Name")), 1)->checkState(), Qt::Checked);
    EXPECT_EQ(fields->item(rowOf(QStringLiteral("City")), 2)->checkState(), Qt::Checked);
    // Ticking the other's first name unticks the kept one's, as a click would.
    fields->item(rowOf(QStringLiteral("First Name")), 2)->setCheckState(Qt::Checked);
    EXPECT_EQ(fields->item(rowOf(QStringLiteral("First Name")), 1)->checkState(), Qt::Unchecked);

    window->mergeButton()->click();
    EXPECT_TRUE(prompts->shown.isEmpty()) << prompts->shown.join('\n').toStdString();
    EXPECT_EQ(sql().scalar("SELECT count(*) FROM Contacts WHERE Counter = ?", { other }), 0);
    EXPECT_EQ(data->TBLCon.asInteger("Counter"), keep); // the main window shows the merged contact
    EXPECT_EQ(data->TBLCon.asString("FName"), "Q.");
    EXPECT_EQ(data->TBLCon.asString("City"), "Portsmouth");
    // The other's note, now shown under the kept contact, and one with the other's address as
    // it was spelt there, which the kept contact does not hold.
    EXPECT_EQ(data->TBLNotes.recordCount(), 2);
    for (const auto& pair : window->pairs())
        EXPECT_TRUE(pair.first != other && pair.second != other);
}

TEST_F(DuplicatesAndLinksTest, AMailtoLinkOpensTheSendWindowOnTheContactWithThatAddress)
{
    QString to, cc, subject, body;
    inModal<email::TSMTPForm>(
        [this] {
            EXPECT_TRUE(links()->open(QStringLiteral(
                "mailto:Q.Zeppelin%40example.org?cc=b@example.org&subject=Spring%20order&body=Hello%0D%0Athere")));
        },
        [&](email::TSMTPForm* window) {
            to = window->ToEdit->text();
            cc = window->CcEdit->text();
            subject = window->SubjectEdit->text();
            body = window->BodyMemo->toPlainText();
            window->close();
        });
    EXPECT_EQ(to, QStringLiteral("Q.Zeppelin@example.org"));
    EXPECT_EQ(cc, QStringLiteral("b@example.org"));
    EXPECT_EQ(subject, QStringLiteral("Spring order"));
    EXPECT_EQ(body, QStringLiteral("Hello\nthere"));
    EXPECT_EQ(data->TBLCon.asInteger("Counter"), keep);

    // A broken link says so and opens nothing.
    EXPECT_FALSE(links()->open(QStringLiteral("mailto:a@example.org?subject=%ZZ")));
    ASSERT_EQ(prompts->shown.size(), 1);
    EXPECT_TRUE(prompts->shown.front().contains(QStringLiteral("cannot be read")));
}

TEST_F(DuplicatesAndLinksTest, ATelLinkDialsOnceEvenWhenItsOwnCallComesBack)
{
    QStringList dialed;
    comms::setCallHandler([&dialed](const comms::CallRequest& call) { dialed << call.destination; });
    EXPECT_TRUE(links()->open(QStringLiteral("tel:+1-201-555-0123;ext=42")));
    EXPECT_EQ(dialed, QStringList { QStringLiteral("+1-201-555-0123") });
    // The desktop hands the request straight back when Pelmora is its tel: handler.
    EXPECT_FALSE(links()->open(QStringLiteral("tel:+1-201-555-0123")));
    EXPECT_EQ(dialed.size(), 1);
    EXPECT_FALSE(links()->open(QStringLiteral("tel:call-me")));
    EXPECT_EQ(dialed.size(), 1);
}

} // namespace
} // namespace pelmora::test
