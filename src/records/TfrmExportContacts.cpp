#include "records/TfrmExportContacts.h"

#include "data/Database.h"
#include "data/TfrmDataModule.h"
#include "exchange/ContactExport.h"
#include "widgets/Prompts.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <filesystem>
#include <vector>

namespace pelmora::records {

TfrmExportContacts::TfrmExportContacts(
    data::TfrmDataModule& data, std::string filter, std::int64_t current, QWidget* parent)
    : QDialog(parent)
    , m_data(data)
    , m_filter(std::move(filter))
    , m_current(current)
    , m_all(new QRadioButton(tr("&All contacts"), this))
    , m_filtered(new QRadioButton(tr("The contacts the &filter shows"), this))
    , m_currentOne(new QRadioButton(tr("The &current contact"), this))
    , m_format(new QComboBox(this))
    , m_perContact(new QCheckBox(tr("One file &per contact (into a folder)"), this))
    , m_summary(new QLabel(this))
{
    setObjectName(QStringLiteral("TfrmExportContacts"));
    setWindowTitle(tr("Export Contacts"));
    m_all->setObjectName(QStringLiteral("rbAll"));
    m_filtered->setObjectName(QStringLiteral("rbFiltered"));
    m_currentOne->setObjectName(QStringLiteral("rbCurrent"));
    m_format->setObjectName(QStringLiteral("cmbFormat"));
    m_perContact->setObjectName(QStringLiteral("chkPerContact"));
    m_summary->setObjectName(QStringLiteral("lblSummary"));
    m_summary->setWordWrap(true);
    m_format->addItem(tr("vCard 4.0"), int(Format::VCard4));
    m_format->addItem(tr("vCard 3.0"), int(Format::VCard3));
    m_format->addItem(tr("CSV"), int(Format::Csv));
    m_filtered->setEnabled(!m_filter.empty());
    m_currentOne->setEnabled(m_current > 0);
    m_all->setChecked(true);

    auto* which = new QGroupBox(tr("Contacts"), this);
    auto* whichLayout = new QVBoxLayout(which);
    whichLayout->addWidget(m_all);
    whichLayout->addWidget(m_filtered);
    whichLayout->addWidget(m_currentOne);
    auto* form = new QFormLayout;
    form->addRow(tr("F&ormat:"), m_format);
    form->addRow(QString(), m_perContact);
    auto* buttons = new QDialogButtonBox(this);
    QPushButton* exportButton = buttons->addButton(tr("&Export..."), QDialogButtonBox::AcceptRole);
    exportButton->setObjectName(QStringLiteral("btnExport"));
    buttons->addButton(QDialogButtonBox::Close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(which);
    layout->addLayout(form);
    layout->addWidget(m_summary);
    layout->addStretch(1);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmExportContacts::chooseAndExport);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void TfrmExportContacts::setWhich(Which which)
{
    (which == Which::All ? m_all : which == Which::Filtered ? m_filtered : m_currentOne)->setChecked(true);
}

void TfrmExportContacts::setFormat(Format format)
{
    m_format->setCurrentIndex(m_format->findData(int(format)));
}

void TfrmExportContacts::setPerContact(bool perContact)
{
    m_perContact->setChecked(perContact);
}

bool TfrmExportContacts::chooseAndExport()
{
    QString target;
    if (m_perContact->isChecked()) {
        target = app::prompts().directory(this, windowTitle(), QString());
    } else {
        const bool csv = Format(m_format->currentData().toInt()) == Format::Csv;
        target = app::prompts().saveFileName(this, windowTitle(), QString(),
            csv ? tr("CSV files (*.csv);;All files (*)") : tr("vCard files (*.vcf);;All files (*)"));
    }
    return !target.isEmpty() && exportTo(target);
}

bool TfrmExportContacts::exportTo(const QString& target)
{
    data::Database* database = m_data.currentDatabase();
    if (!database)
        return false;
    exchange::ExportOptions options;
    const Format format = Format(m_format->currentData().toInt());
    options.format = format == Format::Csv ? exchange::ExchangeFormat::Csv : exchange::ExchangeFormat::VCard;
    options.version = format == Format::VCard3 ? exchange::VCardVersion::v3 : exchange::VCardVersion::v4;
    const std::filesystem::path path = target.toStdString();
    const bool perContact = m_perContact->isChecked();
    try {
        std::vector<std::int64_t> counters;
        if (m_currentOne->isChecked())
            counters = { m_current };
        else
            counters = exchange::selectContacts(*database, m_filtered->isChecked() ? m_filter : std::string());
        if (perContact && !std::filesystem::is_directory(path)) {
            app::prompts().showError(this, windowTitle(), tr("The folder %1 is not there").arg(target));
            return false;
        }
        // A status line while the files are written: the core writes them in one go, on this
        // thread, as every other use of the database connection is.
        m_summary->setText(tr("Exporting %n contact(s)...", nullptr, int(counters.size())));
        m_summary->repaint();
        std::size_t files = 1;
        if (perContact)
            files = exchange::exportContactFiles(database->sql(), counters, options, path).size();
        else
            exchange::writeNewFile(path, exchange::exportContacts(database->sql(), counters, options));
        m_summary->setText(perContact ? tr("%n contact(s) written as %1 file(s) into %2", nullptr, int(counters.size()))
                                            .arg(files)
                                            .arg(QDir::toNativeSeparators(target))
                                      : tr("%n contact(s) written to %1", nullptr, int(counters.size()))
                                            .arg(QDir::toNativeSeparators(target)));
    } catch (const std::exception& error) {
        m_summary->clear();
        app::prompts().showError(this, windowTitle(), QString::fromStdString(error.what()));
        return false;
    }
    return true;
}

QString TfrmExportContacts::summaryText() const
{
    return m_summary->text();
}

} // namespace pelmora::records
