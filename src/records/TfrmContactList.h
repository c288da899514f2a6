#pragma once

#include "records/ContactListBase.h"

namespace pelmora::records {

// "Contact List": every contact in one wide grid, the user fields included. A double-click shows
// the contact in the main window and leaves the list open behind it.
class TfrmContactList : public ContactListBase {
    Q_OBJECT
public:
    TfrmContactList(data::TfrmDataModule& data, app::TDataSource* contacts, const QString& helpDir, QWidget* parent);

protected:
    void recordChosen() override;
};

// "URL List": only the contacts with a web address. A double-click hides the list, leaving the
// main window on that contact.
class TfrmURLList : public ContactListBase {
    Q_OBJECT
public:
    TfrmURLList(data::TfrmDataModule& data, app::TDataSource* contacts, const QString& helpDir, QWidget* parent);

    // Each activation also puts the cursor into the URL column.
    void activate() override;

protected:
    void recordChosen() override;
};

} // namespace pelmora::records
