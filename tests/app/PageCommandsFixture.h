#pragma once

#include "SampleMainForm.h"

#include "widgets/TDBGrid.h"
#include "records/TLookupListForm.h"

#include <QAbstractButton>
#include <QLineEdit>
#include <QTimer>

#include <functional>

namespace pelmora::test {

// The main window over a fresh Sample database; each test opens a modal window through a
// command and works in it as a user would.
class PageCommandsTest : public pelmora::test::SampleMainFormTest {
protected:
    QAbstractButton* button(const char* name) const
    {
        auto* found = form->findChild<QAbstractButton*>(QLatin1String(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

    // Runs `command`, which opens a modal `Window`, and `respond` inside that window; the
    // response closes it.
    template <typename Window>
    void inModal(const std::function<void()>& command, const std::function<void(Window*)>& respond)
    {
        bool answered = false;
        QTimer::singleShot(0, [&] {
            auto* window = qobject_cast<Window*>(QApplication::activeModalWidget());
            ASSERT_NE(window, nullptr);
            QApplication::setActiveWindow(window);
            respond(window);
            answered = true;
        });
        command();
        EXPECT_TRUE(answered);
    }
    template <typename Window> void inModal(const char* buttonName, const std::function<void(Window*)>& respond)
    {
        inModal<Window>([this, buttonName] { button(buttonName)->click(); }, respond);
    }

    // Opens the cell editor of `row` in `column` of `grid`.
    static QLineEdit* cellEditor(app::TDBGrid* grid, int row, int column)
    {
        const QModelIndex cell = grid->model()->index(row, column);
        grid->setCurrentIndex(cell);
        if (!grid->indexWidget(cell))
            grid->edit(cell);
        auto* editor = qobject_cast<QLineEdit*>(grid->indexWidget(cell));
        EXPECT_NE(editor, nullptr);
        return editor;
    }
    // The editor of the new entry that "Add" opened.
    static QLineEdit* newEntryEditor(records::TLookupListForm* window)
    {
        auto* editor = qobject_cast<QLineEdit*>(window->grid()->indexWidget(window->grid()->currentIndex()));
        EXPECT_NE(editor, nullptr);
        return editor;
    }
    QString errors() const { return prompts->shown.join(QLatin1Char('\n')); }
};

} // namespace pelmora::test
