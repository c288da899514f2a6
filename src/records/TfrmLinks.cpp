#include "records/TfrmLinks.h"

#include "widgets/TDataSource.h"
#include "comms/TCustomEditAndBtn.h"
#include "data/TableView.h"

#include <QDesktopServices>
#include <QStyle>
#include <QUrl>

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
    if (posted && !url.isEmpty())
        QDesktopServices::openUrl(QUrl::fromUserInput(url));
}

} // namespace pelmora::records
