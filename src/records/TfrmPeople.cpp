#include "records/TfrmPeople.h"

#include "comms/TEditAndDial.h"
#include "comms/Telephony.h"
#include "comms/TfrmFax.h"
#include "data/TableView.h"
#include "widgets/TCustomEditAndBtn.h"
#include "widgets/TDataSource.h"

#include <QStyle>

namespace pelmora::records {

TfrmPeople::TfrmPeople(app::TDataSource* source, QWidget* parent)
    : TDetailEditor(QStringLiteral("TfrmPeople"), tr("Contact"), source, parent)
{
    addEdit(tr("First Name"), "FirstName", 30);
    addEdit(tr("Last Name"), "LastName", 30);
    comms::TCustomEditAndBtn* email = addEditWithButton(tr("E-mail"), "EMail", 50);
    email->setButtonIcon(style()->standardIcon(QStyle::SP_ArrowForward));
    email->setButtonHint(tr("Send E-mail"));
    // The address shown is written to, even before it is saved, as the phone button dials.
    connect(email, &comms::TCustomEditAndBtn::buttonClicked, this, [this, email] { emit sendEmail(email->text()); });
    addEdit(tr("Job Title"), "JobTitle", 30);
    addEdit(tr("Department"), "Department", 30);
    addDateBox(tr("Date Created"), "DateCreated");
    comms::TCustomEditAndBtn* phone = addEditWithButton(tr("Phone"), "Phone", 20);
    phone->setButtonIcon(comms::TEditAndDial::standardGlyph());
    phone->setButtonHint(tr("Dial Phone"));
    // The number shown in the box is dialed, even before it is saved.
    connect(phone, &comms::TCustomEditAndBtn::buttonClicked, this, [phone] {
        comms::requestMakeCall({ phone->text(), {} });
    });
    comms::TCustomEditAndBtn* fax = addEditWithButton(tr("Fax"), "Fax", 20);
    fax->setButtonIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    fax->setButtonHint(tr("Send Fax"));
    // The fax page is written to the person as the record stands in the editor.
    connect(fax, &comms::TCustomEditAndBtn::buttonClicked, this, [this] {
        data::TableView& view = this->source()->view();
        if (!view.isOpen() || view.isEmpty())
            return;
        auto text = [&](const char* field) { return QString::fromStdString(view.asString(field)); };
        comms::TfrmFax::instance()->showWithAddress(
            comms::TfrmFax::personLines(text("FirstName"), text("LastName"), text("Fax")));
    });
    addMemo(tr("Notes"), "Notes", tr("Notes"));
    resize(460, 460);
}

} // namespace pelmora::records
