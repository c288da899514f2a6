#pragma once

#include <QDialog>

class QTableView;

namespace pelmora::records {

// The labels of the twenty user fields: the field names are fixed, the user types the labels.
class TfrmDefMore : public QDialog {
    Q_OBJECT
public:
    explicit TfrmDefMore(QWidget* parent = nullptr);

    QTableView* grid() const { return m_grid; }

private:
    QTableView* m_grid;
};

} // namespace pelmora::records
