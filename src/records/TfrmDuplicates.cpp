#include "records/TfrmDuplicates.h"

#include "data/Schema.h"
#include "data/TfrmDataModule.h"
#include "widgets/Prompts.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>

#include <chrono>
#include <future>

namespace pelmora::records {

namespace {

constexpr int kKeepColumn = 1;
constexpr int kOtherColumn = 2;

QString fieldLabel(const std::string& name)
{
    const data::FieldDef* field = data::tableDef("Contacts").field(name);
    return QString::fromStdString(field && !field->label.empty() ? field->label : name);
}

QTableWidgetItem* readOnly(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    return item;
}

} // namespace

TfrmDuplicates::TfrmDuplicates(data::TfrmDataModule& data, QWidget* parent)
    : QDialog(parent)
    , m_data(data)
{
    setObjectName(QStringLiteral("TfrmDuplicates"));
    setWindowTitle(tr("Find Duplicates"));
    resize(820, 600);
    auto* layout = new QVBoxLayout(this);
    m_summary = new QLabel(this);
    layout->addWidget(m_summary);

    auto* split = new QSplitter(Qt::Vertical, this);
    m_pairs = new QTableWidget(0, 3, split);
    m_pairs->setObjectName(QStringLiteral("grdPairs"));
    m_pairs->setHorizontalHeaderLabels({ tr("Contact"), tr("Probably the same as"), tr("Because") });
    m_pairs->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_pairs->setSelectionMode(QAbstractItemView::SingleSelection);
    m_pairs->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_pairs->horizontalHeader()->setStretchLastSection(true);
    m_pairs->verticalHeader()->hide();
    m_fields = new QTableWidget(0, 3, split);
    m_fields->setObjectName(QStringLiteral("grdFields"));
    m_fields->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_fields->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_fields->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_fields->verticalHeader()->hide();
    split->addWidget(m_pairs);
    split->addWidget(m_fields);
    split->setStretchFactor(0, 1);
    split->setStretchFactor(1, 2);
    layout->addWidget(split, 1);

    auto* buttons = new QDialogButtonBox(this);
    auto* again = buttons->addButton(tr("Find &Again"), QDialogButtonBox::ActionRole);
    m_swap = buttons->addButton(tr("&Swap"), QDialogButtonBox::ActionRole);
    m_swap->setToolTip(tr("Keep the other contact instead"));
    m_merge = buttons->addButton(tr("&Merge"), QDialogButtonBox::ActionRole);
    m_merge->setObjectName(QStringLiteral("btnMerge"));
    m_merge->setToolTip(tr("Merge the right-hand contact into the left-hand one, with the values ticked"));
    buttons->addButton(QDialogButtonBox::Close);
    layout->addWidget(buttons);

    connect(again, &QPushButton::clicked, this, &TfrmDuplicates::findPairs);
    connect(m_swap, &QPushButton::clicked, this, &TfrmDuplicates::swapSides);
    connect(m_merge, &QPushButton::clicked, this, &TfrmDuplicates::mergeShown);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(m_pairs, &QTableWidget::currentCellChanged, this, [this](int row) { showPair(row); });
    connect(m_fields, &QTableWidget::itemChanged, this, [this](QTableWidgetItem* item) {
        if (m_filling || (item->column() != kKeepColumn && item->column() != kOtherColumn))
            return;
        // One side of each field is always ticked: ticking one unticks the other, and unticking
        // one ticks the other.
        const bool other = (item->column() == kOtherColumn) == (item->checkState() == Qt::Checked);
        choose(m_fields->item(item->row(), 0)->data(Qt::UserRole).toString(),
            other ? exchange::MergeSide::Other : exchange::MergeSide::Keep);
    });
    showPair(-1);
}

void TfrmDuplicates::findPairs()
{
    data::Database* database = m_data.currentDatabase();
    if (!database)
        return;
    std::vector<exchange::ContactKeys> keys;
    try {
        keys = exchange::readContactKeys(database->sql());
    } catch (const std::exception& error) {
        app::prompts().showError(this, windowTitle(), QString::fromStdString(error.what()));
        return;
    }
    QProgressDialog progress(tr("Looking for contacts that are probably the same..."), QString(), 0, 0, this);
    progress.setWindowTitle(windowTitle());
    progress.setMinimumDuration(300);
    progress.setWindowModality(Qt::WindowModal);
    // The search works on its own copy of the keys, so the window's loop can run meanwhile.
    auto work = std::async(std::launch::async, [&keys] { return exchange::findDuplicates(keys); });
    while (work.wait_for(std::chrono::milliseconds(20)) != std::future_status::ready) {
        progress.setValue(0);
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
    m_found = work.get();
    progress.reset();

    std::map<std::int64_t, QString> names;
    for (const exchange::ContactKeys& k : keys) {
        QString name = QString::fromStdString(k.lastName);
        if (!k.firstName.empty())
            name += (name.isEmpty() ? QString() : QStringLiteral(", ")) + QString::fromStdString(k.firstName);
        if (!k.company.empty())
            name += (name.isEmpty() ? QString() : QStringLiteral(" - ")) + QString::fromStdString(k.company);
        names[k.counter] = name.isEmpty() ? tr("(contact %1)").arg(k.counter) : name;
    }
    m_pairs->setRowCount(int(m_found.size()));
    for (int row = 0; row < int(m_found.size()); ++row) {
        const exchange::DuplicatePair& pair = m_found[size_t(row)];
        QStringList reasons;
        for (const exchange::DuplicateReason& reason : pair.reasons)
            reasons << QString::fromStdString(exchange::reasonText(reason));
        m_pairs->setItem(row, 0, readOnly(names[pair.first]));
        m_pairs->setItem(row, 1, readOnly(names[pair.second]));
        m_pairs->setItem(row, 2, readOnly(reasons.join(QStringLiteral("; "))));
    }
    m_pairs->resizeColumnsToContents();
    m_summary->setText(m_found.empty()
            ? tr("No contacts look like duplicates.")
            : tr("%n pair(s) of contacts look like duplicates.", nullptr, int(m_found.size())));
    if (m_found.empty())
        showPair(-1);
    else
        m_pairs->setCurrentCell(0, 0);
}

void TfrmDuplicates::showPair(int row)
{
    if (row < 0 || row >= int(m_found.size())) {
        m_keep = m_other = 0;
        m_plan.clear();
    } else {
        m_keep = m_found[size_t(row)].first;
        m_other = m_found[size_t(row)].second;
        m_plan.clear();
        if (data::Database* database = m_data.currentDatabase()) {
            try {
                m_plan = exchange::planMerge(database->sql(), m_keep, m_other);
            } catch (const std::exception& error) {
                app::prompts().showError(this, windowTitle(), QString::fromStdString(error.what()));
            }
        }
    }
    showFields();
}

void TfrmDuplicates::showFields()
{
    m_filling = true;
    m_fields->setRowCount(0);
    m_fields->setHorizontalHeaderLabels({ tr("Field"), m_keep ? tr("Keep contact %1").arg(m_keep) : tr("Keep"),
        m_other ? tr("Merge contact %1 into it").arg(m_other) : tr("Merge into it") });
    m_fields->setRowCount(int(m_plan.size()));
    for (int row = 0; row < int(m_plan.size()); ++row) {
        const exchange::MergeField& field = m_plan[size_t(row)];
        QTableWidgetItem* label = readOnly(fieldLabel(field.name));
        label->setData(Qt::UserRole, QString::fromStdString(field.name));
        m_fields->setItem(row, 0, label);
        for (int column : { kKeepColumn, kOtherColumn }) {
            const bool other = column == kOtherColumn;
            auto* item = new QTableWidgetItem(QString::fromStdString(other ? field.otherValue : field.keepValue));
            item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
            item->setCheckState((field.side == exchange::MergeSide::Other) == other ? Qt::Checked : Qt::Unchecked);
            m_fields->setItem(row, column, item);
        }
        // A field blank on both sides leaves nothing to choose.
        m_fields->setRowHidden(row, field.keepValue.empty() && field.otherValue.empty());
    }
    m_filling = false;
    m_merge->setEnabled(!m_plan.empty());
    m_swap->setEnabled(!m_plan.empty());
}

void TfrmDuplicates::choose(const QString& field, exchange::MergeSide side)
{
    for (int row = 0; row < int(m_plan.size()); ++row) {
        if (QString::fromStdString(m_plan[size_t(row)].name).compare(field, Qt::CaseInsensitive) != 0)
            continue;
        m_plan[size_t(row)].side = side;
        m_filling = true;
        m_fields->item(row, kKeepColumn)
            ->setCheckState(side == exchange::MergeSide::Keep ? Qt::Checked : Qt::Unchecked);
        m_fields->item(row, kOtherColumn)
            ->setCheckState(side == exchange::MergeSide::Other ? Qt::Checked : Qt::Unchecked);
        m_filling = false;
    }
}

void TfrmDuplicates::swapSides()
{
    if (m_plan.empty())
        return;
    std::swap(m_keep, m_other);
    for (exchange::MergeField& field : m_plan) {
        std::swap(field.keepValue, field.otherValue);
        field.side = field.side == exchange::MergeSide::Keep ? exchange::MergeSide::Other : exchange::MergeSide::Keep;
    }
    showFields();
}

bool TfrmDuplicates::mergeShown()
{
    data::Database* database = m_data.currentDatabase();
    if (!database || m_plan.empty() || (beforeMerge && !beforeMerge()))
        return false;
    std::map<std::string, exchange::MergeSide> choices;
    for (const exchange::MergeField& field : m_plan)
        choices[field.name] = field.side;
    const std::int64_t keep = m_keep, other = m_other;
    try {
        exchange::mergeContacts(database->sql(), keep, other, choices);
    } catch (const std::exception& error) {
        app::prompts().showError(this, windowTitle(), QString::fromStdString(error.what()));
        return false;
    }
    // A message cut from the merged contact goes back to the one that now holds its details.
    if (m_data.clipboard().cutFrom == other)
        m_data.clipboard().cutFrom = keep;

    // Looked for anew: the other contact's pairs are now the kept one's.
    const int row = m_pairs->currentRow();
    emit merged(keep);
    findPairs();
    if (row > 0 && row < m_pairs->rowCount())
        m_pairs->setCurrentCell(row, 0);
    return true;
}

} // namespace pelmora::records
