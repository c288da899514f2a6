#pragma once

#include "email/MessageWindow.h"

class QToolButton;

namespace pelmora::email {

// "E-mail List": every message of the database, of every contact and the inbox. Go To Contact
// brings the main window to the contact a message is filed under.
class TfrmEmailList : public MessageWindow {
    Q_OBJECT
public:
    explicit TfrmEmailList(data::TfrmDataModule& data, QWidget* parent = nullptr);

    // Lists all rows (done each time the window is shown).
    void listAll();
    // Makes the message's contact the main window's and hides the list; "No Contact was Found"
    // when the contact is not stored or the main window's filter hides it.
    bool goToContact();

    QToolButton* btnDelete;
    QToolButton* btnFind;
    QToolButton* btnSearch;
    QToolButton* btnSaveAs;
    QToolButton* btnReport;
    QToolButton* btnGoToContact;
    QToolButton* btnPrint;
    QToolButton* btnAttached;
    QToolButton* btnClose;

signals:
    // The main window's contact changed to the one a message belongs to.
    void contactShown();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
};

} // namespace pelmora::email
