#pragma once

#include <QDialog>

class QLineEdit;

namespace pelmora::data {
class TableView;
}

namespace pelmora::app {

class TDBGrid;
class TDataSource;

// "Search": every contact in the contact view's order, read through a second cursor so that
// browsing here leaves the main window alone. Typing moves to the first contact whose value in
// the ordering field starts with the text; OK makes the chosen contact the main window's.
class TfrmSearch : public QDialog {
    Q_OBJECT
public:
    TfrmSearch(data::TableView& searchView, TDataSource* contacts, QWidget* parent = nullptr);

    QLineEdit* searchEdit() const { return m_edit; }
    TDBGrid* grid() const { return m_grid; }
    // Moves to the first contact starting with `text` in the ordering field; false when none does.
    bool searchFor(const QString& text);

    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    data::TableView& m_search;
    TDataSource* m_contacts;
    TDataSource* m_source;
    QLineEdit* m_edit;
    TDBGrid* m_grid;
};

} // namespace pelmora::app
