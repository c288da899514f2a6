#include "email/TSetupDlg.h"

#include "mail/ShortText.h"
#include "settings/Settings.h"
#include "widgets/Widgets.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

namespace pelmora::email {

namespace {

QLineEdit* lineEdit(const QString& name, QWidget* parent)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 32);
    return edit;
}

QComboBox* fixedList(const QString& name, const QStringList& items, QWidget* parent)
{
    auto* box = new QComboBox(parent);
    box->setObjectName(name);
    box->addItems(items);
    return box;
}

QString fromStd(const std::string& text)
{
    return QString::fromStdString(text);
}

// Sender name and address go into header lines, which the mail model keeps to 255 characters.
std::string cut(const QString& text)
{
    return mail::cutUtf8(text.toStdString());
}

} // namespace

TSetupDlg::TSetupDlg(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TSetupDlg"));
    setWindowTitle(tr("E-mail Setup"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);

    ServerEdit = lineEdit(QStringLiteral("ServerEdit"), this);
    SmtpServer = lineEdit(QStringLiteral("SmtpServer"), this);
    EncodingComboBox = fixedList(QStringLiteral("EncodingComboBox"), { tr("MIME"), tr("UUCode") }, this);
    CharSetComboBox
        = fixedList(QStringLiteral("CharSetComboBox"), { tr("US-ASCII"), tr("ISO-8859-1"), tr("UTF-8") }, this);
    SenderName = lineEdit(QStringLiteral("SenderName"), this);
    UserNameEdit = lineEdit(QStringLiteral("UserNameEdit"), this);
    RASComboBox = fixedList(QStringLiteral("RASComboBox"), { tr("None") }, this);
    PasswordEdit = lineEdit(QStringLiteral("PasswordEdit"), this);
    PasswordEdit->setEchoMode(QLineEdit::Password);
    PasswordEdit->setStyleSheet(QStringLiteral("lineedit-password-character: 42")); // "*"
    UserAddressEdit = lineEdit(QStringLiteral("UserAddressEdit"), this);

    auto* frame = new QGroupBox(this);
    auto* form = new QFormLayout(frame);
    form->addRow(tr("Incoming Mail (POP3) Server"), ServerEdit);
    form->addRow(tr("Outgoing Mail (SMTP) Server"), SmtpServer);
    form->addRow(tr("Encoding"), EncodingComboBox);
    form->addRow(tr("Character Set"), CharSetComboBox);
    form->addRow(tr("Sender Name"), SenderName);
    form->addRow(tr("User Name"), UserNameEdit);
    form->addRow(tr("Dial-Up Service"), RASComboBox);
    form->addRow(tr("Password"), PasswordEdit);
    form->addRow(tr("E-mail address"), UserAddressEdit);

    OKBtn = new QPushButton(tr("OK"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(tr("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    BitBtn3 = new QPushButton(tr("&Help"), this);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    buttons->addWidget(BitBtn3);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("The information below is needed before you can send and receive mail.\n"
                                    " If you do not know the information requested, please contact your system\n"
                                    "administrator or your Internet Service Provider."),
        this));
    layout->addWidget(frame);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // The keyboard goes through the fields as a user fills them in, the password straight after
    // the user name although the dial-up list stands between them.
    QWidget* order[] = { ServerEdit, SmtpServer, EncodingComboBox, CharSetComboBox, SenderName, UserNameEdit,
        PasswordEdit, RASComboBox, UserAddressEdit, OKBtn, CancelBtn, BitBtn3 };
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    ServerEdit->setFocus();

    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(BitBtn3, &QPushButton::clicked, this, &TSetupDlg::helpRequested);
}

void TSetupDlg::load(const settings::Settings& values, const std::vector<std::string>& rasEntries)
{
    m_shownCharSet = std::clamp(values.charSet, 0, CharSetComboBox->count() - 1);
    CharSetComboBox->setCurrentIndex(m_shownCharSet);
    m_shownEncoding = std::clamp(values.encoding, 0, EncodingComboBox->count() - 1);
    EncodingComboBox->setCurrentIndex(m_shownEncoding);
    SmtpServer->setText(fromStd(values.smtpServer));
    UserAddressEdit->setText(fromStd(values.emailAddress));
    SenderName->setText(fromStd(values.senderName));
    ServerEdit->setText(fromStd(values.server));
    UserNameEdit->setText(fromStd(values.userName));
    PasswordEdit->setText(fromStd(values.password));
    RASComboBox->clear();
    RASComboBox->addItem(tr("None"));
    for (const std::string& entry : rasEntries)
        RASComboBox->addItem(fromStd(entry));
    m_shownRas = values.ras >= 0 && values.ras < RASComboBox->count() ? values.ras : 0;
    RASComboBox->setCurrentIndex(m_shownRas);
    ServerEdit->setFocus();
}

void TSetupDlg::store(settings::Settings& values) const
{
    if (CharSetComboBox->currentIndex() != m_shownCharSet)
        values.charSet = CharSetComboBox->currentIndex();
    if (EncodingComboBox->currentIndex() != m_shownEncoding)
        values.encoding = EncodingComboBox->currentIndex();
    values.smtpServer = SmtpServer->text().toStdString();
    values.emailAddress = cut(UserAddressEdit->text());
    values.senderName = cut(SenderName->text());
    values.server = ServerEdit->text().toStdString();
    values.userName = UserNameEdit->text().toStdString();
    values.password = PasswordEdit->text().toStdString();
    if (RASComboBox->currentIndex() != m_shownRas)
        values.ras = RASComboBox->currentIndex();
}

QString TSetupDlg::rasService() const
{
    return RASComboBox->currentIndex() > 0 ? RASComboBox->currentText() : QString();
}

bool editEmailSetup(QWidget* parent, settings::Settings& values, const std::vector<std::string>& rasEntries,
    const QString& helpFile, QString* rasService)
{
    TSetupDlg dialog(parent);
    dialog.load(values, rasEntries);
    QObject::connect(
        &dialog, &TSetupDlg::helpRequested, [helpFile] { QDesktopServices::openUrl(QUrl::fromLocalFile(helpFile)); });
    if (dialog.exec() != QDialog::Accepted)
        return false;
    dialog.store(values);
    if (rasService)
        *rasService = dialog.rasService();
    return true;
}

} // namespace pelmora::email
