#include "email/TfrmDefineImpFile.h"

#include "settings/Settings.h"
#include "widgets/Prompts.h"

#include <QButtonGroup>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

namespace pelmora::email {

TfrmDefineImpFile::TfrmDefineImpFile(settings::Settings& settings, QWidget* parent)
    : QDialog(parent)
    , m_settings(settings)
    , m_group(new QButtonGroup(this))
{
    setObjectName(QStringLiteral("TfrmDefineImpFile"));
    setWindowTitle(tr("Define Import File"));
    auto* box = new QGroupBox(tr("Choose Default Email Application"), this);
    box->setObjectName(QStringLiteral("RadioGroup1"));
    auto* grid = new QGridLayout(box);
    const QString captions[ProgramCount] = { tr("Netscape (Messenger, Netscape Mail)"), tr("Eudora (Light and Pro)"),
        tr("Microsoft (Internet Mail, Outlook)"), tr("mbox file (\"From \" lines: mutt, mailutils, most Linux mail)"),
        tr("Maildir folder") };
    const char* names[ProgramCount] = { "edtNetscape", "edtEudora", "edtExplorer", "edtMbox", "edtMaildir" };
    for (int i = 0; i < ProgramCount; ++i) {
        auto* radio = new QRadioButton(captions[i], box);
        radio->setObjectName(QStringLiteral("rbProgram%1").arg(i));
        m_group->addButton(radio, i);
        auto* edit = new QLineEdit(box);
        edit->setObjectName(QLatin1String(names[i]));
        edit->setMinimumWidth(320);
        auto* pick = new QToolButton(box);
        pick->setObjectName(QStringLiteral("btnBrowse%1").arg(i));
        pick->setText(QStringLiteral("..."));
        pick->setToolTip(i == Maildir ? tr("Choose the Maildir folder") : tr("Choose the mailbox file"));
        connect(pick, &QToolButton::clicked, this, [this, i] { browse(i); });
        grid->addWidget(radio, i * 2, 0, 1, 3);
        grid->addWidget(edit, i * 2 + 1, 1);
        grid->addWidget(pick, i * 2 + 1, 2);
        m_choices[static_cast<std::size_t>(i)] = radio;
        m_fields[static_cast<std::size_t>(i)] = edit;
    }
    grid->setColumnMinimumWidth(0, 16); // each file under its program's choice
    edtNetscape = m_fields[Netscape];
    edtEudora = m_fields[Eudora];
    edtExplorer = m_fields[Explorer];
    edtMbox = m_fields[Mbox];
    edtMaildir = m_fields[Maildir];
    connect(m_group, &QButtonGroup::idClicked, this, &TfrmDefineImpFile::chosen);

    auto* buttons
        = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | QDialogButtonBox::Help, this);
    OKBtn = buttons->button(QDialogButtonBox::Ok);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    CancelBtn = buttons->button(QDialogButtonBox::Cancel);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    HelpBtn = buttons->button(QDialogButtonBox::Help);
    HelpBtn->setObjectName(QStringLiteral("HelpBtn"));
    connect(OKBtn, &QPushButton::clicked, this, &TfrmDefineImpFile::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(HelpBtn, &QPushButton::clicked, this, [this] {
        if (!helpFile.isEmpty())
            QDesktopServices::openUrl(QUrl::fromLocalFile(helpFile));
    });
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(box);
    layout->addWidget(buttons);
}

void TfrmDefineImpFile::showEvent(QShowEvent* event)
{
    load();
    QDialog::showEvent(event);
}

void TfrmDefineImpFile::load()
{
    // A stored number this version does not know selects nothing and is kept unless the user
    // chooses a program.
    const int program = m_settings.defImp;
    if (program < 0 || program >= ProgramCount) {
        m_group->setExclusive(false);
        for (QRadioButton* radio : m_choices)
            radio->setChecked(false);
        m_group->setExclusive(true);
        return;
    }
    m_choices[static_cast<std::size_t>(program)]->setChecked(true);
    m_fields[static_cast<std::size_t>(program)]->setText(QString::fromStdString(m_settings.defImpStr));
}

void TfrmDefineImpFile::chosen(int program)
{
    if (program == Explorer)
        app::prompts().confirm(this, windowTitle(), tr("This feature is not supported in this version."));
}

void TfrmDefineImpFile::browse(int program)
{
    QLineEdit* edit = m_fields[static_cast<std::size_t>(program)];
    const QString path = program == Maildir ? app::prompts().directory(this, tr("Maildir folder"), edit->text())
                                            : app::prompts().openFileName(this, tr("Open"), edit->text(), {});
    if (!path.isEmpty())
        edit->setText(path);
}

void TfrmDefineImpFile::OKBtnClick()
{
    const int program = m_group->checkedId();
    if (program >= 0) {
        m_settings.defImp = program;
        m_settings.defImpStr = m_fields[static_cast<std::size_t>(program)]->text().toStdString();
    }
    accept();
}

} // namespace pelmora::email
