#include "email/TMailAddressDlg.h"

#include "mail/TmsMailAddress.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace pelmora::email {

TMailAddressDlg::TMailAddressDlg(QWidget* parent)
    : QDialog(parent)
    , NameEdit(new QLineEdit(this))
    , AddressEdit(new QLineEdit(this))
{
    setObjectName(QStringLiteral("TMailAddressDlg"));
    setWindowTitle(tr("Address"));
    NameEdit->setObjectName(QStringLiteral("NameEdit"));
    AddressEdit->setObjectName(QStringLiteral("AddressEdit"));
    // The address keeps 255 characters of each; the boxes take no more, so nothing typed is
    // lost without the user seeing it.
    NameEdit->setMaxLength(int(mail::MaxShortText));
    AddressEdit->setMaxLength(int(mail::MaxShortText));
    auto* form = new QFormLayout;
    form->addRow(tr("Name"), NameEdit);
    form->addRow(tr("Address"), AddressEdit);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
    resize(360, sizeHint().height());
}

void TMailAddressDlg::load(const mail::TmsMailAddress& address)
{
    NameEdit->setText(QString::fromStdString(address.Name.str()));
    AddressEdit->setText(QString::fromStdString(address.Address.str()));
}

void TMailAddressDlg::store(mail::TmsMailAddress& address) const
{
    address.Name = NameEdit->text().toStdString();
    address.Address = AddressEdit->text().toStdString();
}

bool TMailAddressDlg::edit(QWidget* parent, mail::TmsMailAddress& address)
{
    TMailAddressDlg dialog(parent);
    dialog.load(address);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.store(address);
    return true;
}

} // namespace pelmora::email
