#include "SampleMainForm.h"

#include "app/MainCommands.h"
#include "app/QueryCommands.h"
#include "app/TfrmFilter.h"
#include "app/TfrmSearch.h"
#include "data/TfrmDataModule.h"
#include "widgets/TDataSource.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

namespace {

// What the main window shows while the contact filter is on, checked after the window has laid
// itself out, as the user sees it.
class FilterStateTest : public pelmora::test::SampleMainFormTest {
protected:
    FilterStateTest()
    {
        EXPECT_TRUE(QTest::qWaitForWindowExposed(form.get()));
        QCoreApplication::processEvents();
    }
    QLabel* counter() const { return form->findChild<QLabel*>(QStringLiteral("lblFilterCount")); }
    void filterOn(const QString& lastName)
    {
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<pelmora::app::TfrmFilter*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            dialog->setValue(QStringLiteral("LName"), lastName);
            dialog->accept();
        });
        form->queryCommands()->toggleFilter();
    }
    // Lets the tool bar lay itself out again, as a resize of the window does.
    void relayout() const
    {
        form->resize(form->width() + 40, form->height());
        QCoreApplication::processEvents();
    }
};

TEST_F(FilterStateTest, TheCounterShowsOnlyWhileAFilterIsOn)
{
    EXPECT_FALSE(counter()->isVisible());
    filterOn(QStringLiteral("Mar"));
    relayout();
    EXPECT_TRUE(counter()->isVisible());
    EXPECT_EQ(counter()->text(), QStringLiteral("Filter On = %1").arg(data->TBLCon.recordCount()));
    form->queryCommands()->toggleFilter();
    relayout();
    EXPECT_FALSE(counter()->isVisible());
}

TEST_F(FilterStateTest, SearchSaysWhenTheFilterHidesTheChosenContact)
{
    data->TBLCon.first();
    const std::string hidden = data->TBLCon.asString("LName");
    filterOn(QString::fromStdString(hidden.substr(0, 3)) + QStringLiteral("zzz")); // hides every contact
    pelmora::app::TfrmSearch search(data->TBLSearchCon, form->dsCon(), form.get());
    search.show();
    QTest::keyClicks(search.findChild<QLineEdit*>(QStringLiteral("edtSearch")), QString::fromStdString(hidden));
    ASSERT_EQ(data->TBLSearchCon.asString("LName"), hidden);
    search.accept();
    EXPECT_TRUE(search.isVisible()); // the user may choose another contact or cancel
    ASSERT_EQ(prompts->shown.size(), 1);
    EXPECT_TRUE(prompts->shown.front().startsWith(QStringLiteral("Search|The filter hides this contact")))
        << prompts->shown.front().toStdString();
}

} // namespace
