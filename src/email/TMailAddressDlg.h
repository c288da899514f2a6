#pragma once

#include <QDialog>

class QLineEdit;

namespace pelmora::mail {
class TmsMailAddress;
}

namespace pelmora::email {

// "Address": edits one mailbox, its display name and the address itself.
class TMailAddressDlg : public QDialog {
    Q_OBJECT
public:
    explicit TMailAddressDlg(QWidget* parent = nullptr);

    void load(const mail::TmsMailAddress& address);
    void store(mail::TmsMailAddress& address) const;

    // Shows the dialog over `address`; both texts are copied back only on OK.
    static bool edit(QWidget* parent, mail::TmsMailAddress& address);

    QLineEdit* NameEdit;
    QLineEdit* AddressEdit;
};

} // namespace pelmora::email
