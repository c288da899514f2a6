#include "app/ContactsPage.h"

#include "widgets/FlowLayout.h"

namespace pelmora::app {

ContactsPage::ContactsPage(QWidget* parent)
    : GridPage(QStringLiteral("tabContacts"), QStringLiteral("grdPeople"),
        { { tr("Last Name"), 15 }, { tr("First Name"), 13 }, { tr("E-mail"), 22 }, { tr("Job Title"), 15 },
            { tr("Department"), 21 }, { tr("Created"), 10 }, { tr("Notes"), 7 }, { tr("Fax"), 20 },
            { tr("Phone"), 20 } },
        parent)
{
    FlowLayout* row = buttonRow();
    addButton(row, QStringLiteral("btnAddPerson"), tr("Add New Contact"));
    addButton(row, QStringLiteral("btnPersonProperties"), tr("Properties"));
    addButton(row, QStringLiteral("btnDeletePerson"), tr("Delete Name"));
    addButton(row, QStringLiteral("btnPersonEmail"), tr("Send E-mail"));
}

} // namespace pelmora::app
