#pragma once

#include <QDialog>

#include <string>
#include <utility>
#include <vector>

class QComboBox;
class QLineEdit;

namespace pelmora::app {

class TDataSource;

// "Search" over a list window's own view: the user picks the field to search by and types the
// start of a value; the list's cursor moves to the first record that matches as the text grows
// (case ignored). OK keeps that record; Cancel returns to the one current before.
class TfrmListSearch : public QDialog {
    Q_OBJECT
public:
    // `fields`: field name and the title the user reads, in the order offered.
    TfrmListSearch(
        TDataSource* source, const std::vector<std::pair<std::string, QString>>& fields, QWidget* parent = nullptr);

    QComboBox* fieldList() const { return m_fields; }
    QLineEdit* searchEdit() const { return m_edit; }
    // Moves to the first record whose chosen field starts with `text`; false when none does.
    bool searchFor(const QString& text);

    void reject() override;

private:
    TDataSource* m_source;
    std::vector<std::string> m_names;
    std::int64_t m_startRowId = 0;
    bool m_hadRecord = false;
    QComboBox* m_fields;
    QLineEdit* m_edit;
};

} // namespace pelmora::app
