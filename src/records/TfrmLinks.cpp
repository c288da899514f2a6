#include "records/TfrmLinks.h"

#include "data/TableView.h"
#include "widgets/OpenWebAddress.h"
#include "widgets/TCustomEditAndBtn.h"
#include "widgets/TDataSource.h"

#include <QStyle>

namespace pelmora::records {

TfrmLinks::TfrmLinks(app::TDataSource* source, QWidget* parent)
    : TDetailEditor(QStringLiteral("TfrmLinks"), tr("Link"), source, parent)
{
    addEdit(tr("Title"), "Title", 50);
    comms::TCustomEditAndBtn* url = addEditWithButton(tr("URL"), "URL", 50);
    url->setButtonIcon(style()->standardIcon(QStyle::SP_ComputerIcon));
    url->setButtonHint(tr("Go To Web Page"));
    connect(url, &comms::TCustomEditAndBtn::buttonClicked, this, &TfrmLinks::goToWebPage);
    addMemo(tr("Description"), "Descrip", tr("Site Description"));
    addDateBox(tr("Date Created"), "DateCreated");
    addDateBox(tr("Last Accessed"), "LastAccess");
    resize(460, 360);
}

void TfrmLinks::goToWebPage()
{
    app::TDataSource* links = source();
    if (!links)
        return;
    // Posted at once: a new link whose page was visited stays stored even if the editor is cancelled.
    const bool posted = links->guarded(this, [links] {
        links->ensureEditing();
        links->view().setDate("LastAccess", data::Date::today());
    }) && links->post(this);
    const QString url = QString::fromStdString(links->view().asString("URL"));
    if (posted)
        app::openWebAddress(this, url);
}

} // namespace pelmora::records
