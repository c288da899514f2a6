#pragma once

namespace pelmora::data {
class TfrmDataModule;
}

namespace pelmora::app {

class TfrmMainForm;

// The main window's fax buttons: the contact page's "Send Fax" writes the contact's address
// block into the fax page, the fax cell of the people grid the person's.
void wireFaxCommands(TfrmMainForm* form, data::TfrmDataModule& data);

} // namespace pelmora::app
