#pragma once

#include <QDialog>

#include <memory>

class QPushButton;

namespace pelmora::app {
class TDBGrid;
class TDataSource;
} // namespace pelmora::app

namespace pelmora::data {
class Transaction;
}

namespace pelmora::records {

// The shape the short lists share (categories, departments, job titles, activity names): "Add"
// and "Delete" over a one-column grid, OK and Cancel below. Each list is a small subclass that
// names its window, column and delete question.
class TLookupListForm : public QDialog {
    Q_OBJECT
public:
    ~TLookupListForm() override;
    app::TDBGrid* grid() const { return m_grid; }
    QPushButton* addButton() const { return m_add; }
    QPushButton* deleteButton() const { return m_delete; }
    // The question asked before an entry is deleted.
    QString deleteQuestion() const { return m_deleteQuestion; }

    // Shows and edits the entries of `source`'s view (its one column is `field`).
    void setDataSource(app::TDataSource* source, const std::string& field);

    // Starts a new entry at the current position and opens its cell, where the user types it;
    // an entry left empty is dropped when the user leaves it.
    void addEntry();
    void deleteEntry();
    // Stores what is typed (an empty new entry is dropped) and closes with OK; an entry the
    // engine refuses keeps the window open, in edit, with the engine's message shown.
    void accept() override;
    // Closes with Cancel (also Esc and the close box): every add, rename and delete of this
    // visit is undone, since a list entry typed over by mistake is otherwise lost for good.
    void reject() override;
    void done(int result) override;

protected:
    void showEvent(QShowEvent* event) override;

    TLookupListForm(const QString& objectName, const QString& caption, const QString& columnTitle,
        const QString& deleteQuestion, QWidget* parent);

private:
    app::TDBGrid* m_grid;
    app::TDataSource* m_source = nullptr;
    std::string m_field;
    QPushButton* m_add;
    QPushButton* m_delete;
    QString m_deleteQuestion;
    // What this visit changed, held open until OK commits it or Cancel rolls it back.
    std::unique_ptr<data::Transaction> m_visit;
    void endVisit(bool keep);
};

} // namespace pelmora::records
