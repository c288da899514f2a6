#pragma once

#include <QDialog>

class QPushButton;
class QTableView;

namespace pelmora::records {

// The shape the short lists share (categories, departments, job titles, activity names): "Add"
// and "Delete" over a one-column grid, OK and Cancel below. Each list is a small subclass that
// names its window, column and delete question.
class TLookupListForm : public QDialog {
    Q_OBJECT
public:
    QTableView* grid() const { return m_grid; }
    QPushButton* addButton() const { return m_add; }
    QPushButton* deleteButton() const { return m_delete; }
    // The question asked before an entry is deleted.
    QString deleteQuestion() const { return m_deleteQuestion; }

protected:
    TLookupListForm(const QString& objectName, const QString& caption, const QString& columnTitle,
        const QString& deleteQuestion, QWidget* parent);

private:
    QTableView* m_grid;
    QPushButton* m_add;
    QPushButton* m_delete;
    QString m_deleteQuestion;
};

} // namespace pelmora::records
