#include "app/DocumentsPage.h"

#include "widgets/FlowLayout.h"

namespace pelmora::app {

DocumentsPage::DocumentsPage(QWidget* parent)
    : GridPage(QStringLiteral("tabDocuments"), QStringLiteral("grdDocuments"),
        { { tr("Name"), 36 }, { tr("File"), 40 }, { tr("Notes"), 7 }, { tr("Added"), 8 }, { tr("Size"), 10 },
            { tr("Modified"), 10 } },
        parent)
{
    FlowLayout* row = buttonRow();
    addButton(row, QStringLiteral("btnAttachDocument"), tr("Attach New Document"));
    addButton(row, QStringLiteral("btnDocumentProperties"), tr("Properties"));
    addButton(row, QStringLiteral("btnDeleteDocument"), tr("Delete Document"));
    addButton(row, QStringLiteral("btnOpenDocument"), tr("Open Document"));
    addButton(row, QStringLiteral("btnViewDocumentList"), tr("View Document List"));
    addButton(row, QStringLiteral("btnDocumentsReport"), tr(" Print Document Report").trimmed());
}

} // namespace pelmora::app
