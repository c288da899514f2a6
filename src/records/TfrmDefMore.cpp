#include "records/TfrmDefMore.h"

#include "app/Widgets.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QTableView>
#include <QVBoxLayout>

namespace pelmora::records {

TfrmDefMore::TfrmDefMore(QWidget* parent)
    : QDialog(parent)
    , m_grid(new QTableView(this))
{
    setObjectName(QStringLiteral("TfrmDefMore"));
    setWindowTitle(tr("Define User Fields"));
    m_grid->setObjectName(QStringLiteral("Grid"));
    app::setUpGrid(m_grid, { { tr("Field"), 12 }, { tr("Name"), 30 } });
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_grid, 1);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(360, 480);
}

} // namespace pelmora::records
