#include "records/TfrmImportContacts.h"

#include "data/Database.h"
#include "data/Schema.h"
#include "data/TfrmDataModule.h"
#include "exchange/Csv.h"
#include "widgets/Prompts.h"

#include <QApplication>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <fstream>
#include <sstream>

namespace pelmora::records {

namespace {

// The preview shows enough records to judge the mapping by, not the whole file.
constexpr int previewRecords = 20;

QTableWidgetItem* readOnly(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(item->flags() & ~Qt::ItemIsEditable);
    return item;
}

QString targetLabel(const std::string& target)
{
    if (target.empty())
        return QObject::tr("(kept in the notes)");
    if (target == "#name")
        return QObject::tr("Name");
    if (target == "#categories")
        return QObject::tr("Categories");
    if (target == "#details")
        return QObject::tr("Other details");
    if (target.rfind("#phonetype:", 0) == 0)
        return QObject::tr("Type of phone %1").arg(QString::fromStdString(target.substr(11)));
    if (target.rfind("#phone:", 0) == 0)
        return QObject::tr("Phone %1").arg(QString::fromStdString(target.substr(7)));
    for (const data::FieldDef& f : data::tableDef("Contacts").fields)
        if (f.name == target)
            return QString::fromStdString(f.caption());
    return QString::fromStdString(target);
}

QString field(const exchange::ContactCard& card, const char* column)
{
    auto it = card.fields.find(column);
    return it == card.fields.end() ? QString() : QString::fromStdString(it->second);
}

} // namespace

TfrmImportContacts::TfrmImportContacts(data::TfrmDataModule& data, QWidget* parent)
    : QDialog(parent)
    , m_data(data)
    , m_fileLabel(new QLabel(this))
    , m_charset(new QComboBox(this))
    , m_preview(new QTableWidget(this))
    , m_summary(new QPlainTextEdit(this))
    , m_dryRun(new QPushButton(tr("&Dry run"), this))
    , m_import(new QPushButton(tr("&Import"), this))
{
    setObjectName(QStringLiteral("TfrmImportContacts"));
    setWindowTitle(tr("Import Contacts"));
    m_preview->setObjectName(QStringLiteral("grdPreview"));
    m_preview->verticalHeader()->setVisible(false);
    m_preview->setSelectionMode(QAbstractItemView::NoSelection);
    m_summary->setObjectName(QStringLiteral("memSummary"));
    m_summary->setReadOnly(true);
    m_summary->setMaximumHeight(120);
    m_dryRun->setObjectName(QStringLiteral("btnDryRun"));
    m_import->setObjectName(QStringLiteral("btnImport"));
    auto* choose = new QPushButton(tr("&File..."), this);
    choose->setObjectName(QStringLiteral("btnChooseFile"));
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(choose, QDialogButtonBox::ActionRole);
    buttons->addButton(m_dryRun, QDialogButtonBox::ActionRole);
    buttons->addButton(m_import, QDialogButtonBox::ActionRole);
    buttons->addButton(QDialogButtonBox::Close);
    // Files in UTF-8 or Windows-1252 are told apart by themselves; any other character set (a
    // file from a Japanese or Russian spreadsheet) has to be named, from the list or typed.
    m_charset->setObjectName(QStringLiteral("cmbCharset"));
    m_charset->setEditable(true);
    m_charset->setInsertPolicy(QComboBox::NoInsert);
    m_charset->addItem(tr("Automatic (UTF-8 or Windows-1252)"), QString());
    for (const char* name : { "Shift_JIS", "EUC-JP", "GB18030", "Big5", "EUC-KR", "Windows-1251", "KOI8-R",
             "Windows-1250", "ISO-8859-2", "ISO-8859-15", "Windows-1253", "Windows-1254", "Windows-1255",
             "Windows-1256", "Windows-1257", "Windows-874", "IBM850" })
        m_charset->addItem(QString::fromLatin1(name), QString::fromLatin1(name));
    m_charset->setEnabled(false);
    auto* charsetLabel = new QLabel(tr("C&haracter set of a CSV file:"), this);
    charsetLabel->setBuddy(m_charset);
    auto* charsetRow = new QHBoxLayout;
    charsetRow->addWidget(charsetLabel);
    charsetRow->addWidget(m_charset, 1);
    const auto chosen = [this] {
        const int index = m_charset->findText(m_charset->currentText());
        setCharset(index >= 0 ? m_charset->itemData(index).toString() : m_charset->currentText().trimmed());
    };
    connect(m_charset, &QComboBox::activated, this, chosen);
    // Return, not the loss of focus: focus goes when the window closes, too late to read again.
    connect(m_charset->lineEdit(), &QLineEdit::returnPressed, this, chosen);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_fileLabel);
    layout->addLayout(charsetRow);
    layout->addWidget(m_preview, 1);
    layout->addWidget(m_summary);
    layout->addWidget(buttons);
    connect(choose, &QPushButton::clicked, this, &TfrmImportContacts::chooseFile);
    connect(m_dryRun, &QPushButton::clicked, this, [this] { runImport(true); });
    connect(m_import, &QPushButton::clicked, this, [this] { runImport(false); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    m_dryRun->setEnabled(false);
    m_import->setEnabled(false);
    m_fileLabel->setText(tr("Choose a vCard (.vcf) or CSV file to import."));
    resize(820, 520);
}

bool TfrmImportContacts::chooseFile()
{
    const QString file = app::prompts().openFileName(this, windowTitle(), QFileInfo(m_fileName).path(),
        tr("Contact files (*.vcf *.vcard *.csv *.tsv *.txt);;All files (*)"));
    return !file.isEmpty() && loadFile(file);
}

bool TfrmImportContacts::loadFile(const QString& file)
{
    std::ifstream in(file.toStdString(), std::ios::binary);
    std::ostringstream bytes;
    if (in)
        bytes << in.rdbuf();
    if (!in) {
        app::prompts().showError(this, windowTitle(), tr("The file %1 could not be opened").arg(file));
        return false;
    }
    m_fileName = file;
    m_bytes = bytes.str();
    const std::string charset = m_options.charset;
    m_options = {};
    m_summary->clear();
    try {
        m_options.format = exchange::detectFormat(m_bytes, QFileInfo(file).fileName().toStdString());
        // The character set chosen for one CSV file is likely that of the next from the same place.
        const bool csv = *m_options.format == exchange::ExchangeFormat::Csv;
        m_charset->setEnabled(csv);
        if (csv)
            m_options.charset = charset;
        m_read = exchange::readContactsFile(m_bytes, m_options, QFileInfo(file).fileName().toStdString());
    } catch (const std::exception& error) {
        app::prompts().showError(this, windowTitle(), QString::fromStdString(error.what()));
        m_read = {};
        m_bytes.clear();
        showPreview();
        return false;
    }
    m_autoTargets = m_read.mapping ? m_read.mapping->targets : std::vector<std::string>();
    showPreview();
    return true;
}

void TfrmImportContacts::reread()
{
    try {
        m_read = exchange::readContactsFile(m_bytes, m_options, QFileInfo(m_fileName).fileName().toStdString());
    } catch (const std::exception& error) {
        // What was read before no longer stands for the file: nothing is left to import.
        m_read = {};
        m_read.format = m_options.format.value_or(exchange::ExchangeFormat::Csv);
        app::prompts().showError(this, windowTitle(), QString::fromStdString(error.what()));
    }
}

void TfrmImportContacts::setCharset(const QString& name)
{
    const std::string charset = name.trimmed().toStdString();
    if (charset == m_options.charset)
        return;
    m_options.charset = charset;
    if (m_bytes.empty() || m_options.format != exchange::ExchangeFormat::Csv)
        return;
    reread();
    // The header row reads differently in another character set, and with it the mapping.
    m_autoTargets = m_read.mapping ? m_read.mapping->targets : std::vector<std::string>();
    m_summary->clear();
    showPreview();
}

void TfrmImportContacts::showPreview()
{
    m_filling = true;
    m_combos.clear();
    m_preview->clear();
    m_preview->setRowCount(0);
    m_preview->setColumnCount(0);
    if (m_bytes.empty() && m_read.records.empty()) {
        m_fileLabel->setText(tr("Choose a vCard (.vcf) or CSV file to import."));
    } else {
        if (m_read.format == exchange::ExchangeFormat::Csv)
            showCsvPreview();
        else
            showVCardPreview();
        m_fileLabel->setText(tr("%1: %2, %n record(s)", nullptr, int(m_read.records.size()))
                                 .arg(QDir::toNativeSeparators(m_fileName), QString::fromStdString(m_read.layout)));
    }
    m_filling = false;
    m_dryRun->setEnabled(!m_read.records.empty());
    m_import->setEnabled(!m_read.records.empty());
}

void TfrmImportContacts::showVCardPreview()
{
    m_preview->setColumnCount(4);
    m_preview->setHorizontalHeaderLabels({ tr("Name"), tr("Company"), tr("E-mail"), tr("Phone") });
    const int rows = std::min<int>(previewRecords, int(m_read.records.size()));
    m_preview->setRowCount(rows);
    for (int row = 0; row < rows; ++row) {
        const exchange::ContactCard& card = m_read.records[std::size_t(row)].card;
        QString name = field(card, "LName");
        const QString first = field(card, "FName");
        if (!first.isEmpty())
            name += (name.isEmpty() ? QString() : QStringLiteral(", ")) + first;
        m_preview->setItem(row, 0, readOnly(name));
        m_preview->setItem(row, 1, readOnly(field(card, "Company")));
        m_preview->setItem(row, 2, readOnly(field(card, "EMail")));
        m_preview->setItem(row, 3, readOnly(field(card, "Phone1")));
    }
    m_preview->resizeColumnsToContents();
}

void TfrmImportContacts::showCsvPreview()
{
    if (!m_read.mapping)
        return;
    const exchange::CsvMapping& mapping = *m_read.mapping;
    // The cells as the file has them: the mapping is judged against what is really there.
    const exchange::CsvParse parse = exchange::parseCsv(exchange::decodeCsvText(m_bytes, m_options.charset));
    const int columns = int(mapping.header.size());
    const std::size_t first = mapping.headerRow ? 1 : 0;
    const int rows
        = int(std::min<std::size_t>(previewRecords, parse.records.size() - std::min(first, parse.records.size())));
    m_preview->setColumnCount(columns);
    m_preview->setRowCount(rows + 1);
    QStringList header;
    for (const std::string& title : mapping.header)
        header << QString::fromStdString(title);
    m_preview->setHorizontalHeaderLabels(header);
    m_preview->setVerticalHeaderItem(0, new QTableWidgetItem(tr("Field")));
    for (int column = 0; column < columns; ++column) {
        auto* combo = new QComboBox(m_preview);
        combo->setObjectName(QStringLiteral("cmbColumn%1").arg(column));
        combo->addItem(targetLabel({}), QString());
        combo->addItem(targetLabel("#name"), QStringLiteral("#name"));
        combo->addItem(targetLabel("#categories"), QStringLiteral("#categories"));
        for (const data::FieldDef& f : data::tableDef("Contacts").fields)
            if (f.type != data::FieldType::AutoInc)
                combo->addItem(QString::fromStdString(f.caption()), QString::fromStdString(f.name));
        const std::string& target = mapping.targets[std::size_t(column)];
        const QString data = QString::fromStdString(target);
        if (combo->findData(data) < 0)
            combo->addItem(targetLabel(target), data); // a part of a field the header row named
        // The choice made first (read from the header) stays on offer after a change.
        if (std::size_t(column) < m_autoTargets.size()) {
            const QString automatic = QString::fromStdString(m_autoTargets[std::size_t(column)]);
            if (combo->findData(automatic) < 0)
                combo->addItem(targetLabel(m_autoTargets[std::size_t(column)]), automatic);
        }
        combo->setCurrentIndex(combo->findData(data));
        connect(combo, &QComboBox::currentIndexChanged, this, [this, column] { columnChanged(column); });
        m_preview->setCellWidget(0, column, combo);
        m_combos.push_back(combo);
    }
    for (int row = 0; row < rows; ++row) {
        const std::vector<std::string>& cells = parse.records[first + std::size_t(row)].cells;
        for (int column = 0; column < columns && column < int(cells.size()); ++column)
            m_preview->setItem(row + 1, column, readOnly(QString::fromStdString(cells[std::size_t(column)])));
    }
    m_preview->resizeColumnsToContents();
}

QComboBox* TfrmImportContacts::columnCombo(int column) const
{
    return column >= 0 && column < int(m_combos.size()) ? m_combos[std::size_t(column)] : nullptr;
}

bool TfrmImportContacts::mapColumn(int column, const QString& target)
{
    QComboBox* combo = columnCombo(column);
    const int index = combo ? combo->findData(target) : -1;
    if (index < 0)
        return false;
    combo->setCurrentIndex(index);
    return true;
}

void TfrmImportContacts::columnChanged(int column)
{
    if (m_filling)
        return;
    const std::string target = m_combos[std::size_t(column)]->currentData().toString().toStdString();
    // The choices are kept as FIELD=COLUMN pairs, the way the command line gives them, so the
    // file is read again by the same rules; a later choice for a field wins over an earlier one.
    std::string fieldName = target;
    if (target == "#name")
        fieldName = "name";
    else if (target == "#categories")
        fieldName = "categories";
    const std::string columnNumber = std::to_string(column + 1);
    std::erase_if(m_options.map, [&](const auto& pair) { return pair.second == columnNumber; });
    if (std::size_t(column) >= m_autoTargets.size() || m_autoTargets[std::size_t(column)] != target)
        m_options.map.emplace_back(fieldName, columnNumber);
    reread();
    m_summary->clear();
    showPreview();
}

bool TfrmImportContacts::runImport(bool dryRun)
{
    data::Database* database = m_data.currentDatabase();
    if (!database || m_read.records.empty())
        return false;
    if (!dryRun && beforeImport && !beforeImport())
        return false;
    QProgressDialog progress(dryRun ? tr("Trying the import...") : tr("Importing contacts..."), QString(), 0,
        int(m_read.records.size()), this);
    progress.setWindowTitle(windowTitle());
    progress.setMinimumDuration(300);
    progress.setWindowModality(Qt::WindowModal);
    try {
        const exchange::ImportResult result
            = exchange::importContacts(database->sql(), m_read, dryRun, [&progress](std::size_t done, std::size_t) {
                  progress.setValue(int(done));
                  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
              });
        progress.reset();
        showSummary(result);
        if (!dryRun && result.inserted + result.updated > 0)
            emit imported();
    } catch (const std::exception& error) {
        progress.reset();
        app::prompts().showError(this, windowTitle(), QString::fromStdString(error.what()));
        return false;
    }
    return true;
}

void TfrmImportContacts::showSummary(const exchange::ImportResult& result)
{
    QStringList lines;
    lines << (result.dryRun ? tr("Dry run, nothing was stored: %1 would be added, %2 updated, %3 skipped (already "
                                 "there), %4 in error.")
                            : tr("%1 added, %2 updated, %3 skipped (already there), %4 in error."))
                 .arg(result.inserted)
                 .arg(result.updated)
                 .arg(result.unchanged)
                 .arg(m_read.problems.size());
    const QString unit = m_read.format == exchange::ExchangeFormat::VCard ? tr("card") : tr("record");
    for (const exchange::ImportProblem& problem : m_read.problems) {
        QString where;
        if (problem.record)
            where = tr("%1 %2, ").arg(unit).arg(problem.record);
        where += tr("line %1: ").arg(problem.line);
        lines << where + QString::fromStdString(problem.message);
    }
    m_summary->setPlainText(lines.join(QLatin1Char('\n')));
}

QString TfrmImportContacts::summaryText() const
{
    return m_summary->toPlainText();
}

} // namespace pelmora::records
