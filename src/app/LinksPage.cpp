#include "app/LinksPage.h"

#include "widgets/FlowLayout.h"

namespace pelmora::app {

LinksPage::LinksPage(QWidget* parent)
    : GridPage(QStringLiteral("tabLinks"), QStringLiteral("grdLinks"),
        { { tr("Site Title"), 50 }, { tr("URL"), 35 }, { tr("Description"), 10 }, { tr("Created"), 10 },
            { tr("Last Accessed"), 10 } },
        parent)
{
    FlowLayout* row = buttonRow();
    addButton(row, QStringLiteral("btnAddLink"), tr("Add New Link"));
    addButton(row, QStringLiteral("btnLinkProperties"), tr("Proprties"));
    addButton(row, QStringLiteral("btnDeleteLink"), tr("Delete Link"));
    addButton(row, QStringLiteral("btnGoToLink"), tr("Go To Web Page"));
    addButton(row, QStringLiteral("btnLinksReport"), tr("Print Link Report"));
}

} // namespace pelmora::app
