#include "app/FaxCommands.h"

#include "app/TfrmMainForm.h"
#include "widgets/TCustomEditAndBtn.h"
#include "comms/TfrmFax.h"
#include "data/TfrmDataModule.h"
#include "widgets/TDBGrid.h"

namespace pelmora::app {

void wireFaxCommands(TfrmMainForm* form, data::TfrmDataModule& data)
{
    auto text = [](data::TableView& view, const char* field) { return QString::fromStdString(view.asString(field)); };
    auto* faxBox = form->findChild<comms::TCustomEditAndBtn*>(QStringLiteral("edtFax"));
    faxBox->setButtonEnabled(true);
    QObject::connect(faxBox, &comms::TCustomEditAndBtn::buttonClicked, form, [&data, text] {
        data::TableView& contact = data.TBLCon;
        if (!contact.isOpen() || contact.isEmpty())
            return;
        comms::TfrmFax::instance()->showWithAddress(comms::TfrmFax::contactLines(
            text(contact, "FName"), text(contact, "LName"), text(contact, "Company"), text(contact, "Fax")));
    });
    auto* people = form->findChild<TDBGrid*>(QStringLiteral("grdPeople"));
    people->addButtonField("Fax");
    QObject::connect(people, &TDBGrid::buttonClicked, form, [&data, text](const QString& field) {
        data::TableView& person = data.TBLPeople;
        if (field != QLatin1String("Fax") || !person.isOpen() || person.isEmpty())
            return;
        comms::TfrmFax::instance()->showWithAddress(
            comms::TfrmFax::personLines(text(person, "FirstName"), text(person, "LastName"), text(person, "Fax")));
    });
}

} // namespace pelmora::app
