#include "records/TLookupListForm.h"

#include "app/Widgets.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace pelmora::records {

TLookupListForm::TLookupListForm(const QString& objectName, const QString& caption, const QString& columnTitle,
    const QString& deleteQuestion, QWidget* parent)
    : QDialog(parent)
    , m_grid(new QTableView(this))
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
    m_grid->setEditTriggers(QAbstractItemView::AllEditTriggers);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_grid, 1);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(320, 360);
}

} // namespace pelmora::records
