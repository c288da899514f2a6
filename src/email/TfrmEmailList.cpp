#include "email/TfrmEmailList.h"

#include "data/TfrmDataModule.h"
#include "widgets/Prompts.h"
#include "widgets/TDBGrid.h"

#include <QComboBox>
#include <QSplitter>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace pelmora::email {

TfrmEmailList::TfrmEmailList(data::TfrmDataModule& data, QWidget* parent)
    : MessageWindow(data, QStringLiteral("TfrmEmailList"), tr("E-mail List"), parent)
{
    setModal(false);
    QToolBar* bar = addToolBar();
    btnDelete = addButton(bar, "btnDelete", tr("Delete"), tr("Delete Message"), QStyle::SP_TrashIcon,
        [this] { deleteMessage(tr("Do You Want to Delete the Item ?")); });
    bar->addSeparator();
    btnFind = addButton(
        bar, "btnFind", tr("Find"), tr("Find"), QStyle::SP_FileDialogContentsView, [this] { findMessage(); });
    btnSearch = addButton(
        bar, "btnSearch", tr("Search"), tr("Search"), QStyle::SP_FileDialogDetailedView, [this] { searchMessages(); });
    bar->addSeparator();
    btnSaveAs = addButton(
        bar, "btnSaveAs", tr("Save As"), tr("Save Message As ..."), QStyle::SP_DialogSaveButton, [this] { saveAs(); });
    btnPrint = addButton(
        bar, "btnPrint", tr("Print"), tr("Print The Selected Message"), QStyle::SP_FileIcon, [this] { print(); });
    btnReport = addButton(bar, "btnReport", tr("Report"), tr("Report"), QStyle::SP_FileDialogListView, [] {});
    btnReport->setEnabled(false); // the report engine is not part of this window yet
    bar->addSeparator();
    btnGoToContact = addButton(bar, "btnGoToContact", tr("Go To Contact"), tr("Go To Contact"), QStyle::SP_ArrowRight,
        [this] { goToContact(); });
    btnAttached = addButton(
        bar, "btnAttached", tr("Attached"), tr("Attached"), QStyle::SP_DirLinkIcon, [this] { showAttached(); });
    bar->addSeparator();
    addSelector(bar);
    auto* spacer = new QWidget(bar);
    spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    bar->addWidget(spacer);
    btnClose = addButton(bar, "btnClose", tr("Close"), tr("Close"), QStyle::SP_DialogCloseButton, [this] { close(); });
    windowLayout()->addWidget(splitter, 1);
    connect(grdEmail, &QAbstractItemView::doubleClicked, this, [this] { goToContact(); });
}

void TfrmEmailList::showEvent(QShowEvent* event)
{
    listAll();
    MessageWindow::showEvent(event);
}

void TfrmEmailList::listAll()
{
    cmbSentReceived->setCurrentIndex(0);
    guarded([this] {
        messages().close();
        messages().setFiltered(false);
        messages().open();
    });
}

void TfrmEmailList::hideEvent(QHideEvent* event)
{
    // The table is the inbox's too: it lists the inbox again once this window is gone.
    // A table closed meanwhile (the database was switched or is closing) gets its filter only.
    const bool wasOpen = messages().isOpen();
    if (wasOpen)
        postBody();
    guarded([this, wasOpen] {
        messages().close();
        messages().setFilter("contact=1");
        messages().setFiltered(true);
        if (wasOpen)
            messages().open();
    });
    MessageWindow::hideEvent(event);
}

bool TfrmEmailList::goToContact()
{
    if (!postBody() || !messages().isOpen() || messages().isEmpty())
        return false;
    const std::int64_t contact = messages().asInteger("Contact");
    data::TableView& contacts = m_data.TBLCon;
    bool found = false;
    guarded([&] {
        // The contact is looked up by its Counter; the main window keeps its own order.
        const std::string order = contacts.indexName();
        if (contacts.isOpen() && contact > 0) {
            if (contacts.isEditing())
                contacts.post();
            found = contacts.gotoRowId(contact);
        }
        if (contacts.indexName() != order)
            contacts.setIndexName(order);
    });
    if (!found) {
        app::prompts().inform(this, windowTitle(), tr("No Contact was Found"));
        return false;
    }
    emit contactShown();
    hide();
    return true;
}

} // namespace pelmora::email
