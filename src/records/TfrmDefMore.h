#pragma once

#include <QDialog>

namespace pelmora::app {
class TDBGrid;
class TDataSource;
} // namespace pelmora::app

namespace pelmora::records {

// The labels of the twenty user fields: the field names are fixed, the user types the labels.
// No row is added or deleted here, since the rows are the contact table's own fields.
class TfrmDefMore : public QDialog {
    Q_OBJECT
public:
    explicit TfrmDefMore(QWidget* parent = nullptr);

    app::TDBGrid* grid() const { return m_grid; }
    // Shows and edits the rows of `source`'s view over the field-name table.
    void setDataSource(app::TDataSource* source);

    // Stores the label being typed and closes with OK; a label the engine refuses keeps the
    // window open with the engine's message shown.
    void accept() override;

private:
    app::TDBGrid* m_grid;
    app::TDataSource* m_source = nullptr;
};

} // namespace pelmora::records
