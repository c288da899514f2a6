#pragma once

#include <QDialog>

class QComboBox;

namespace pelmora::data {
class TableView;
}

namespace pelmora::app {

// "Sort By": the fields the contacts have an index on; choosing one orders the contact view by
// it at once, OK and Cancel only close the dialog.
class Tfrmsort : public QDialog {
    Q_OBJECT
public:
    explicit Tfrmsort(data::TableView* contacts = nullptr, QWidget* parent = nullptr);

    QComboBox* fieldList() const { return m_fields; }

private:
    void sortBy(int entry);

    data::TableView* m_contacts;
    QComboBox* m_fields;
    QStringList m_indexNames; // the index used for each entry
};

} // namespace pelmora::app
