#include "widgets/TDBGrid.h"

#include "widgets/DateText.h"
#include "widgets/GridDelegate.h"
#include "widgets/Prompts.h"
#include "widgets/TableModel.h"
#include "widgets/TDataSource.h"
#include "widgets/TfrmMemo.h"
#include "widgets/Widgets.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>

#include <memory>

namespace pelmora::app {

TDBGrid::TDBGrid(QWidget* parent)
    : QTableView(parent)
{
    setUpGrid(this, {});
    setItemDelegate(new GridDelegate(this));
    setEditTriggers(
        QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed);
}

TDBGrid::~TDBGrid()
{
    // The focus leaves the grid's children while QWidget takes them down, after this class is
    // gone: the application must not call back into it then.
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
}

void TDBGrid::setDataSource(TDataSource* source, const std::vector<std::pair<std::string, int>>& columns)
{
    QAbstractItemModel* old = model();
    m_source = source;
    m_model = new TableModel(source, columns, this);
    m_model->setCountsByPages(m_countsByPages);
    m_model->setShowsInsertRow(m_insertInPlace);
    m_model->setMarksOrderTitle(m_titleSort);
    for (const std::string& name : m_readOnlyFields)
        m_model->setReadOnly(name);
    setModel(m_model);
    if (old && old->parent() == this)
        old->deleteLater();
    for (int c = 0; c < m_model->columnCount(); ++c)
        setColumnWidth(c, columnPixels(c));
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this, &TDBGrid::rowChosen);
    connect(this, &QTableView::pressed, this, &TDBGrid::cellPressed, Qt::UniqueConnection);
    connect(this, &QTableView::doubleClicked, this, &TDBGrid::cellDoubleClicked, Qt::UniqueConnection);
    connect(source, &TDataSource::currentChanged, this, &TDBGrid::followCurrent);
    // The records are read anew (a filter, an order): the cursor stays in the column it was in.
    auto column = std::make_shared<int>(-1);
    connect(m_model, &QAbstractItemModel::modelAboutToBeReset, this, [this, column] {
        if (currentIndex().isValid())
            *column = currentIndex().column();
    });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this, column] {
        followCurrent();
        const QModelIndex current = currentIndex();
        if (current.isValid() && *column > 0 && *column < m_model->columnCount() && current.column() != *column)
            setCurrentIndex(m_model->index(current.row(), *column));
    });
    connect(m_model, &QAbstractItemModel::rowsInserted, this, &TDBGrid::followCurrent);
    followCurrent();
}

// The width in characters, widened where a date or the bold title would not fit in it: digits
// and bold letters are wider than the font's average character.
int TDBGrid::columnPixels(int column) const
{
    constexpr int padding = 12;
    int pixels = charsToPixels(this, m_model->widthChars(column));
    const QString title = m_model->headerData(column, Qt::Horizontal).toString();
    pixels = qMax(pixels, QFontMetrics(horizontalHeader()->font()).horizontalAdvance(title) + padding);
    const data::ViewField& field = m_model->field(column);
    if (field.type == data::FieldType::Date)
        pixels = qMax(pixels, fontMetrics().horizontalAdvance(dateText(QDate(2000, 12, 28))) + padding);
    if (field.type == data::FieldType::Date && isButtonField(field.name))
        pixels += buttonRect(QRect(0, 0, pixels, verticalHeader()->defaultSectionSize())).width();
    return pixels;
}

void TDBGrid::setTitleSort(bool on)
{
    if (on && !m_titleSort) {
        connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
            if (m_model && column >= 0 && column < m_model->columnCount())
                sortByField(m_model->field(column).name);
        });
        horizontalHeader()->setSectionsClickable(true);
        // The blue title is drawn from the model's brushes, which only a plain header honours.
        horizontalHeader()->setHighlightSections(false);
    }
    m_titleSort = on;
    if (m_model)
        m_model->setMarksOrderTitle(on);
}

bool TDBGrid::sortByField(const std::string& fieldName)
{
    if (!m_source)
        return false;
    data::TableView& view = m_source->view();
    for (const data::IndexInfo& index : view.indexes()) {
        if (!data::equalsNoCase(index.firstField, fieldName))
            continue;
        if (!m_source->post(this))
            return false;
        const bool sorted = m_source->guarded(this, [&] { view.setIndexName(index.name); });
        horizontalHeader()->viewport()->update();
        return sorted;
    }
    return false;
}

bool TDBGrid::isMemoColumn(int column) const
{
    return m_model && column >= 0 && column < m_model->columnCount()
        && m_model->field(column).type == data::FieldType::Memo;
}

void TDBGrid::editMemo(const QModelIndex& index)
{
    if (!index.isValid() || !isMemoColumn(index.column()))
        return;
    const QString title = m_model->headerData(index.column(), Qt::Horizontal).toString();
    const std::optional<QString> text = TfrmMemo::edit(window(), title, m_model->data(index, Qt::EditRole).toString());
    if (text && m_model->setData(index, *text))
        m_source->post(window());
}

void TDBGrid::moveToNextCell()
{
    const QModelIndex from = currentIndex();
    if (!m_model || !from.isValid())
        return;
    // The next cell the user may change, along the row and then on the next one; at the last
    // cell the cursor stays, since moving on would start a new record.
    const int columns = m_model->columnCount();
    int row = from.row();
    int column = from.column();
    for (int tries = 0; tries < 2 * columns; ++tries) {
        if (++column >= columns) {
            column = 0;
            ++row;
        }
        if (row >= m_model->rowCount())
            return;
        const QModelIndex cell = m_model->index(row, column);
        if ((cell.flags() & Qt::ItemIsEditable) || m_readOnlyFields.empty()) {
            setCurrentIndex(cell);
            return;
        }
    }
}

void TDBGrid::setInsertInPlace(bool on)
{
    if (on && !m_insertInPlace)
        connect(qApp, &QApplication::focusChanged, this, &TDBGrid::focusMoved);
    m_insertInPlace = on;
    if (m_model)
        m_model->setShowsInsertRow(on);
}

void TDBGrid::setReadOnlyField(const std::string& fieldName)
{
    m_readOnlyFields.insert(fieldName);
    if (m_model)
        m_model->setReadOnly(fieldName);
}

void TDBGrid::addButtonField(const std::string& fieldName)
{
    m_buttonFields.insert(fieldName);
    if (const int column = m_model ? m_model->columnOf(fieldName) : -1; column >= 0)
        setColumnWidth(column, columnPixels(column));
}

void TDBGrid::setPickList(const std::string& fieldName, std::function<QStringList()> items)
{
    m_pickLists[fieldName] = std::move(items);
}

QStringList TDBGrid::pickList(const std::string& fieldName) const
{
    auto found = m_pickLists.find(fieldName);
    return found == m_pickLists.end() ? QStringList() : found->second();
}

QRect TDBGrid::buttonRect(const QRect& cell)
{
    const int side = qMin(cell.height(), 22);
    return QRect(cell.right() - side + 1, cell.top(), side, cell.height());
}

void TDBGrid::followCurrent()
{
    if (!m_model || m_following)
        return;
    m_following = true;
    const int row = m_model->currentRow();
    const int column = qMax(0, currentIndex().column());
    if (row >= 0) {
        m_model->reveal(row);
        setCurrentIndex(m_model->index(row, column));
        scrollTo(currentIndex());
    } else {
        selectionModel()->clearCurrentIndex();
    }
    m_following = false;
    viewport()->update(); // the button cells follow the current row
}

void TDBGrid::rowChosen(const QModelIndex& current, const QModelIndex& previous)
{
    if (m_following || !current.isValid() || current.row() == previous.row())
        return;
    m_following = true;
    m_model->moveTo(current.row());
    m_following = false;
    // Back to the record that could not be left, or onto the chosen one after a dropped new row
    // moved the rows below it up.
    followCurrent();
}

void TDBGrid::cellPressed(const QModelIndex& index)
{
    if (!index.isValid())
        return;
    const data::ViewField& field = m_model->field(index.column());
    if (field.type == data::FieldType::Logical && m_clickToggles.count(field.name))
        m_model->toggle(index);
    emit cellClicked(QString::fromStdString(field.name));
}

bool TDBGrid::isLogical(const QModelIndex& index) const
{
    return m_model && index.isValid() && m_model->field(index.column()).type == data::FieldType::Logical;
}

void TDBGrid::cellDoubleClicked(const QModelIndex& index)
{
    // The press of the double click has flipped a one-click cell already.
    if (isLogical(index) && !m_clickToggles.count(m_model->field(index.column()).name))
        m_model->toggle(index);
}

QModelIndex TDBGrid::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers)
{
    const bool tab = action == MoveNext || action == MovePrevious;
    if (!tab || !m_model || m_readOnlyFields.empty() || !currentIndex().isValid())
        return QTableView::moveCursor(action, modifiers);
    const int step = action == MoveNext ? 1 : -1;
    const int columns = m_model->columnCount();
    int row = currentIndex().row();
    int column = currentIndex().column();
    for (int tries = 0; tries < 2 * columns; ++tries) {
        column += step;
        if (column >= columns || column < 0) {
            column = step > 0 ? 0 : columns - 1;
            row += step;
        }
        if (row < 0 || row >= m_model->rowCount())
            return {}; // past the last cell: the focus moves on to the next control
        const QModelIndex cell = m_model->index(row, column);
        if (cell.flags() & Qt::ItemIsEditable)
            return cell;
    }
    return {};
}

void TDBGrid::mousePressEvent(QMouseEvent* event)
{
    const QModelIndex index = indexAt(event->position().toPoint());
    if (m_model && index.isValid() && index.row() == currentIndex().row() && event->button() == Qt::LeftButton) {
        const std::string& name = m_model->field(index.column()).name;
        if (isButtonField(name) && buttonRect(visualRect(index)).contains(event->position().toPoint())) {
            event->accept();
            emit buttonClicked(QString::fromStdString(name));
            return;
        }
    }
    QTableView::mousePressEvent(event);
}

void TDBGrid::keyPressEvent(QKeyEvent* event)
{
    const bool ctrl = event->modifiers() & Qt::ControlModifier;
    if (m_model && ctrl && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && currentIndex().isValid()) {
        const std::string& name = m_model->field(currentIndex().column()).name;
        if (isButtonField(name)) {
            emit buttonClicked(QString::fromStdString(name));
            return;
        }
    }
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier && isLogical(currentIndex())) {
        m_model->toggle(currentIndex());
        return;
    }
    if (m_enterMovesNext && !ctrl && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        && state() != QAbstractItemView::EditingState) {
        moveToNextCell();
        return;
    }
    if (m_deleteFromKeyboard && ctrl && event->key() == Qt::Key_Delete) {
        deleteCurrent();
        return;
    }
    QTableView::keyPressEvent(event);
}

bool TDBGrid::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event)
{
    // The memo window takes the double-click; a one-line cell editor would show a fragment.
    if (m_memoWindows && trigger == DoubleClicked && isMemoColumn(index.column())) {
        editMemo(index);
        return true;
    }
    return QTableView::edit(index, trigger, event);
}

void TDBGrid::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint)
{
    QTableView::closeEditor(editor, hint);
    // The cell editor ends with this hint when the user pressed Enter in it.
    if (m_enterMovesNext && hint == QAbstractItemDelegate::SubmitModelCache)
        moveToNextCell();
}

void TDBGrid::commitEditing()
{
    if (state() != QAbstractItemView::EditingState)
        return;
    if (QWidget* editor = indexWidget(currentIndex())) {
        commitData(editor);
        closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void TDBGrid::dropUnchangedInsert()
{
    if (m_source && m_source->view().state() == data::ViewState::Insert && !m_source->view().modified())
        m_source->view().cancel();
}

void TDBGrid::deleteCurrent()
{
    if (!m_source || !m_source->view().isOpen() || (m_source->view().isEmpty() && !m_source->view().isEditing()))
        return;
    if (!prompts().confirm(window(), window()->windowTitle(), tr("Delete record?")))
        return;
    m_source->guarded(window(), [this] { m_source->view().remove(); });
}

bool TDBGrid::holds(const QWidget* widget) const
{
    return widget && (widget == this || isAncestorOf(widget));
}

void TDBGrid::focusMoved(QWidget* from, QWidget* to)
{
    // The cell editor has stored its text by now; a new row the user did not type into is dropped
    // as the focus goes elsewhere in the window (a window losing the focus as a whole keeps it).
    if (m_insertInPlace && holds(from) && to && !holds(to))
        dropUnchangedInsert();
}

} // namespace pelmora::app
