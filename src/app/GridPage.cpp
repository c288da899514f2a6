#include "app/GridPage.h"

#include "app/TDBGrid.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

namespace pelmora::app {

GridPage::GridPage(
    const QString& objectName, const QString& gridName, const std::vector<GridColumn>& columns, QWidget* parent)
    : QWidget(parent)
    , m_layout(new QVBoxLayout(this))
    , m_buttons(new QHBoxLayout)
    , m_grid(new TDBGrid(this))
{
    setObjectName(objectName);
    m_grid->setObjectName(gridName);
    setUpGrid(m_grid, columns);
    m_layout->addLayout(m_buttons);
    m_layout->addWidget(m_grid, 1);
}

} // namespace pelmora::app
