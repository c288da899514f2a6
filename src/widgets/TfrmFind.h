#pragma once

#include "data/Value.h"

#include <QDialog>

#include <optional>
#include <string>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace pelmora::data {
class TableView;
}

namespace pelmora::app {

class TDataSource;

// "Locate Field Value": finds the first or the next record (a contact, or a message of the
// contact's) whose chosen field starts with the typed value (letter case ignored unless asked
// for). A miss leaves the current record where it was.
class TfrmFind : public QDialog {
    Q_OBJECT
public:
    // `firstField` is chosen when the dialog opens; `recordKind` names the records in the notice
    // of a miss.
    explicit TfrmFind(TDataSource* records = nullptr, QWidget* parent = nullptr,
        const QString& firstField = QStringLiteral("LName"), const QString& recordKind = tr("contact"));

    QComboBox* fieldList() const { return m_field; }
    QLineEdit* valueEdit() const { return m_value; }

    // True when a contact was found; a miss has been reported through the prompts.
    bool find(bool next);

private:
    // The typed text as the value of `field`; nullopt (the error shown) when it cannot be one.
    std::optional<data::Value> typedValue(const data::TableView& view, const std::string& field, const QString& text);

    TDataSource* m_records;
    QString m_recordKind;
    QComboBox* m_field;
    QLineEdit* m_value;
    QCheckBox* m_caseSensitive;
    QCheckBox* m_wholeValue;
};

} // namespace pelmora::app
