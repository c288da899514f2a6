#include "app/NotesPage.h"

#include "widgets/FlowLayout.h"

namespace pelmora::app {

NotesPage::NotesPage(QWidget* parent)
    : GridPage(QStringLiteral("tabNotes"), QStringLiteral("grdNotes"),
        { { tr("Subject"), 75 }, { tr("Created"), 8 }, { tr("Memo"), 17 } }, parent)
{
    FlowLayout* row = buttonRow();
    addButton(row, QStringLiteral("btnAddNote"), tr("Add New Note"));
    addButton(row, QStringLiteral("btnNoteProperties"), tr("Properties"));
    addButton(row, QStringLiteral("btnDeleteNote"), tr("Delete Note"));
}

} // namespace pelmora::app
