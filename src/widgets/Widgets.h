#pragma once

#include <QString>

#include <vector>

class QLayout;
class QIcon;
class QLabel;
class QPushButton;
class QTableView;
class QWidget;

namespace pelmora::app {

// A grid column: its title and its width in characters of the grid's font.
struct GridColumn {
    QString title;
    int widthChars;
};

// Gives a grid its columns (bold, centred titles; widths in characters) and the program's usual
// behaviour: whole rows selected, no row numbers. Until a data source is attached the grid
// shows its titles over an empty model.
void setUpGrid(QTableView* grid, const std::vector<GridColumn>& columns);

// The pixel width of `chars` average characters in `widget`'s font, plus the cell's margins.
int charsToPixels(const QWidget* widget, int chars);

// A push button of a page's button row, named for tests and shortcuts, with its hint.
QPushButton* addButton(QLayout* row, const QString& objectName, const QString& text, const QString& hint = {});

// A bold label as the windows use for field captions.
QLabel* boldLabel(const QString& text, QWidget* parent);

// Small glyphs drawn at run time, so they stay crisp at any scale.
QIcon calendarGlyph();

} // namespace pelmora::app
