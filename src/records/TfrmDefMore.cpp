#include "records/TfrmDefMore.h"

#include "widgets/TDataSource.h"
#include "widgets/TDBGrid.h"
#include "widgets/Widgets.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QVBoxLayout>

namespace pelmora::records {

TfrmDefMore::TfrmDefMore(QWidget* parent)
    : QDialog(parent)
    , m_grid(new app::TDBGrid(this))
{
    setObjectName(QStringLiteral("TfrmDefMore"));
    setWindowTitle(tr("Define User Fields"));
    m_grid->setObjectName(QStringLiteral("Grid"));
    app::setUpGrid(m_grid, { { tr("Field"), 12 }, { tr("Name"), 30 } });
    m_grid->horizontalHeader()->setStretchLastSection(true);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_grid->setTabKeyNavigation(true); // Tab goes on to the next label
    m_grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked
        | QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
    m_grid->setReadOnlyField("RealName");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_grid, 1);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmDefMore::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    resize(360, 480);
}

void TfrmDefMore::setDataSource(app::TDataSource* source)
{
    m_source = source;
    m_grid->setDataSource(source, { { "RealName", 12 }, { "NikName", 30 } });
    m_grid->horizontalHeader()->setStretchLastSection(true);
    // Tall enough for every field at once, as far as a small (600 pixels) screen allows; the
    // grid scrolls for the rest.
    const int rows = m_grid->verticalHeader()->length() + m_grid->horizontalHeader()->sizeHint().height();
    m_grid->setMinimumHeight(qMin(rows + 2 * m_grid->frameWidth(), 420));
    resize(width(), sizeHint().height());
}

void TfrmDefMore::accept()
{
    if (m_source) {
        m_grid->commitEditing();
        if (!m_source->post(this))
            return; // the engine's message was shown; the label stays in edit to be mended
    }
    QDialog::accept();
}

} // namespace pelmora::records
