#include "records/TfrmContactList.h"

#include "widgets/TableModel.h"
#include "widgets/TDBGrid.h"

namespace pelmora::records {

TfrmContactList::TfrmContactList(
    data::TfrmDataModule& data, app::TDataSource* contacts, const QString& helpDir, QWidget* parent)
    : ContactListBase(data, contacts,
        { QStringLiteral("TfrmContactList"), tr("Contact List"),
            { tr("Click a column header to change the sort order."),
                tr("Click inside an e-mail field for a Send E-mail button."),
                tr("Click inside a URL field for a Browse button.") },
            true, helpDir + QStringLiteral("/hcontactlist.htm"), {} },
        parent)
{
}

void TfrmContactList::recordChosen()
{
    emit showContact();
}

TfrmURLList::TfrmURLList(
    data::TfrmDataModule& data, app::TDataSource* contacts, const QString& helpDir, QWidget* parent)
    : ContactListBase(data, contacts,
        { QStringLiteral("TfrmURLList"), tr("URL List"),
            { tr("Click inside a URL field for a Browse button."),
                tr("Click a column header to change the sort order of the list."),
                tr("Double click inside a Memo field for a view and edit window.") },
            false, helpDir + QStringLiteral("/hurllist.htm"), { "url<>null" } },
        parent)
{
    grid()->setEnterMovesToNextCell(true);
    grid()->setDeleteFromKeyboard(true);
}

void TfrmURLList::activate()
{
    if (isListActive())
        return;
    ContactListBase::activate();
    app::TableModel* model = grid()->tableModel();
    const int column = model->columnOf("URL");
    const int row = model->currentRow();
    if (column >= 0 && row >= 0)
        grid()->setCurrentIndex(model->index(row, column));
}

void TfrmURLList::recordChosen()
{
    hide();
}

} // namespace pelmora::records
