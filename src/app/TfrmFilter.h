#pragma once

#include <QDialog>

#include <vector>

class QComboBox;
class QLineEdit;

namespace pelmora::data {
class TableView;
}

namespace pelmora::app {

// "Filter": a value for any field of the contacts; a contact passes when every field with a
// value matches it ("starts with" unless another match is chosen). OK leaves the expression in
// expression(); an empty expression means no filter.
class TfrmFilter : public QDialog {
    Q_OBJECT
public:
    explicit TfrmFilter(const data::TableView* contacts = nullptr, QWidget* parent = nullptr);

    // The filter expression of what is entered; "" when nothing is.
    QString expression() const;
    void clear();
    void setValue(const QString& field, const QString& value, bool exact = false);

    void accept() override;

private:
    struct Row {
        QString field;
        bool isText;
        QComboBox* match;
        QLineEdit* value;
    };

    std::vector<Row> m_rows;
    const data::TableView* m_contacts;
};

} // namespace pelmora::app
