#include "records/TLookupListForm.h"

#include "data/SqlDatabase.h"
#include "data/TableView.h"
#include "widgets/Prompts.h"
#include "widgets/TableModel.h"
#include "widgets/TDataSource.h"
#include "widgets/TDBGrid.h"
#include "widgets/Widgets.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

namespace pelmora::records {

TLookupListForm::TLookupListForm(const QString& objectName, const QString& caption, const QString& columnTitle,
    const QString& deleteQuestion, QWidget* parent)
    : QDialog(parent)
    , m_grid(new app::TDBGrid(this))
    , m_deleteQuestion(deleteQuestion)
{
    setObjectName(objectName);
    setWindowTitle(caption);
    auto* top = new QHBoxLayout;
    m_add = app::addButton(top, QStringLiteral("btnAdd"), tr("Add"));
    m_delete = app::addButton(top, QStringLiteral("btnDelete"), tr("Delete"));
    top->addStretch(1);
    // Entries are kept in the database; until one is open there is nothing to add or delete.
    m_add->setEnabled(false);
    m_delete->setEnabled(false);

    m_grid->setObjectName(QStringLiteral("Grid"));
    app::setUpGrid(m_grid, { { columnTitle, 30 } });
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->setTabKeyNavigation(true); // Tab moves between cells while an entry is typed
    m_grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked
        | QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    m_grid->setInsertInPlace(true);
    m_grid->setDeleteFromKeyboard(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_grid, 1);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &TLookupListForm::accept);
    connect(m_add, &QPushButton::clicked, this, &TLookupListForm::addEntry);
    connect(m_delete, &QPushButton::clicked, this, &TLookupListForm::deleteEntry);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(320, 360);
}

// A window closed without OK or Cancel (the program ending) keeps nothing of the visit; its
// data source may be gone already, so nothing is read again.
TLookupListForm::~TLookupListForm() = default;

void TLookupListForm::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (m_visit || !m_source || !m_source->view().database())
        return;
    data::TableView& view = m_source->view();
    m_source->guarded(this, [&] { m_visit = std::make_unique<data::Transaction>(view.database()->sql()); });
}

void TLookupListForm::endVisit(bool keep)
{
    if (!m_visit)
        return;
    std::unique_ptr<data::Transaction> visit = std::move(m_visit);
    if (keep) {
        m_source->guarded(this, [&] { visit->commit(); });
        return;
    }
    visit.reset(); // rolls back
    // The view still holds the rows it read inside the visit.
    if (m_source && m_source->view().isOpen())
        m_source->guarded(this, [this] { m_source->view().refresh(); });
}

void TLookupListForm::done(int result)
{
    endVisit(result == QDialog::Accepted);
    QDialog::done(result);
}

void TLookupListForm::setDataSource(app::TDataSource* source, const std::string& field)
{
    m_source = source;
    m_field = field;
    m_grid->setDataSource(source, { { field, 30 } });
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_add->setEnabled(true);
    m_delete->setEnabled(true);
}

void TLookupListForm::addEntry()
{
    if (!m_source)
        return;
    m_grid->commitEditing();
    m_grid->dropUnchangedInsert();
    if (!m_source->post(this))
        return; // the entry being typed was refused: it stays to be mended
    if (!m_source->guarded(this, [this] { m_source->view().insert(); }))
        return;
    const int row = m_grid->tableModel()->insertRow();
    const int column = qMax(0, m_grid->tableModel()->columnOf(m_field));
    m_grid->setFocus();
    if (row >= 0) {
        const QModelIndex cell = m_grid->model()->index(row, column);
        m_grid->setCurrentIndex(cell);
        m_grid->edit(cell);
    }
}

void TLookupListForm::deleteEntry()
{
    if (!m_source || !m_source->view().isOpen() || m_source->view().isEmpty())
        return;
    if (!app::prompts().askYesNo(this, windowTitle(), m_deleteQuestion))
        return;
    m_source->guarded(this, [this] { m_source->view().remove(); });
}

void TLookupListForm::accept()
{
    if (m_source) {
        m_grid->commitEditing();
        m_grid->dropUnchangedInsert();
        if (!m_source->post(this))
            return; // the engine's message was shown; the entry stays in edit to be mended
    }
    QDialog::accept();
}

void TLookupListForm::reject()
{
    if (m_source) {
        m_grid->commitEditing();
        m_source->view().cancel();
    }
    QDialog::reject();
}

} // namespace pelmora::records
