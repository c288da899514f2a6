#include "reports/TfrmReportDlg.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

namespace pelmora::reports {

namespace {

bool& fullChosen()
{
    static bool full = false;
    return full;
}

} // namespace

TfrmReportDlg::TfrmReportDlg(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("TfrmReportDlg"));
    setWindowTitle(tr("Reports"));
    auto* group = new QGroupBox(tr("Select Report"), this);
    group->setObjectName(QStringLiteral("RadioGroup1"));
    m_web = new QRadioButton(tr("Web Related Contact Information (name, company, e-mail, URL, site title)"), group);
    m_web->setObjectName(QStringLiteral("rbWeb"));
    m_full = new QRadioButton(tr("Full Contact Information"), group);
    m_full->setObjectName(QStringLiteral("rbFull"));
    auto* choices = new QVBoxLayout(group);
    choices->addWidget(m_web);
    choices->addWidget(m_full);
    (fullChosen() ? m_full : m_web)->setChecked(true);

    auto* note = new QLabel(tr("For a subset of the list, apply a filter before generating the report "), this);
    note->setObjectName(QStringLiteral("Label1"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmReportDlg::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TfrmReportDlg::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(note);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize); // a fixed dialog
}

std::string TfrmReportDlg::chosenReport() const
{
    return m_full->isChecked() ? "contacts" : "contacts-web";
}

void TfrmReportDlg::accept()
{
    fullChosen() = m_full->isChecked();
    QDialog::accept();
}

std::string TfrmReportDlg::choose(QWidget* parent)
{
    TfrmReportDlg dialog(parent);
    return dialog.exec() == QDialog::Accepted ? dialog.chosenReport() : std::string();
}

} // namespace pelmora::reports
