#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace pelmora::app {

class TDataSource;

// "Locate Field Value": finds the first or the next contact whose chosen field starts with the
// typed value (letter case ignored unless asked for). A miss leaves the contact where it was.
class TfrmFind : public QDialog {
    Q_OBJECT
public:
    explicit TfrmFind(TDataSource* contacts = nullptr, QWidget* parent = nullptr);

    // True when a contact was found; a miss has been reported through the prompts.
    bool find(bool next);

private:
    TDataSource* m_contacts;
    QComboBox* m_field;
    QLineEdit* m_value;
    QCheckBox* m_caseSensitive;
    QCheckBox* m_wholeValue;
};

} // namespace pelmora::app
