#pragma once

#include "widgets/Widgets.h"

#include <QWidget>

class QVBoxLayout;

namespace pelmora::app {

class FlowLayout;
class TDBGrid;

// A page of the main window that lists one kind of the contact's detail records: a row of
// buttons over a grid. The row wraps onto a second line when the window is too narrow for it. Each page adds its own
// buttons and columns.
class GridPage : public QWidget {
    Q_OBJECT
public:
    GridPage(const QString& objectName, const QString& gridName, const std::vector<GridColumn>& columns,
        QWidget* parent = nullptr);

    TDBGrid* grid() const { return m_grid; }

protected:
    FlowLayout* buttonRow() const { return m_buttons; }
    QVBoxLayout* pageLayout() const { return m_layout; }

private:
    QVBoxLayout* m_layout;
    FlowLayout* m_buttons;
    TDBGrid* m_grid;
};

} // namespace pelmora::app
