#include "app/GridPage.h"

#include "widgets/FlowLayout.h"
#include "widgets/TDBGrid.h"

#include <QVBoxLayout>

namespace pelmora::app {

GridPage::GridPage(
    const QString& objectName, const QString& gridName, const std::vector<GridColumn>& columns, QWidget* parent)
    : QWidget(parent)
    , m_layout(new QVBoxLayout(this))
    , m_buttons(new FlowLayout)
    , m_grid(new TDBGrid(this))
{
    setObjectName(objectName);
    m_grid->setObjectName(gridName);
    setUpGrid(m_grid, columns);
    // The rows of the E-Mail and Activities pages are wider than a small screen: rather than hold
    // the window wider than the screen, or scroll buttons out of sight, they wrap.
    auto* row = new QWidget(this);
    row->setObjectName(QStringLiteral("ButtonRow"));
    m_buttons->setContentsMargins(0, 0, 0, 0);
    row->setLayout(m_buttons);
    m_layout->addWidget(row);
    m_layout->addWidget(m_grid, 1);
}

} // namespace pelmora::app
